#include "pages/f_GPRS.h"

#include <limits>
#include <optional>

#include "pages/HintWindow.h"
#include "pages/PageLayout.h"
#include "params/ParamTable.h"
#include "params/SampleData.h"

namespace {
// The field's number with a "0" put in front, so that an empty field reads
// as 0; nothing when the text holds anything but digits (pasted text). Very
// long numbers saturate rather than fail, so they are still clamped.
std::optional<long long> RetryValue(const std::string& text) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        if (value <= (std::numeric_limits<long long>::max() - 9) / 10)
            value = value * 10 + (c - '0');
    }
    return value;
}
} // namespace

TformGPRS::TformGPRS(TForm* Owner, QWidget* Parent) : TParamPage(Owner, "formGPRS", Parent) {
    GroupBox3 = new TGroupBox(this, "GroupBox3");
    GroupBox3->SetCaption("GPRS");
    TFieldRows rows(GroupBox3);

    lbcb = NewCaption(this, "lbcb", "Включен GPRS?", GroupBox3);
    cbGPRS = NewParamCheckBox(this, "cbGPRS", ParamTag(pgGPRS, "cbGPRS"), false, GroupBox3);
    rows.Add(lbcb, cbGPRS);

    struct TRow {
        TLabel*& Label;
        const char* LabelName;
        std::string Caption;
        TEdit*& Field;
        const char* FieldName;
    };
    const TRow table[] = {
        {lbetGPRSphone, "lbetGPRSphone", "Номер телефона GPRS", etGPRSphone, "etGPRSphone"},
        {lbetAccessPoint, "lbetAccessPoint",
         std::string("Точка доступа GPRS (") + SampleAccessPoint1 + ", " + SampleAccessPoint2 + ")",
         etAccessPoint, "etAccessPoint"},
        {lbetLoginGPRS, "lbetLoginGPRS", "Имя пользователя GPRS", etLoginGPRS, "etLoginGPRS"},
        {lbetPswdGPRS, "lbetPswdGPRS", "Пароль пользователя GPRS", etPswdGPRS, "etPswdGPRS"},
        {lbetIp, "lbetIp", "IP-адрес сервера для GPRS-соединения", etIp, "etIp"},
        {lbetPort, "lbetPort", "Порт сервера для GPRS-соединения", etPort, "etPort"},
        {lbetPswd, "lbetPswd", "Пароль для идентификации через GPRS", etPswd, "etPswd"},
        {lbetGPRSTryes, "lbetGPRSTryes", "Число попыток соединения по GPRS?", etGPRSTryes,
         "etGPRSTryes"},
        {lbetGPRSTimeout, "lbetGPRSTimeout", "Пауза между попытками соединения по GPRS (минуты)?",
         etGPRSTimeout, "etGPRSTimeout"},
        {lbetServerTryes, "lbetServerTryes", "Число попыток соединения с сервером?", etServerTryes,
         "etServerTryes"},
        {lbetServerTimeout, "lbetServerTimeout",
         "Пауза между попытками соединения с сервером (минуты)?", etServerTimeout,
         "etServerTimeout"},
    };
    for (const TRow& r : table) {
        r.Label = NewCaption(this, r.LabelName, r.Caption, GroupBox3);
        r.Field = NewRowEdit(this, pgGPRS, r.FieldName, GroupBox3);
        // A field of limited length holds a number: digits only, clamped.
        if (r.Field->MaxLength() > 0) {
            r.Field->OnChange = [this, field = r.Field](QObject*) { ClampTyped(field); };
            r.Field->SetKeyFilter(TKeyFilter::Digits);
            SetFieldChars(r.Field, 8);
        } else {
            r.Field->OnChange = [this](QObject* s) { etGPRSphoneChange(s); };
            SetFieldChars(r.Field, 24);
        }
        r.Field->OnMouseMove = [this](QObject* s, QPoint p) { etGPRSphoneMouseMove(s, p); };
        rows.Add(r.Label, r.Field);
    }
    rows.Finish();

    cbGPRS->OnMouseUp = [this](QObject* s, Qt::MouseButton b, QPoint p) { cbGPRSMouseUp(s, b, p); };
    cbGPRS->OnMouseMove = [this](QObject* s, QPoint p) { etGPRSphoneMouseMove(s, p); };
    GroupBox3->OnMouseMove = [this](QObject* s, QPoint p) { GroupBox3MouseMove(s, p); };
    ScrollBox1->SetContent(GroupBox3);
    FormCreate();
}

void TformGPRS::FormCreate() {
    BuildRefValues(rkEdits | rkCheckBoxes);
}

void TformGPRS::ClampTyped(TEdit* field) {
    const TParamDef* row = ParamOfControl(pgGPRS, field->Name());
    if (!field->ChangingByCode() && row && row->Range.Set()) {
        if (const auto value = RetryValue(field->Text()); value && *value < row->Range.Min)
            field->SetText(std::to_string(row->Range.Min));
        if (const auto value = RetryValue(field->Text()); value && *value > row->Range.Max)
            field->SetText(std::to_string(row->Range.Max));
    }
    etGPRSphoneChange(field);
}

void TformGPRS::etGPRSphoneChange(QObject* Sender) {
    MarkIfActive(Sender);
}

void TformGPRS::cbGPRSMouseUp(QObject* Sender, Qt::MouseButton, QPoint) {
    MarkIfActive(Sender);
}

void TformGPRS::etGPRSphoneMouseMove(QObject* Sender, QPoint) {
    ShowParameterHint(qobject_cast<QWidget*>(Sender), Services());
}

void TformGPRS::GroupBox3MouseMove(QObject*, QPoint) {
    HideParameterHint();
}
