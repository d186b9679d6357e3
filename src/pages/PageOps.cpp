#include "pages/PageOps.h"

#include <QAbstractButton>
#include <functional>

#include "pages/SettingsPage.h"
#include "queue/Protocol.h"
#include "toolkit/Controls.h"
#include "toolkit/TextUtil.h"

namespace {
constexpr TFontStyles fsChanged = fsBold | fsUnderline;

// The change mark: bold and underlined; a check box or radio button also
// shows "!" as its caption.
void ShowMark(const TValueControl& Control, bool Changed) {
    Control.SetFontStyle(Changed ? fsChanged : 0);
    auto* box = dynamic_cast<QAbstractButton*>(Control.Object());
    if (!box)
        return;
    if (Changed)
        box->setText("!");
    else if (box->text() == "!")
        box->setText("");
}

// Walks the page's components: what its labels and its value controls get.
void VisitPage(TForm* page, const std::function<void(TLabel*)>& Label,
               const std::function<void(const TValueControl&)>& Value) {
    for (TComponentInfo* c : page->Components()) {
        QObject* o = c->Object();
        if (auto* label = dynamic_cast<TLabel*>(o))
            Label(label);
        else if (const TValueControl value(o); value)
            Value(value);
    }
}

void ResetLabel(TLabel* label) {
    label->SetFontColor(clWindowText);
    label->SetFontStyle(0);
}
} // namespace

void MarkChanged(QObject* control, const TRefValues& table) {
    const TValueControl value(control);
    const TComponentInfo* info = ComponentInfoOf(control);
    if (!value || !info)
        return;
    const std::string& ref = table.Get(info->Name());
    ShowMark(value, value.IsText() ? ref != TrimBlanks(value.Text())
                                   : ref != QueueWord::Bool(value.Checked()));
}

void ClearPageValues(TForm* page) {
    VisitPage(page, ResetLabel, [](const TValueControl& v) {
        ShowMark(v, false);
        if (v.IsEdit())
            v.SetText("");
        else if (v.IsBox() && !v.IsRadio())
            v.SetChecked(false);
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
    VisitPage(page, ResetLabel, [](const TValueControl& v) { ShowMark(v, false); });
}

bool ShowsDefault(const QObject* control) {
    return TValueControl(control).ShowsDefault();
}

void ApplyDefault(QObject* control) {
    TValueControl(control).ApplyDefault();
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
