#include "pages/f_common.h"

#include "pages/HintWindow.h"
#include "pages/PageLayout.h"
#include "pages/SampleData.h"
#include "params/ParamTable.h"

TformCommon::TformCommon(TForm* Owner, QWidget* Parent) : TParamPage(Owner, "formCommon", Parent) {
    GroupBox2 = new TGroupBox(this, "GroupBox2");
    GroupBox2->SetCaption("Общие");
    TFieldRows rows(GroupBox2);

    struct TRow {
        TLabel*& Label;
        const char* LabelName;
        const char* Caption;
        TEdit*& Field;
        const char* FieldName;
        const char* Default;
        int MaxLength;
        TKeyFilter Filter;
    };
    const TRow table[] = {
        {lbetObjNum, "lbetObjNum", "Номер объекта", etObjNum, "etObjNum", "0050", 4,
         TKeyFilter::Digits},
        {lbetPhone, "lbetPhone", "Телефон приёма тревожных сообщений ", etPhone, "etPhone",
         SamplePhoneInternational, 16, TKeyFilter::DigitsPlus},
        {lbetLat, "lbetLat",
         "Смещение по широте (рекомендуется 230, что соответствует приблизительно 50 метрам) Lat",
         etLat, "etLat", "230", 4, TKeyFilter::Digits},
        {lbetLon, "lbetLon",
         "Смещение по долготе (рекомендуется 300, что соответствует приблизительно 50 метрам) Lon",
         etLon, "etLon", "300", 4, TKeyFilter::Digits},
        {lbetGPSrestartt, "lbetGPSrestartt",
         "Время перезагрузки GPS-приёмника, если не определяются координаты (минуты, "
         "рекомендуется 5)",
         etGPSrestartt, "etGPSrestartt", "5", 2, TKeyFilter::Digits},
        {lbetGPSpostime, "lbetGPSpostime",
         "Как часто GPS-приёмник определяет координаты (секунды, от 1 до 5, рекомендуется 3)",
         etGPSpostime, "etGPSpostime", "3", 1, TKeyFilter::Digits},
        {lbetModemCheckt, "lbetModemCheckt",
         "Как часто опрашивать состояние модема (десятки секунд, рекомендуется 6)", etModemCheckt,
         "etModemCheckt", "6", 2, TKeyFilter::Digits},
        {lbetModemTryes, "lbetModemTryes",
         "Сколько раз допустимо не получить ответ от модема (рекомендуется 3)", etModemTryes,
         "etModemTryes", "3", 2, TKeyFilter::Digits},
    };
    for (const TRow& r : table) {
        r.Label = NewCaption(this, r.LabelName, r.Caption, GroupBox2);
        r.Field =
            NewParamEdit(this, r.FieldName, ParamTag(pgCommon, r.FieldName), r.Default, GroupBox2);
        r.Field->SetMaxLength(r.MaxLength);
        r.Field->SetKeyFilter(r.Filter);
        SetFieldChars(r.Field, 16);
        rows.Add(r.Label, r.Field);
        r.Field->OnChange = [this](QObject* s) { etObjNumChange(s); };
        r.Field->OnMouseMove = [this](QObject* s, QPoint p) { etObjNumMouseMove(s, p); };
    }
    rows.Finish();
    GroupBox2->OnMouseMove = [this](QObject* s, QPoint p) { GroupBox2MouseMove(s, p); };
    ScrollBox1->SetContent(GroupBox2);
    FormCreate();
}

void TformCommon::FormCreate() {
    BuildRefValues(rkEdits);
}

void TformCommon::etObjNumChange(QObject* Sender) {
    MarkIfActive(Sender);
}

void TformCommon::etObjNumMouseMove(QObject* Sender, QPoint) {
    ShowParameterHint(qobject_cast<QWidget*>(Sender), Services());
}

void TformCommon::GroupBox2MouseMove(QObject*, QPoint) {
    HideParameterHint();
}
