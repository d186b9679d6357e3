#include "pages/f_phones.h"

#include <QVBoxLayout>

#include "pages/HintWindow.h"
#include "pages/PageLayout.h"
#include "pages/PhoneDigits.h"
#include "params/ParamTable.h"
#include "params/SampleData.h"
#include "queue/Protocol.h"
#include "toolkit/TextUtil.h"

namespace {
bool IsShortNumber(const std::string& text) {
    const std::size_t length = TrimBlanks(text).size();
    return length >= 1 && length < static_cast<std::size_t>(TformPhones::NumberDigits);
}
} // namespace

TformPhones::TformPhones(TForm* Owner, QWidget* Parent) : TParamPage(Owner, "formPhones", Parent) {
    GroupBox1 = new TGroupBox(this, "GroupBox1");
    GroupBox1->SetCaption("Инженерные номера");
    auto* column = new QVBoxLayout(GroupBox1);

    StaticText1 = new TStaticText(this, "StaticText1", GroupBox1);
    StaticText1->SetCaption("   Для использования инженерного номера необходимо ввести "
                            "10-значный номер телефона.      Например, для телефонного номера");
    StaticText1->setWordWrap(true);
    column->addWidget(StaticText1);

    StaticText3 = new TStaticText(this, "StaticText3", GroupBox1);
    StaticText3->SetCaption(std::string(" ") + SamplePhoneInternational);
    StaticText3->SetFontStyle(fsUnderline);
    Label1 = NewCaption(this, "Label1", std::string(" следует ввести ") + SamplePhoneNational,
                        GroupBox1);
    Label1->SetFontStyle(fsBold);
    Label1->SetFontColor(clBlue);
    auto* sample = new QHBoxLayout;
    sample->setSpacing(0);
    sample->addWidget(StaticText3);
    sample->addWidget(Label1);
    sample->addStretch(1);
    column->addLayout(sample);

    cbPhonesOff = new TCheckBox(this, "cbPhonesOff", GroupBox1);
    cbPhonesOff->SetCaption("Отключить инженерные номера");
    cbPhonesOff->SetHint(QueueWord::True);
    cbPhonesOff->SetChecked(true);
    column->addWidget(cbPhonesOff);

    auto* numbers = new QGridLayout;
    TLabel** labels[NumberCount] = {&lbetPhone1, &lbetPhone2, &lbetPhone3, &lbetPhone4,
                                    &lbetPhone5};
    TEdit** fields[NumberCount] = {&etPhone1, &etPhone2, &etPhone3, &etPhone4, &etPhone5};
    for (int i = 0; i < NumberCount; ++i) {
        const std::string n = std::to_string(i + 1);
        *labels[i] = NewCaption(this, ("lbetPhone" + n).c_str(), "Номер " + n, GroupBox1);
        const std::string name = "etPhone" + n;
        TEdit* field = NewParamEdit(this, name.c_str(), ParamTag(pgPhones, name),
                                    SamplePhoneNational, GroupBox1);
        // Ten digits at most: typing stops there (etPhone1KeyPress), and a
        // longer paste reaches the change handler whole, so that a number in
        // international form keeps all its national digits.
        field->SetKeyFilter(TKeyFilter::Digits);
        field->SetEnabled(false);
        SetFieldChars(field, NumberDigits + 2);
        field->OnKeyPress = [this](QObject* s, char32_t& k) { etPhone1KeyPress(s, k); };
        field->OnChange = [this](QObject* s) { etPhone1Change(s); };
        field->OnExit = [this](QObject* s) { etPhone1Exit(s); };
        field->OnMouseMove = [this](QObject* s, QPoint p) { etPhone1MouseMove(s, p); };
        *fields[i] = field;
        FPhones[i] = field;
        (*labels[i])->setBuddy(field);
        numbers->addWidget(*labels[i], i, 0, Qt::AlignRight | Qt::AlignVCenter);
        numbers->addWidget(field, i, 1, Qt::AlignLeft | Qt::AlignVCenter);
    }
    numbers->setColumnStretch(2, 1);
    column->addLayout(numbers);

    Label6 = NewCaption(this, "Label6", "Правила ввода телефонных номеров:", GroupBox1);
    lbRule1 =
        NewCaption(this, "lbRule1",
                   std::string("  1. Телефонный номер должен состоять из 10 цифр, например ") +
                       SamplePhoneNational,
                   GroupBox1);
    lbRule2 = NewCaption(this, "lbRule2", "  2. Телефонный номер должен содержать только цифры",
                         GroupBox1);
    lbRule3 = NewCaption(this, "lbRule3",
                         "  3. Если Ваш номер телефона не удовлетворяет приведенным выше "
                         "условиям, то установите опцию \"Отключить инженерные номера\" и "
                         "свяжитесь с разработчиком.",
                         GroupBox1);
    column->addWidget(Label6);
    for (TLabel* rule : {lbRule1, lbRule2, lbRule3})
        rule->SetWordWrap(true);
    column->addWidget(lbRule1);
    column->addWidget(lbRule2);
    column->addWidget(lbRule3);
    column->addStretch(1);

    cbPhonesOff->OnClick = [this](QObject* s) { cbPhonesOffClick(s); };
    GroupBox1->OnMouseMove = [this](QObject* s, QPoint p) { GroupBox1MouseMove(s, p); };
    ScrollBox1->SetContent(GroupBox1);
    FormCreate();
}

