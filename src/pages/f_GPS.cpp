#include "pages/f_GPS.h"

#include <QStyle>

#include "pages/HintWindow.h"
#include "pages/PageLayout.h"
#include "queue/Protocol.h"

TformGPS::TformGPS(TForm* Owner, QWidget* Parent) : TParamPage(Owner, "formGPS", Parent) {
    GroupBox3 = new TGroupBox(this, "GroupBox3");
    GroupBox3->SetCaption("GPS");
    TFieldRows rows(GroupBox3);
    lbGPSOff = NewCaption(this, "lbGPSOff", "Выключить GPS", GroupBox3);
    cbGPSOff = NewParamCheckBox(this, "cbGPSOff", 21, false, GroupBox3);
    rows.Add(lbGPSOff, cbGPSOff);
    lbGPSDebug = NewCaption(this, "lbGPSDebug", "Отладка GPS", GroupBox3);
    cbGPSDebug = NewParamCheckBox(this, "cbGPSDebug", 22, false, GroupBox3);
    rows.Add(lbGPSDebug, cbGPSDebug);
    lbbtnRST = NewCaption(this, "lbbtnRST", "Перезапустить GPS", GroupBox3);
    btnRST = new TButton(this, "btnRST", GroupBox3);
    btnRST->SetIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    rows.Add(lbbtnRST, btnRST);
    rows.Finish();

    cbGPSOff->OnMouseUp = [this](QObject* s, Qt::MouseButton b, QPoint p) {
        cbGPSOffMouseUp(s, b, p);
    };
    cbGPSDebug->OnMouseUp = [this](QObject* s, Qt::MouseButton b, QPoint p) {
        cbGPSDebugMouseUp(s, b, p);
    };
    for (TCheckBox* box : {cbGPSOff, cbGPSDebug})
        box->OnMouseMove = [this](QObject* s, QPoint p) { cbGPSOffMouseMove(s, p); };
    GroupBox3->OnMouseMove = [this](QObject* s, QPoint p) { GroupBox3MouseMove(s, p); };
    btnRST->OnClick = [this](QObject* s) { Button1Click(s); };
    ScrollBox1->SetContent(GroupBox3);
    FormCreate();
}

void TformGPS::FormCreate() {
    BuildRefValues(rkCheckBoxes);
}

void TformGPS::cbGPSOffMouseUp(QObject* Sender, Qt::MouseButton, QPoint) {
    MarkIfActive(Sender);
}

void TformGPS::cbGPSDebugMouseUp(QObject* Sender, Qt::MouseButton, QPoint) {
    MarkIfActive(Sender);
}

void TformGPS::cbGPSOffMouseMove(QObject* Sender, QPoint) {
    ShowParameterHint(qobject_cast<QWidget*>(Sender), Services());
}

void TformGPS::GroupBox3MouseMove(QObject*, QPoint) {
    HideParameterHint();
}

void TformGPS::Button1Click(QObject*) {
    Services().Post(rqGPSRestart);
}

void TformGPS::SetContentVisible(bool Visible) {
    GroupBox3->SetVisible(Visible);
    ShowEmptyNote(!Visible);
}
