#include "pages/f_GPRS.h"

#include "pages/HintWindow.h"
#include "pages/PageLayout.h"
#include "params/ParamTable.h"

TformGPRS::TformGPRS(TForm* Owner, QWidget* Parent) : TParamPage(Owner, "formGPRS", Parent) {
    GroupBox3 = new TGroupBox(this, "GroupBox3");
    GroupBox3->SetCaption("GPRS");
    TFieldRows rows(GroupBox3);

    // The numbers are short; the names and addresses take room.
    for (const TCreatedField& f : AddFields(pgGPRS, Fields(), GroupBox3)) {
        if (f.Row->Codec == TParamCodec::Field)
            SetFieldChars(f.Field, f.Row->Rule.Length > 0 ? 8 : 24);
        rows.Add(f.Caption, f.Field);
    }
    rows.Finish();
    GroupBox3->OnMouseMove = [this](QObject* s, QPoint p) { GroupBox3MouseMove(s, p); };
    ScrollBox1->SetContent(GroupBox3);
    FormCreate();
}

void TformGPRS::FormCreate() {
    BuildRefValues(rkEdits | rkCheckBoxes);
}

void TformGPRS::GroupBox3MouseMove(QObject*, QPoint) {
    HideParameterHint();
}
