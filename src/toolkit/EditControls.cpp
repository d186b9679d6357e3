#include "toolkit/EditControls.h"

#include <QFontDatabase>
#include <QTextBlock>
#include <QValidator>
#include <climits>

// Keeps typed and pasted text within MaxLength the way a native edit does:
// what does not fit is cut from the end of the inserted part (just before
// the cursor), so typing into a full field changes nothing and a long paste
// keeps its beginning. Text set from code passes unchanged, and a text that
// is already longer than the limit may still shrink.
class TEdit::TLengthLimit : public QValidator {
public:
    explicit TLengthLimit(TEdit* edit) : QValidator(edit), FEdit(edit) {}

    State validate(QString& input, int& pos) const override {
        if (FEdit->FSettingText || FEdit->FMaxLength <= 0)
            return Acceptable;
        const qsizetype allowed = std::max<qsizetype>(FEdit->FMaxLength, FEdit->FShownLength);
        const qsizetype excess = input.size() - allowed;
        if (excess > 0) {
            const qsizetype cut = std::min<qsizetype>(excess, pos);
            input.remove(pos - cut, cut);
            pos -= static_cast<int>(cut);
            if (input.size() > allowed)
                input.truncate(allowed);
        }
        return Acceptable;
    }

private:
    TEdit* FEdit;
};

bool KeyFilterAdmits(TKeyFilter filter, char32_t key) {
    if (filter == TKeyFilter::None || key == U'\b' || key == U'\r' || key == U'\x1B' ||
        key == U'\t')
        return true;
    const bool digit = key >= U'0' && key <= U'9';
    switch (filter) {
    case TKeyFilter::Digits:
        return digit;
    case TKeyFilter::DigitsPlus:
        return digit || key == U'+';
    case TKeyFilter::Hex:
        return digit || (key >= U'A' && key <= U'F') || (key >= U'a' && key <= U'f');
    case TKeyFilter::None:
        break;
    }
    return true;
}

void SetEditBackground(QWidget* edit, TColor color) {
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, ToQColor(color));
    edit->setPalette(pal);
}

TEdit::TEdit(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QLineEdit>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    KeepRegularSizeWhenStyled();
    setValidator(new TLengthLimit(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        FText.Set(StdStr(text));
        FShownLength = text.size();
        Fire(OnChange);
    });
}

void TEdit::SetText(const std::string& text) {
    FromCode([&] {
        FSettingText = true;
        setText(QStr(text));
        FSettingText = false;
    });
}

void TEdit::SetColor(TColor color) {
    FColor = color;
    SetEditBackground(this, color);
}

void TEdit::keyPressEvent(QKeyEvent* e) {
    if (FKeyFilter != TKeyFilter::None) {
        const std::optional<char32_t> typed = KeyCharacter(*e);
        const bool clipboardKey =
            e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut) ||
            e->matches(QKeySequence::Copy) || e->matches(QKeySequence::Undo) ||
            e->matches(QKeySequence::Redo) || e->matches(QKeySequence::SelectAll);
        if (clipboardKey || (typed && !KeyFilterAdmits(FKeyFilter, *typed))) {
            e->accept();
            return;
        }
    }
    TControlT<QLineEdit>::keyPressEvent(e);
}

TSpinEdit::TSpinEdit(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QSpinBox>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    KeepRegularSizeWhenStyled();
    ApplyRange();
    setValue(0);
    FText.Set(StdStr(text()));
    ForwardMouseMoves(lineEdit());
    connect(this, &QSpinBox::valueChanged, this,
            [this](int value) { FValue.store(value, std::memory_order_release); });
    connect(this, &QSpinBox::textChanged, this, [this](const QString& text) {
        FText.Set(StdStr(text));
        Fire(OnChange);
    });
}

void TSpinEdit::ApplyRange() {
    if (FMinValue != FMaxValue)
        setRange(std::min(FMinValue, FMaxValue), std::max(FMinValue, FMaxValue));
    else
        setRange(INT_MIN, INT_MAX);
}

void TSpinEdit::SetMinValue(int value) {
    FMinValue = value;
    ApplyRange();
}

void TSpinEdit::SetMaxValue(int value) {
    FMaxValue = value;
    ApplyRange();
}

void TSpinEdit::SetText(const std::string& text) {
    const std::optional<std::int32_t> n = StrToIntStrict(text);
    if (!n)
        throw EConvertError("\"" + text + "\" не является целым числом");
    SetValue(*n);
}

void TSpinEdit::SetColor(TColor color) {
    FColor = color;
    SetEditBackground(this, color);
}

TMemo::TMemo(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QPlainTextEdit>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { Fire(OnChange); });
}

void TMemo::AppendLine(const std::string& line) {
    appendPlainText(QStr(line));
}

int TMemo::LineCount() const {
    if (document()->isEmpty())
        return 0;
    return document()->blockCount();
}

std::vector<std::string> TMemo::Lines() const {
    std::vector<std::string> lines;
    if (document()->isEmpty())
        return lines;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        lines.push_back(StdStr(b.text()));
    return lines;
}

void TMemo::SetVerticalScrollBar(bool on) {
    setVerticalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
}

void TMemo::SetFontFamily(const std::string& family, bool monospace) {
    QFont f = monospace ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : font();
    f.setFamilies({QStr(family), f.family()});
    setFont(f);
}
