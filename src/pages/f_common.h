#pragma once
// TformCommon: the unit's general parameters, eight numeric or phone-number
// fields with keystroke filters, change marking and the parameter hint.
//
// Threading: GUI thread; the link thread uses the controls' snapshots, tags,
// FRefValues and the page flags (see TParamPage).

#include "pages/SettingsPage.h"

class TformCommon : public TParamPage {
public:
    explicit TformCommon(TForm* Owner = nullptr, QWidget* Parent = nullptr);

    TGroupBox* GroupBox2;
    TLabel* lbetObjNum;
    TEdit* etObjNum;
    TLabel* lbetPhone;
    TEdit* etPhone;
    TLabel* lbetLat;
    TEdit* etLat;
    TLabel* lbetLon;
    TEdit* etLon;
    TLabel* lbetGPSrestartt;
    TEdit* etGPSrestartt;
    TLabel* lbetGPSpostime;
    TEdit* etGPSpostime;
    TLabel* lbetModemCheckt;
    TEdit* etModemCheckt;
    TLabel* lbetModemTryes;
    TEdit* etModemTryes;

    void FormCreate();
    void etObjNumChange(QObject* Sender);
    void etObjNumMouseMove(QObject* Sender, QPoint Pos);
    void GroupBox2MouseMove(QObject* Sender, QPoint Pos);
};
