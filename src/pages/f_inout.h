#pragma once
// TformInOut: which events of the unit's four inputs and its power input the
// unit reports (restore and trigger columns), the input mode, and the two
// outputs, set on demand. Generation-1 units have five plain inputs with a
// nine-digit event code per cell and one output (ApplyGeneration). In modes
// 2 and 3 the inputs' event flags are unused: they are disabled, and cleared
// when the operator picks such a mode (a unit's flags stay as it holds them).
//
// Threading: GUI thread; the link thread uses the controls' snapshots, tags,
// FRefValues and the page flags (see TParamPage).

#include <atomic>

#include "pages/SettingsPage.h"

class TformInOut : public TParamPage {
public:
    static constexpr int RowCount = 5;

    explicit TformInOut(TForm* Owner = nullptr, QWidget* Parent = nullptr);

    TGroupBox* GroupBox2;
    TLabel* lbVost;
    TLabel* lbSrab;
    TLabel *lb1, *lb2, *lb3, *lb4, *lb5, *lb6, *lb7, *lb8, *lb9, *lb10;
    TCheckBox *CheckBox3, *CheckBox4, *CheckBox5, *CheckBox6, *CheckBox7, *CheckBox8, *CheckBox9,
        *CheckBox10, *CheckBox11, *CheckBox12;
    TEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10;
    TRadioButton* RadioButton1;
    TLabel* lbrb1;
    TRadioButton* RadioButton2;
    TLabel* lbrb2;
    TRadioButton* RadioButton3;
    TLabel* lbrb3;
    TGroupBox* gbOut;
    TLabel* lbcb2;
    TCheckBox* CheckBox2; // output 1
    TLabel* lbcb1;
    TCheckBox* CheckBox1; // output 2
    TLabel* lbbtnSET;
    TButton* btnSET;

    // By the number in the name: CheckBox1 .. CheckBox12, Edit1 .. Edit10, lb1 .. lb10.
    TCheckBox* CheckBoxN(int Number) const;
    TEdit* EditN(int Number) const;
    TLabel* RowLabelN(int Number) const;

    void FormCreate();
    void RadioButton1MouseUp(QObject* Sender, Qt::MouseButton Button, QPoint Pos);
    void RadioButton2MouseUp(QObject* Sender, Qt::MouseButton Button, QPoint Pos);
    void CheckBox3MouseUp(QObject* Sender, Qt::MouseButton Button, QPoint Pos);
    void Edit1Change(QObject* Sender);
    void CheckBox3MouseMove(QObject* Sender, QPoint Pos);
    void GroupBox2MouseMove(QObject* Sender, QPoint Pos);
    void ScrollBox1MouseMove(QObject* Sender, QPoint Pos);
    void Button1Click(QObject* Sender);

    // Inputs 1 to 4, both columns: usable again (mode 1), or disabled
    // (modes 2 and 3) with their values kept.
    void EnableInputFlags();
    void DisableInputFlags();
    // Extended: four inputs plus power, the mode selector and both outputs;
    // otherwise five inputs with their codes and one output. Firmware
    // revisions up to 40 know no mode 3.
    void ApplyGeneration(bool Extended, int Revision);

    void AfterDefaults() override;
    // The input cells by row and column ("Вход 1: восстановление").
    std::string ParamCaption(const std::string& Control) const override;

private:
    // Whether a unit has told its generation: before that, the fifth row
    // is named for both of its meanings. Read by the link thread too.
    std::atomic<bool> FGenerationKnown{false};
    TCheckBox* FCheckBoxes[13] = {};
    TEdit* FEdits[11] = {};
    TLabel* FRowLabels[11] = {};
};
