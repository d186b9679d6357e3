#include "pages/f_common.h"

#include "pages/HintWindow.h"
#include "pages/PageLayout.h"
#include "params/ParamTable.h"

TformCommon::TformCommon(TForm* Owner, QWidget* Parent) : TParamPage(Owner, "formCommon", Parent) {
    GroupBox2 = new TGroupBox(this, "GroupBox2");
    GroupBox2->SetCaption("Общие");
    TFieldRows rows(GroupBox2);

    for (const TCreatedField& f : AddFields(pgCommon, Fields(), GroupBox2)) {
        SetFieldChars(f.Field, 16);
        rows.Add(f.Caption, f.Field);
    }
    rows.Finish();
    GroupBox2->OnMouseMove = [this](QObject* s, QPoint p) { GroupBox2MouseMove(s, p); };
    ScrollBox1->SetContent(GroupBox2);
    FormCreate();
}

void TformCommon::FormCreate() {
    BuildRefValues(rkEdits);
}

void TformCommon::GroupBox2MouseMove(QObject*, QPoint) {
    HideParameterHint();
}
