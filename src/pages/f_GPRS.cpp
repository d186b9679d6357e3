#include "pages/f_GPRS.h"

#include "pages/HintWindow.h"
#include "pages/PageLayout.h"
#include "params/ParamTable.h"

TformGPRS::TformGPRS(TForm* Owner, QWidget* Parent) : TParamPage(Owner, "formGPRS", Parent) {
    GroupBox3 = new TGroupBox(this, "GroupBox3");
    GroupBox3->SetCaption("GPRS");
    TFieldRows rows(GroupBox3);

    lbcb = NewCaption(this, "lbcb", "Включен GPRS?", GroupBox3);
    cbGPRS = NewParamCheckBox(this, "cbGPRS", ParamTag(pgGPRS, "cbGPRS"), false, GroupBox3);
    rows.Add(lbcb, cbGPRS);

    // The numbers are short; the names and addresses take room.
    for (const TCreatedField& f : AddFields(pgGPRS, Fields(), GroupBox3)) {
        SetFieldChars(f.Field, f.Row->Rule.Length > 0 ? 8 : 24);
        rows.Add(f.Caption, f.Field);
    }
    rows.Finish();

    cbGPRS->OnMouseUp = [this](QObject* s, Qt::MouseButton b, QPoint p) { cbGPRSMouseUp(s, b, p); };
    cbGPRS->OnMouseMove = [this](QObject* s, QPoint) {
        ShowParameterHint(qobject_cast<QWidget*>(s), Services());
    };
    GroupBox3->OnMouseMove = [this](QObject* s, QPoint p) { GroupBox3MouseMove(s, p); };
    ScrollBox1->SetContent(GroupBox3);
    FormCreate();
}

void TformGPRS::FormCreate() {
    BuildRefValues(rkEdits | rkCheckBoxes);
}

void TformGPRS::cbGPRSMouseUp(QObject* Sender, Qt::MouseButton, QPoint) {
    MarkIfActive(Sender);
}

void TformGPRS::GroupBox3MouseMove(QObject*, QPoint) {
    HideParameterHint();
}
