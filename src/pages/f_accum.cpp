#include "pages/f_accum.h"

#include "pages/HintWindow.h"
#include "pages/PageLayout.h"
#include "params/ParamTable.h"

TformAcc::TformAcc(TForm* Owner, QWidget* Parent) : TParamPage(Owner, "formAcc", Parent) {
    GroupBox3 = new TGroupBox(this, "GroupBox3");
    GroupBox3->SetCaption("Аккумулятор");
    TFieldRows rows(GroupBox3);

    for (const TCreatedField& f : AddFields(pgAcc, Fields(), GroupBox3))
        rows.Add(f.Caption, f.Field);

    Label12 = NewCaption(this, "Label12", "Текущее состояние питания", GroupBox3);
    pPowerState = new TPanel(this, "pPowerState", GroupBox3);
    pPowerState->SetBevel(TBevelKind::Lowered);
    pPowerState->SetFontStyle(fsBold);
    pPowerState->setMinimumWidth(pPowerState->fontMetrics().horizontalAdvance("Резервное") + 24);
    pPowerState->setMinimumHeight(pPowerState->fontMetrics().height() + 12);
    rows.Add(Label12, pPowerState);
    rows.Finish();

    GroupBox3->OnMouseMove = [this](QObject* s, QPoint p) { GroupBox3MouseMove(s, p); };
    ScrollBox1->SetContent(GroupBox3);
    FormCreate();
}

void TformAcc::FormCreate() {
    BuildRefValues(rkSpinEdits | rkCheckBoxes);
}

void TformAcc::GroupBox3MouseMove(QObject*, QPoint) {
    HideParameterHint();
}

void TformAcc::SetContentVisible(bool Visible) {
    SetControlVisible(GroupBox3, Visible);
    for (QWidget* w : GroupBox3->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        SetControlVisible(w, Visible);
    ShowEmptyNote(!Visible);
}
