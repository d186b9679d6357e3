#pragma once
// Buttons, check boxes and radio buttons.
//
// Threading: Checked (and the shared snapshots of TControlT) from any thread;
// everything else on the GUI thread.

#include <QCheckBox>
#include <QIcon>
#include <QPushButton>
#include <QRadioButton>
#include <atomic>

#include "toolkit/Control.h"

class TForm;

// A push button. Pressing it (by the operator or by Click) gives the form it
// is on its ModalResult, if it has one, and runs OnClick; a modal form then
// closes with that result.
class TButton : public TControlT<QPushButton> {
public:
    TButton(TForm* Owner, std::string Name, QWidget* Parent = nullptr);
    ~TButton() override;

    std::string Caption() const { return StdStr(text()); }
    void SetCaption(const std::string& caption) { setText(QStr(caption)); }
    void SetIcon(const QIcon& icon) { setIcon(icon); }
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int result) { FModalResult = result; }
    // The owner form's Enter (default) or Esc (cancel) button.
    void SetDefault(bool on);
    void SetCancel(bool on);

    // Presses the button from code, whether enabled or not; an exception from
    // OnClick reaches the caller.
    void Click();
    // Presses it as the operator does: only when enabled, exceptions go to
    // the application's handler.
    void UserClick();

private:
    TForm* ParentForm() const;
    int FModalResult = 0;
};

// A check box. OnClick runs whenever Checked changes; OnMouseUp after a
// mouse click has toggled it. Its size has room for the bold "!" that marks
// a changed value, so that the mark moves nothing around it (the same holds
// for radio buttons).
class TCheckBox : public TControlT<QCheckBox> {
public:
    TCheckBox(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    bool Checked() const { return FChecked.load(std::memory_order_acquire); }
    void SetChecked(bool on) {
        FromCode([&] { setChecked(on); });
    }
    std::string Caption() const { return StdStr(text()); }
    void SetCaption(const std::string& caption) { setText(QStr(caption)); }
    TColor Color() const { return FColor; }
    void SetColor(TColor color);

protected:
    QSize NaturalSize() const override;

private:
    std::atomic<bool> FChecked{false};
    TColor FColor = clBtnFace;
};

// A radio button. Radio buttons with the same parent widget exclude each
// other, but unlike Qt's own exclusive buttons each one can also be
// unchecked from code, so that all of them may end up unchecked. Clicking a
// checked one leaves it checked. OnClick runs when it becomes checked.
class TRadioButton : public TControlT<QRadioButton> {
public:
    TRadioButton(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    bool Checked() const { return FChecked.load(std::memory_order_acquire); }
    // Unchecking the checked button of a group leaves none checked (a unit
    // may hold a choice the group has no button for).
    void SetChecked(bool on);
    std::string Caption() const { return StdStr(text()); }
    void SetCaption(const std::string& caption) { setText(QStr(caption)); }
    TColor Color() const { return FColor; }
    void SetColor(TColor color);

protected:
    void nextCheckState() override;
    QSize NaturalSize() const override;

private:
    std::atomic<bool> FChecked{false};
    TColor FColor = clBtnFace;
};

// Background colour of a check box or radio button.
void SetButtonBackground(QWidget* button, TColor color);
