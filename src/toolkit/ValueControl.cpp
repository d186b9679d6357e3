#include "toolkit/ValueControl.h"

#include "toolkit/ButtonControls.h"
#include "toolkit/EditControls.h"
#include "toolkit/TextUtil.h"

namespace {
// A box's default as its hint gives it; none for any other hint.
std::optional<bool> DefaultState(const std::string& Hint) {
    if (SameTextAscii(Hint, "true"))
        return true;
    if (SameTextAscii(Hint, "false"))
        return false;
    return std::nullopt;
}
} // namespace

TValueControl::TValueControl(const QObject* Control) {
    // The controls are handed round as const when only read; the adaptor
    // also sets, so it keeps them as they are.
    auto* o = const_cast<QObject*>(Control);
    if ((FEdit = dynamic_cast<TEdit*>(o)) || (FSpin = dynamic_cast<TSpinEdit*>(o)) ||
        (FCheck = dynamic_cast<TCheckBox*>(o)) || (FRadio = dynamic_cast<TRadioButton*>(o)))
        FObject = o;
}

std::string TValueControl::Text() const {
    if (FEdit)
        return FEdit->Text();
    if (FSpin)
        return FSpin->Text();
    return {};
}

bool TValueControl::Checked() const {
    if (FCheck)
        return FCheck->Checked();
    return FRadio && FRadio->Checked();
}

void TValueControl::SetText(const std::string& Text) const {
    if (FEdit)
        FEdit->SetText(Text);
    else if (FSpin)
        FSpin->SetText(Text); // limited to the spin edit's range by the control
}

void TValueControl::SetChecked(bool On) const {
    if (FCheck)
        FCheck->SetChecked(On);
    else if (FRadio)
        FRadio->SetChecked(On);
}

int TValueControl::Number() const {
    return FSpin ? FSpin->Value() : 0;
}

void TValueControl::SetNumber(int Value) const {
    if (FSpin)
        FSpin->SetValue(Value);
    else if (FEdit)
        FEdit->SetText(std::to_string(Value));
}

void TValueControl::ApplyDefault() const {
    if (FEdit) {
        FEdit->SetText(FEdit->Hint());
    } else if (FSpin) {
        // A spin edit without a numeric default keeps its value.
        if (const auto value = StrToIntStrict(FSpin->Hint()))
            FSpin->SetValue(*value);
    } else if (FCheck) {
        if (const auto on = DefaultState(FCheck->Hint()))
            FCheck->SetChecked(*on);
    } else if (FRadio) {
        if (const auto on = DefaultState(FRadio->Hint()))
            FRadio->SetChecked(*on);
    }
}

bool TValueControl::ShowsDefault() const {
    if (FEdit)
        return FEdit->Text() == FEdit->Hint();
    if (FSpin) {
        const auto value = StrToIntStrict(FSpin->Hint());
        return !value || FSpin->Value() == *value;
    }
    if (IsBox()) {
        const auto on = DefaultState(FCheck ? FCheck->Hint() : FRadio->Hint());
        return !on || Checked() == *on;
    }
    return true;
}

void TValueControl::SetColor(TColor Color) const {
    if (FEdit)
        FEdit->SetColor(Color);
    else if (FSpin)
        FSpin->SetColor(Color);
    else if (FCheck)
        FCheck->SetColor(Color);
    else if (FRadio)
        FRadio->SetColor(Color);
}

void TValueControl::SetFontStyle(TFontStyles Style) const {
    if (FEdit)
        FEdit->SetFontStyle(Style);
    else if (FSpin)
        FSpin->SetFontStyle(Style);
    else if (FCheck)
        FCheck->SetFontStyle(Style);
    else if (FRadio)
        FRadio->SetFontStyle(Style);
}