void TformPhones::FormCreate() {
    BuildRefValues(rkEdits);
}

void TformPhones::etPhone1KeyPress(QObject* Sender, char32_t& Key) {
    auto* field = dynamic_cast<TEdit*>(Sender);
    if (!field || Key < U'0' || Key > U'9')
        return;
    const qsizetype kept = field->text().size() - field->selectedText().size();
    if (kept >= NumberDigits)
        Key = 0;
}

void TformPhones::etPhone1Change(QObject* Sender) {
    auto* field = dynamic_cast<TEdit*>(Sender);
    if (!field)
        return;
    MarkIfActive(field);
    // A number the unit or a file gives is shown as it is; only what the
    // operator types or pastes is brought into the field's form.
    if (field->ChangingByCode())
        return;
    const TPhoneDigits number = NormalisePhoneDigits(field->Text(), NumberDigits);
    if (number.BrokeDigitsRule)
        HighlightRule(2);
    if (number.Digits != field->Text())
        field->SetText(number.Digits);
}

void TformPhones::etPhone1Exit(QObject* Sender) {
    if (auto* field = dynamic_cast<TEdit*>(Sender); field && IsShortNumber(field->Text()))
        HighlightRule(1);
}

void TformPhones::etPhone1MouseMove(QObject* Sender, QPoint) {
    ShowParameterHint(qobject_cast<QWidget*>(Sender), Services());
}

void TformPhones::GroupBox1MouseMove(QObject*, QPoint) {
    HideParameterHint();
}

void TformPhones::cbPhonesOffClick(QObject*) {
    const bool on = !cbPhonesOff->Checked();
    for (TEdit* field : FPhones)
        field->SetEnabled(on);
}

void TformPhones::HighlightRule(int Rule) {
    if (Rule == 1) {
        lbRule1->SetFontColor(clRed);
        lbRule2->SetFontColor(clWindowText);
    } else if (Rule == 2) {
        lbRule2->SetFontColor(clRed);
        if (AllNumbersValid())
            lbRule1->SetFontColor(clWindowText);
    }
}

bool TformPhones::AllNumbersValid() const {
    if (cbPhonesOff->Checked())
        return true;
    for (const TEdit* field : FPhones)
        if (IsShortNumber(field->Text()))
            return false;
    return true;
}

void TformPhones::SetContentVisible(bool Visible) {
    GroupBox1->SetVisible(Visible);
    ShowEmptyNote(!Visible);
}
