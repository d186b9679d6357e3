#pragma once
// TformPhones: up to five engineering phone numbers, ten national digits
// each. The fields keep digits only (a pasted international prefix is
// dropped), at most ten; the rule lamps light up the rule an entry breaks.
// While "Отключить инженерные номера" is checked the fields are disabled,
// whichever way the box got checked (a click, a settings file, a read).
//
// Threading: GUI thread; AllNumbersValid from any thread (snapshots); the
// link thread uses the controls, FRefValues and the page flags.

#include "pages/SettingsPage.h"

class TformPhones : public TParamPage {
public:
    static constexpr int NumberCount = 5;
    static constexpr int NumberDigits = 10;

    explicit TformPhones(TForm* Owner = nullptr, QWidget* Parent = nullptr);

    TGroupBox* GroupBox1;
    TStaticText* StaticText1;
    TStaticText* StaticText3;
    TLabel* Label1;
    TCheckBox* cbPhonesOff;
    TLabel* lbetPhone1;
    TEdit* etPhone1;
    TLabel* lbetPhone2;
    TEdit* etPhone2;
    TLabel* lbetPhone3;
    TEdit* etPhone3;
    TLabel* lbetPhone4;
    TEdit* etPhone4;
    TLabel* lbetPhone5;
    TEdit* etPhone5;
    TLabel* Label6;
    TLabel* lbRule1;
    TLabel* lbRule2;
    TLabel* lbRule3;

    // etPhone1 .. etPhone5.
    TEdit* Phone(int Index) const { return FPhones[Index]; }

    void FormCreate();
    void etPhone1KeyPress(QObject* Sender, char32_t& Key);
    void etPhone1Change(QObject* Sender);
    void etPhone1Exit(QObject* Sender);
    void etPhone1MouseMove(QObject* Sender, QPoint Pos);
    void GroupBox1MouseMove(QObject* Sender, QPoint Pos);
    void cbPhonesOffClick(QObject* Sender);

    // Rule 1: ten digits; rule 2: digits only.
    void HighlightRule(int Rule);
    // No number has between 1 and 9 characters, or the numbers are off.
    bool AllNumbersValid() const;
    void SetContentVisible(bool Visible) override;

private:
    TEdit* FPhones[NumberCount];
};
