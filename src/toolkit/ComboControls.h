#pragma once
// Combo boxes: an editable text with a drop-down list. Changing the list
// never changes the text in the box; only choosing an item (ItemIndex) does.
// The list never takes the typed text in by itself.
//
// Threading: Text (and the shared snapshots of TControlT) from any thread;
// everything else on the GUI thread.

#include <QComboBox>
#include <QIcon>
#include <string>
#include <vector>

#include "toolkit/Control.h"

class TCustomComboBox : public TControlT<QComboBox> {
public:
    std::string Text() const { return FText.Get(); }
    void SetText(const std::string& text);

    std::vector<std::string> Items() const;
    int ItemCount() const { return count(); }
    std::string Item(int index) const { return StdStr(itemText(index)); }
    int IndexOf(const std::string& text) const; // exact match, -1 when absent
    // Appends, or with Sorted inserts in order; returns the item's index.
    int AddItem(const std::string& text);
    void InsertItem(int index, const std::string& text);
    // A note shown beside the item in the open list, dimmed (and as its
    // tooltip); choosing the item puts only its text into the box.
    void SetItemNote(int index, const std::string& note);
    std::string ItemNote(int index) const;
    void DeleteItem(int index);
    void ClearItems();

    int ItemIndex() const { return currentIndex(); }
    void SetItemIndex(int index) {
        FromCode([&] { setCurrentIndex(index); });
    }
    bool Sorted() const { return FSorted; }
    // Sorts the list now and keeps it sorted (letter case ignored).
    void SetSorted(bool on);
    void SetEditable(bool on);

    // Runs before the list opens, so that it can fill the list.
    TNotifyEvent OnDropDown;
    // Opens the list as the operator's click does.
    void DropDown() { showPopup(); }
    void showPopup() override;

protected:
    TCustomComboBox(TForm* Owner, std::string Name, QWidget* Parent);
    int SortedPosition(const QString& text) const;

    // Keeps the box's text across a change of the list, and keeps a box
    // without a chosen item without one (the list widget would otherwise
    // choose the first item added to an empty list).
    class TKeepText {
    public:
        explicit TKeepText(TCustomComboBox* box)
            : FBox(box), FText(box->currentText()), FNoItem(box->currentIndex() < 0) {}
        ~TKeepText() {
            if (FNoItem && FBox->currentIndex() >= 0)
                FBox->setCurrentIndex(-1);
            if (FBox->isEditable() && FBox->currentText() != FText)
                FBox->setEditText(FText);
        }

    private:
        TCustomComboBox* FBox;
        QString FText;
        bool FNoItem;
    };

private:
    void WatchLineEdit();

    TSharedText FText;
    bool FSorted = false;
};

class TComboBox : public TCustomComboBox {
public:
    TComboBox(TForm* Owner, std::string Name, QWidget* Parent = nullptr);
};

// A combo box whose items may carry an image.
class TComboBoxEx : public TCustomComboBox {
public:
    TComboBoxEx(TForm* Owner, std::string Name, QWidget* Parent = nullptr);
    int AddItem(const std::string& text, const QIcon& icon);
    using TCustomComboBox::AddItem;
};
