#pragma once
// TformCommon: the unit's general parameters, eight numeric or phone-number
// fields, each made from its row of the parameter table.
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
    void GroupBox2MouseMove(QObject* Sender, QPoint Pos);

private:
    std::vector<TFieldMember> Fields() {
        return {PARAM_FIELD(etObjNum),      PARAM_FIELD(etPhone),       PARAM_FIELD(etLat),
                PARAM_FIELD(etLon),         PARAM_FIELD(etGPSrestartt), PARAM_FIELD(etGPSpostime),
                PARAM_FIELD(etModemCheckt), PARAM_FIELD(etModemTryes)};
    }
};
