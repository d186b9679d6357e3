#include "pages/f_inout.h"

#include <QGridLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "pages/HintWindow.h"
#include "pages/PageLayout.h"
#include "pages/PageOps.h"
#include "queue/Protocol.h"
#include "toolkit/TextUtil.h"

namespace {
constexpr int InputTag = 27;
constexpr int PowerTag = 28;
constexpr int ModeTag = 29;
constexpr int FirstRevisionWithMode3 = 41;
const char* const PowerCaption = "Питание";
const char* const Input5Caption = "Вход 5";

// Grid columns of the input rows.
enum {
    colLeftLabel,
    colLeftBox,
    colLeftCode,
    colRightLabel,
    colRightBox,
    colRightCode,
    colRadio,
    colRadioLabel,
    colRest
};
} // namespace

TformInOut::TformInOut(TForm* Owner, QWidget* Parent) : TParamPage(Owner, "formInOut", Parent) {
    auto* background = NewBackgroundPanel(this, nullptr);
    auto* column = new QVBoxLayout(background);

    GroupBox2 = new TGroupBox(this, "GroupBox2", background);
    GroupBox2->SetCaption("Управление входами");
    auto* grid = new QGridLayout(GroupBox2);
    lbVost = NewCaption(this, "lbVost", "Восстановление", GroupBox2);
    lbSrab = NewCaption(this, "lbSrab", "Срабатывание", GroupBox2);
    grid->addWidget(lbVost, 0, colLeftBox, 1, 2);
    grid->addWidget(lbSrab, 0, colRightBox, 1, 2);

    TLabel** rowLabels[] = {&lb1, &lb2, &lb3, &lb4, &lb5, &lb6, &lb7, &lb8, &lb9, &lb10};
    TCheckBox** boxes[] = {&CheckBox3, &CheckBox4, &CheckBox5,  &CheckBox6,  &CheckBox7,
                           &CheckBox8, &CheckBox9, &CheckBox10, &CheckBox11, &CheckBox12};
    TEdit** codes[] = {&Edit1, &Edit2, &Edit3, &Edit4, &Edit5,
                       &Edit6, &Edit7, &Edit8, &Edit9, &Edit10};
    const char* const inputs[RowCount] = {"Вход 1", "Вход 2", "Вход 3", "Вход 4", PowerCaption};
    for (int k = 0; k < RowCount; ++k) {
        const std::string row = std::to_string(k + 1);
        for (int side = 0; side < 2; ++side) {
            const int cell = 2 * k + side; // 0-based: left cells even, right cells odd
            const int labelNo = cell + 1;
            const int boxNo = cell + 3;
            auto* label =
                NewCaption(this, ("lb" + std::to_string(labelNo)).c_str(), inputs[k], GroupBox2);
            auto* box = NewParamCheckBox(this, ("CheckBox" + std::to_string(boxNo)).c_str(),
                                         k < 4 ? InputTag : PowerTag, false, GroupBox2);
            auto* code = NewParamEdit(this, ("Edit" + std::to_string(labelNo)).c_str(), InputTag,
                                      (side == 0 ? "11200100" : "31200100") + row, GroupBox2);
            code->SetVisible(false);
            SetFieldChars(code, 10);
            const int col = side == 0 ? colLeftLabel : colRightLabel;
            grid->addWidget(label, k + 1, col, Qt::AlignRight | Qt::AlignVCenter);
            grid->addWidget(box, k + 1, col + 1);
            grid->addWidget(code, k + 1, col + 2);
            *rowLabels[cell] = FRowLabels[labelNo] = label;
            *boxes[cell] = FCheckBoxes[boxNo] = box;
            *codes[cell] = FEdits[labelNo] = code;
            box->OnMouseUp = [this](QObject* s, Qt::MouseButton b, QPoint p) {
                CheckBox3MouseUp(s, b, p);
            };
            code->OnChange = [this](QObject* s) { Edit1Change(s); };
        }
    }

    TRadioButton** radios[] = {&RadioButton1, &RadioButton2, &RadioButton3};
    TLabel** radioLabels[] = {&lbrb1, &lbrb2, &lbrb3};
    for (int m = 0; m < 3; ++m) {
        const std::string n = std::to_string(m + 1);
        auto* radio = new TRadioButton(this, "RadioButton" + n, GroupBox2);
        radio->SetTag(ModeTag);
        radio->SetHint(QueueWord::Bool(m == 0));
        *radios[m] = radio;
        *radioLabels[m] = NewCaption(this, ("lbrb" + n).c_str(), "Режим " + n, GroupBox2);
        (*radioLabels[m])->setBuddy(radio);
        grid->addWidget(radio, m + 3, colRadio);
        grid->addWidget(*radioLabels[m], m + 3, colRadioLabel);
    }
    RadioButton1->SetChecked(true);
    grid->setColumnMinimumWidth(colRadio, 24);
    grid->setColumnStretch(colRest, 1);
    column->addWidget(GroupBox2);

    gbOut = new TGroupBox(this, "gbOut", background);
    gbOut->SetCaption("Управление выходами");
    TFieldRows outputs(gbOut);
    lbcb2 = NewCaption(this, "lbcb2", "Выход 1", gbOut);
    CheckBox2 = NewParamCheckBox(this, "CheckBox2", 25, false, gbOut);
    outputs.Add(lbcb2, CheckBox2);
    lbcb1 = NewCaption(this, "lbcb1", "Выход 2", gbOut);
    CheckBox1 = NewParamCheckBox(this, "CheckBox1", 26, false, gbOut);
    outputs.Add(lbcb1, CheckBox1);
    lbbtnSET = NewCaption(this, "lbbtnSET", "Установить", gbOut);
    btnSET = new TButton(this, "btnSET", gbOut);
    btnSET->SetIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    btnSET->SetDefault(true);
    outputs.Add(lbbtnSET, btnSET);
    outputs.Finish();
    FCheckBoxes[1] = CheckBox1;
    FCheckBoxes[2] = CheckBox2;
    column->addWidget(gbOut);
    column->addStretch(1);

    for (TCheckBox* box : {CheckBox1, CheckBox2})
        box->OnMouseUp = [this](QObject* s, Qt::MouseButton b, QPoint p) {
            CheckBox3MouseUp(s, b, p);
        };
    RadioButton1->OnMouseUp = [this](QObject* s, Qt::MouseButton b, QPoint p) {
        RadioButton1MouseUp(s, b, p);
    };
    for (TRadioButton* radio : {RadioButton2, RadioButton3})
        radio->OnMouseUp = [this](QObject* s, Qt::MouseButton b, QPoint p) {
            RadioButton2MouseUp(s, b, p);
        };
    const auto showHint = [this](QObject* s, QPoint p) { CheckBox3MouseMove(s, p); };
    for (int n = 1; n <= 12; ++n)
        FCheckBoxes[n]->OnMouseMove = showHint;
    for (int n = 1; n <= 10; ++n)
        FEdits[n]->OnMouseMove = showHint;
    for (TRadioButton* radio : {RadioButton1, RadioButton2, RadioButton3})
        radio->OnMouseMove = showHint;
    for (TGroupBox* box : {GroupBox2, gbOut})
        box->OnMouseMove = [this](QObject* s, QPoint p) { GroupBox2MouseMove(s, p); };
    background->OnMouseMove = [this](QObject* s, QPoint p) { ScrollBox1MouseMove(s, p); };
    ScrollBox1->OnMouseMove = [this](QObject* s, QPoint p) { ScrollBox1MouseMove(s, p); };
    btnSET->OnClick = [this](QObject* s) { Button1Click(s); };
    ScrollBox1->SetContent(background);
    FormCreate();
}

