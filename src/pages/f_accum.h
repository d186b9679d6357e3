#pragma once
// TformAcc: the hour (Greenwich time) of the unit's battery test, whether the
// test is on, and the unit's present power source as last read.
//
// Threading: GUI thread; the link thread uses the controls' snapshots, tags,
// FRefValues and the page flags (see TParamPage).

#include "pages/SettingsPage.h"

class TformAcc : public TParamPage {
public:
    explicit TformAcc(TForm* Owner = nullptr, QWidget* Parent = nullptr);

    TGroupBox* GroupBox3;
    TLabel* lbseACCCheckTime;
    TSpinEdit* seACCCheckTime;
    TLabel* lbcbAccTest;
    TCheckBox* cbAccTest;
    TLabel* Label12;
    TPanel* pPowerState;

    void FormCreate();
    void GroupBox3MouseMove(QObject* Sender, QPoint Pos);
    void SetContentVisible(bool Visible) override;

private:
    std::vector<TFieldMember> Fields() {
        return {PARAM_FIELD(seACCCheckTime), PARAM_FIELD(cbAccTest)};
    }
};
