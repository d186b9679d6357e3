#include "pages/PageOps.h"

#include <functional>
#include <optional>

#include "pages/SettingsPage.h"
#include "queue/Protocol.h"
#include "toolkit/Controls.h"
#include "toolkit/TextUtil.h"

namespace {
constexpr TFontStyles fsChanged = fsBold | fsUnderline;

// A check box or radio button: style and the "!" caption together.
template <class T> void ShowMark(T* box, bool changed) {
    box->SetFontStyle(changed ? fsChanged : 0);
    if (changed)
        box->SetCaption("!");
    else if (box->Caption() == "!")
        box->SetCaption("");
}

// Walks the page's components: what each kind of control gets.
struct TPageVisitor {
    std::function<void(TLabel*)> Label;
    std::function<void(TEdit*)> Edit;
    std::function<void(TSpinEdit*)> SpinEdit;
    std::function<void(TCheckBox*)> CheckBox;
    std::function<void(TRadioButton*)> RadioButton;
};

void VisitPage(TForm* page, const TPageVisitor& v) {
    for (TComponentInfo* c : page->Components()) {
        QObject* o = c->Object();
        if (auto* label = dynamic_cast<TLabel*>(o); label && v.Label)
            v.Label(label);
        else if (auto* edit = dynamic_cast<TEdit*>(o); edit && v.Edit)
            v.Edit(edit);
        else if (auto* spin = dynamic_cast<TSpinEdit*>(o); spin && v.SpinEdit)
            v.SpinEdit(spin);
        else if (auto* check = dynamic_cast<TCheckBox*>(o); check && v.CheckBox)
            v.CheckBox(check);
        else if (auto* radio = dynamic_cast<TRadioButton*>(o); radio && v.RadioButton)
            v.RadioButton(radio);
    }
}

void ResetLabel(TLabel* label) {
    label->SetFontColor(clWindowText);
    label->SetFontStyle(0);
}
} // namespace

void MarkChanged(QObject* control, const TRefValues& table) {
    if (auto* edit = dynamic_cast<TEdit*>(control)) {
        const bool changed = table.Get(edit->Name()) != TrimBlanks(edit->Text());
        edit->SetFontStyle(changed ? fsChanged : 0);
    } else if (auto* spin = dynamic_cast<TSpinEdit*>(control)) {
        const bool changed = table.Get(spin->Name()) != TrimBlanks(spin->Text());
        spin->SetFontStyle(changed ? fsChanged : 0);
    } else if (auto* check = dynamic_cast<TCheckBox*>(control)) {
        ShowMark(check, table.Get(check->Name()) != QueueWord::Bool(check->Checked()));
    } else if (auto* radio = dynamic_cast<TRadioButton*>(control)) {
        ShowMark(radio, table.Get(radio->Name()) != QueueWord::Bool(radio->Checked()));
    }
}

void ClearPageValues(TForm* page) {
    VisitPage(page, {
                        .Label = ResetLabel,
                        .Edit =
                            [](TEdit* e) {
                                e->SetText("");
                                e->SetFontStyle(0);
                            },
                        .SpinEdit = [](TSpinEdit* s) { s->SetFontStyle(0); },
                        .CheckBox =
                            [](TCheckBox* c) {
                                ShowMark(c, false);
                                c->SetChecked(false);
                            },
                        .RadioButton = [](TRadioButton* r) { ShowMark(r, false); },
                    });
    // What the page showed is gone: nothing on it is known until the read
    // brings it back.
    if (auto* params = dynamic_cast<TParamPage*>(page))
        for (const std::string& name : params->FRefValues.RecordNames())
            params->FRefValues.Update(name, [&](TParamRecord& r) {
                const std::string shown = ShownValue(params->FindComponent(name)).value_or("");
                r = TParamRecord{};
                r.Shown = shown;
            });
}

void ResetChangeMarks(TForm* page) {
    VisitPage(page, {
                        .Label = ResetLabel,
                        .Edit = [](TEdit* e) { e->SetFontStyle(0); },
                        .SpinEdit = [](TSpinEdit* s) { s->SetFontStyle(0); },
                        .CheckBox = [](TCheckBox* c) { ShowMark(c, false); },
                        .RadioButton = [](TRadioButton* r) { ShowMark(r, false); },
                    });
}

namespace {
std::optional<bool> DefaultState(const std::string& hint) {
    if (SameTextAscii(hint, QueueWord::True))
        return true;
    if (SameTextAscii(hint, QueueWord::False))
        return false;
    return std::nullopt;
}
} // namespace

bool ShowsDefault(const QObject* control) {
    if (const auto* edit = dynamic_cast<const TEdit*>(control))
        return edit->Text() == edit->Hint();
    if (const auto* spin = dynamic_cast<const TSpinEdit*>(control)) {
        const auto value = StrToIntStrict(spin->Hint());
        return !value || spin->Value() == *value;
    }
    if (const auto* check = dynamic_cast<const TCheckBox*>(control)) {
        const auto on = DefaultState(check->Hint());
        return !on || check->Checked() == *on;
    }
    if (const auto* radio = dynamic_cast<const TRadioButton*>(control)) {
        const auto on = DefaultState(radio->Hint());
        return !on || radio->Checked() == *on;
    }
    return true;
}

void ApplyDefault(QObject* control) {
    if (auto* edit = dynamic_cast<TEdit*>(control)) {
        edit->SetText(edit->Hint());
    } else if (auto* spin = dynamic_cast<TSpinEdit*>(control)) {
        // A spin edit without a numeric default keeps its value.
        if (const auto value = StrToIntStrict(spin->Hint()))
            spin->SetValue(*value);
    } else if (auto* check = dynamic_cast<TCheckBox*>(control)) {
        if (const auto on = DefaultState(check->Hint()))
            check->SetChecked(*on);
    } else if (auto* radio = dynamic_cast<TRadioButton*>(control)) {
        if (const auto on = DefaultState(radio->Hint()))
            radio->SetChecked(*on);
    }
    NoteGiven(control, TValueSource::Defaults);
}

void SetPageDefaults(TForm* page) {
    for (TComponentInfo* c : page->Components())
        ApplyDefault(c->Object());
    if (auto* settings = dynamic_cast<TSettingsPage*>(page))
        settings->AfterDefaults();
}

void RestoreParameterTags(TForm* page) {
    for (TComponentInfo* c : page->Components())
        c->SetTag(c->Tag() % ParameterMark);
}
