#pragma once
// Text entry controls: the one-line edit, the spin edit and the memo.
//
// Threading: Text, Value (and the shared snapshots of TControlT) from any
// thread; everything else on the GUI thread. The snapshots are refreshed on
// every change, made by the operator or by code.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <atomic>
#include <string>
#include <vector>

#include "toolkit/Control.h"

// Which typed characters an edit accepts. Backspace always passes, and so do
// keys that type nothing (arrows, Delete) and Enter, Esc and Tab, which are
// not text for the field. With a filter, other control characters (the
// clipboard and undo shortcuts among them) are discarded too; text can then
// arrive only through the context menu's paste.
enum class TKeyFilter { None, Digits, DigitsPlus, Hex };

bool KeyFilterAdmits(TKeyFilter Filter, char32_t Key);

class TEdit : public TControlT<QLineEdit> {
public:
    TEdit(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    std::string Text() const { return FText.Get(); }
    // Not limited by MaxLength, which applies to typing and pasting only.
    void SetText(const std::string& text);

    int MaxLength() const { return FMaxLength; } // 0: no limit
    void SetMaxLength(int length) { FMaxLength = length; }
    TKeyFilter KeyFilter() const { return FKeyFilter; }
    void SetKeyFilter(TKeyFilter filter) { FKeyFilter = filter; }
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool on) { setReadOnly(on); }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    class TLengthLimit;
    friend class TLengthLimit;

    TSharedText FText;
    int FMaxLength = 0;
    qsizetype FShownLength = 0; // length of the text as last shown
    bool FSettingText = false;
    TKeyFilter FKeyFilter = TKeyFilter::None;
    TColor FColor = clWindow;
};

// A number box. With MinValue and MaxValue different the value stays within
// them; with both equal (the default, 0 and 0) it is not limited.
class TSpinEdit : public TControlT<QSpinBox> {
public:
    TSpinEdit(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    int Value() const { return FValue.load(std::memory_order_acquire); }
    void SetValue(int value) {
        FromCode([&] { setValue(value); });
    }
    // The number as displayed.
    std::string Text() const { return FText.Get(); }
    // Throws EConvertError when the text is not a number (decimal or $hex);
    // the value is then unchanged.
    void SetText(const std::string& text);

    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    void SetMinValue(int value);
    void SetMaxValue(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor color);

private:
    void ApplyRange();

    std::atomic<int> FValue{0};
    TSharedText FText;
    int FMinValue = 0;
    int FMaxValue = 0;
    TColor FColor = clWindow;
};

// A multi-line text pane.
class TMemo : public TControlT<QPlainTextEdit> {
public:
    TMemo(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    void AppendLine(const std::string& line);
    void Clear() { clear(); }
    int LineCount() const;
    std::vector<std::string> Lines() const;
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool on) { setReadOnly(on); }
    void SetVerticalScrollBar(bool on);
    void SetFontFamily(const std::string& family, bool monospace);
};

// Background (base) colour of an edit-like widget.
void SetEditBackground(QWidget* edit, TColor color);