TCheckBox* TformInOut::CheckBoxN(int number) const {
    return number >= 1 && number <= 12 ? FCheckBoxes[number] : nullptr;
}

TEdit* TformInOut::EditN(int number) const {
    return number >= 1 && number <= 10 ? FEdits[number] : nullptr;
}

TLabel* TformInOut::RowLabelN(int number) const {
    return number >= 1 && number <= 10 ? FRowLabels[number] : nullptr;
}

void TformInOut::FormCreate() {
    BuildRefValues(rkEdits | rkCheckBoxes | rkRadioButtons);
}

void TformInOut::RadioButton1MouseUp(QObject* Sender, Qt::MouseButton, QPoint) {
    // A press that slid off the button selected nothing.
    if (RadioButton1->Checked())
        EnableInputFlags();
    MarkIfActive(Sender);
}

void TformInOut::RadioButton2MouseUp(QObject* Sender, Qt::MouseButton, QPoint) {
    // The operator's choice of mode 2 or 3 also clears the flags it leaves
    // unused; a mode the unit or a file gives leaves them as they are.
    if (auto* radio = dynamic_cast<TRadioButton*>(Sender); radio && radio->Checked()) {
        DisableInputFlags();
        for (int n = 3; n <= 10; ++n)
            FCheckBoxes[n]->SetChecked(false);
    }
    MarkIfActive(Sender);
}

