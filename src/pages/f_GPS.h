#pragma once
// TformGPS: switches the unit's GPS receiver off or its debugging on, and
// restarts the receiver on demand.
//
// Threading: GUI thread; the link thread uses the controls' snapshots, tags,
// FRefValues and the page flags (see TParamPage).

#include "pages/SettingsPage.h"

class TformGPS : public TParamPage {
public:
    explicit TformGPS(TForm* Owner = nullptr, QWidget* Parent = nullptr);

    TGroupBox* GroupBox3;
    TLabel* lbGPSOff;
    TCheckBox* cbGPSOff;
    TLabel* lbGPSDebug;
    TCheckBox* cbGPSDebug;
    TLabel* lbbtnRST;
    TButton* btnRST;

    void FormCreate();
    void cbGPSOffMouseUp(QObject* Sender, Qt::MouseButton Button, QPoint Pos);
    void cbGPSDebugMouseUp(QObject* Sender, Qt::MouseButton Button, QPoint Pos);
    void cbGPSOffMouseMove(QObject* Sender, QPoint Pos);
    void GroupBox3MouseMove(QObject* Sender, QPoint Pos);
    void Button1Click(QObject* Sender);
    void SetContentVisible(bool Visible) override;
};
