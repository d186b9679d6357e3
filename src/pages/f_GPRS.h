#pragma once
// TformGPRS: the packet-data settings: the switch and eleven fields, each
// made from its row of the parameter table. The four retry fields clamp what
// the operator types to their rows' ranges (the try counts to at most 10,
// the pauses to 3..255 minutes); a value the unit or a file gives is shown
// as it is (the device reports one outside them).
//
// Threading: GUI thread; the link thread uses the controls' snapshots, tags,
// FRefValues and the page flags (see TParamPage).

#include "pages/SettingsPage.h"

class TformGPRS : public TParamPage {
public:
    explicit TformGPRS(TForm* Owner = nullptr, QWidget* Parent = nullptr);

    TGroupBox* GroupBox3;
    TLabel* lbcb;
    TCheckBox* cbGPRS;
    TLabel* lbetGPRSphone;
    TEdit* etGPRSphone;
    TLabel* lbetAccessPoint;
    TEdit* etAccessPoint;
    TLabel* lbetLoginGPRS;
    TEdit* etLoginGPRS;
    TLabel* lbetPswdGPRS;
    TEdit* etPswdGPRS;
    TLabel* lbetIp;
    TEdit* etIp;
    TLabel* lbetPort;
    TEdit* etPort;
    TLabel* lbetPswd;
    TEdit* etPswd;
    TLabel* lbetGPRSTryes;
    TEdit* etGPRSTryes;
    TLabel* lbetGPRSTimeout;
    TEdit* etGPRSTimeout;
    TLabel* lbetServerTryes;
    TEdit* etServerTryes;
    TLabel* lbetServerTimeout;
    TEdit* etServerTimeout;

    void FormCreate();
    void GroupBox3MouseMove(QObject* Sender, QPoint Pos);

private:
    std::vector<TFieldMember> Fields() {
        return {PARAM_FIELD_CAPTIONED(cbGPRS, lbcb),
                PARAM_FIELD(etGPRSphone),
                PARAM_FIELD(etAccessPoint),
                PARAM_FIELD(etLoginGPRS),
                PARAM_FIELD(etPswdGPRS),
                PARAM_FIELD(etIp),
                PARAM_FIELD(etPort),
                PARAM_FIELD(etPswd),
                PARAM_FIELD(etGPRSTryes),
                PARAM_FIELD(etGPRSTimeout),
                PARAM_FIELD(etServerTryes),
                PARAM_FIELD(etServerTimeout)};
    }
};
