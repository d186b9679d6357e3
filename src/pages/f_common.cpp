#include "pages/f_common.h"

#include "pages/HintWindow.h"
#include "pages/PageLayout.h"
#include "params/ParamTable.h"
#include "params/SampleData.h"

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
        TKeyFilter Filter;
    };
    const TRow table[] = {
        {lbetObjNum, "lbetObjNum", "Номер объекта", etObjNum, "etObjNum", TKeyFilter::Digits},
        {lbetPhone, "lbetPhone", "Телефон приёма тревожных сообщений ", etPhone, "etPhone",
         TKeyFilter::DigitsPlus},
        {lbetLat, "lbetLat",
         "Смещение по широте (рекомендуется 230, что соответствует приблизительно 50 метрам) Lat",
         etLat, "etLat", TKeyFilter::Digits},
        {lbetLon, "lbetLon",
         "Смещение по долготе (рекомендуется 300, что соответствует приблизительно 50 метрам) Lon",
         etLon, "etLon", TKeyFilter::Digits},
        {lbetGPSrestartt, "lbetGPSrestartt",
         "Время перезагрузки GPS-приёмника, если не определяются координаты (минуты, "
         "рекомендуется 5)",
         etGPSrestartt, "etGPSrestartt", TKeyFilter::Digits},
        {lbetGPSpostime, "lbetGPSpostime",
         "Как часто GPS-приёмник определяет координаты (секунды, от 1 до 5, рекомендуется 3)",
         etGPSpostime, "etGPSpostime", TKeyFilter::Digits},
        {lbetModemCheckt, "lbetModemCheckt",
         "Как часто опрашивать состояние модема (десятки секунд, рекомендуется 6)", etModemCheckt,
         "etModemCheckt", TKeyFilter::Digits},
        {lbetModemTryes, "lbetModemTryes",
         "Сколько раз допустимо не получить ответ от модема (рекомендуется 3)", etModemTryes,
         "etModemTryes", TKeyFilter::Digits},
    };
    for (const TRow& r : table) {
        r.Label = NewCaption(this, r.LabelName, r.Caption, GroupBox2);
        r.Field = NewRowEdit(this, pgCommon, r.FieldName, GroupBox2);
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