void TformInOut::CheckBox3MouseUp(QObject* Sender, Qt::MouseButton, QPoint) {
    MarkIfActive(Sender);
}

void TformInOut::Edit1Change(QObject* Sender) {
    MarkIfActive(Sender);
}

void TformInOut::CheckBox3MouseMove(QObject* Sender, QPoint) {
    ShowParameterHint(qobject_cast<QWidget*>(Sender), Services());
}

void TformInOut::GroupBox2MouseMove(QObject*, QPoint) {
    HideParameterHint();
}

void TformInOut::ScrollBox1MouseMove(QObject*, QPoint) {
    HideParameterHint();
}

void TformInOut::Button1Click(QObject*) {
    Services().Post(rqSetOutputs);
}

void TformInOut::EnableInputFlags() {
    for (int n = 3; n <= 10; ++n)
        FCheckBoxes[n]->SetEnabled(true);
}

void TformInOut::DisableInputFlags() {
    for (int n = 3; n <= 10; ++n)
        FCheckBoxes[n]->SetEnabled(false);
}

void TformInOut::ApplyGeneration(bool Extended, int Revision) {
    FGenerationKnown = true;
    for (int n = 1; n <= 10; ++n)
        FEdits[n]->SetVisible(!Extended);
    for (QWidget* w : std::initializer_list<QWidget*>{lbcb1, CheckBox1, RadioButton1, RadioButton2,
                                                      RadioButton3, lbrb1, lbrb2, lbrb3})
        SetControlVisible(w, Extended);
    // The fifth row is the power input (its own parameter, one after the
    // inputs') or a fifth plain input.
    const int powerStep = Extended ? 1 : 0;
    CheckBox11->SetTag(CheckBox9->Tag() % ParameterMark + powerStep);
    CheckBox12->SetTag(CheckBox10->Tag() % ParameterMark + powerStep);
    if (Extended) {
        lb9->SetCaption(PowerCaption);
        lb10->SetCaption(PowerCaption);
    } else {
        lb9->SetCaption(Input5Caption);
        lb10->SetCaption(Input5Caption);
        for (int n = 3; n <= 12; ++n)
            FCheckBoxes[n]->SetEnabled(true);
    }
    if (Revision >= FirstRevisionWithMode3)
        return;
    if (RadioButton3->Checked()) {
        RadioButton3->SetChecked(false);
        RadioButton2->SetChecked(true);
    }
    RadioButton3->SetVisible(false);
    lbrb3->SetVisible(false);
}

void TformInOut::AfterDefaults() {
    EnableInputFlags();
}

std::string TformInOut::ParamCaption(const std::string& Control) const {
    // A cell is named by its row's caption and its column's.
    for (int cell = 0; cell < 2 * RowCount; ++cell) {
        const bool restore = cell % 2 == 0;
        std::string row = FRowLabels[cell + 1]->Caption();
        // Before a unit is known (orbelin-batch's columns, a set loaded
        // offline), the fifth row's boxes are the power input of
        // generations 0 and 2 or the fifth input of generation 1.
        if (cell / 2 == RowCount - 1 && !FGenerationKnown)
            row = std::string(PowerCaption) + " / " + Input5Caption;
        if (SameTextAscii(Control, FCheckBoxes[cell + 3]->Name()))
            return row + ": " + (restore ? "восстановление" : "срабатывание");
        // The code fields are generation 1's, whose fifth row is a fifth
        // input whatever the page shows before a unit is connected.
        if (SameTextAscii(Control, FEdits[cell + 1]->Name()))
            return (cell / 2 == RowCount - 1 ? std::string(Input5Caption) : row) + ": " +
                   (restore ? "код восстановления" : "код срабатывания");
    }
    return TParamPage::ParamCaption(Control);
}
