#include "serial/ConnectDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "serial/PortList.h"

TdlgConnect::TdlgConnect(TForm* Owner)
    : TForm(Owner, "dlgConnect", Owner), OKBtn(new TButton(this, "OKBtn")),
      CancelBtn(new TButton(this, "CancelBtn")), ComPorts(new TComboBox(this, "ComPorts")),
      Phones(new TComboBox(this, "Phones")), Label1(new TLabel(this, "Label1")),
      Label2(new TLabel(this, "Label2")), cbRegWait(new TCheckBox(this, "cbRegWait")),
      PortSource(ListSerialPortInfo) {
    SetBorder(TFormBorder::Dialog);
    SetPosition(TFormPosition::ScreenCenter);
    SetCaption("Соединение");

    OKBtn->SetCaption("OK");
    OKBtn->SetModalResult(mrOk);
    OKBtn->SetDefault(true);
    OKBtn->OnClick = [this](QObject* sender) { OKBtnClick(sender); };
    CancelBtn->SetCaption("Отмена");
    CancelBtn->SetModalResult(mrCancel);
    CancelBtn->SetCancel(true);

    ComPorts->SetSorted(true);
    ComPorts->setMinimumWidth(144);
    ComPorts->OnDropDown = [this](QObject* sender) { ComPortsDropDown(sender); };
    Phones->setMinimumWidth(143);

    Label1->SetCaption("Подключиться через");
    Label2->SetCaption("Телефон");
    Label2->SetAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cbRegWait->SetCaption("Ждать регистрации в сети GSM?");
    cbRegWait->setLayoutDirection(Qt::RightToLeft); // caption left of the box
    cbRegWait->SetChecked(true);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(ComPorts, 0, 1);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Phones, 1, 1);
    grid->addWidget(cbRegWait, 2, 0, 1, 2, Qt::AlignLeft | Qt::AlignAbsolute);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addStretch(1);
    grid->addLayout(buttons, 3, 0, 1, 2);

    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, ComPorts);
    setTabOrder(ComPorts, Phones);
    setTabOrder(Phones, cbRegWait);
    OKBtn->setFocus();
}

// The field keeps what it holds (a port typed by hand or remembered from
// the last session) unless the operator picks another entry: opening the
// list to look, then closing it, must not change the port. A port the list
// has is its chosen entry; an empty field takes the first port.
void TdlgConnect::ComPortsDropDown(QObject*) {
    const std::string typed = ComPorts->Text();
    ComPorts->ClearItems();
    for (const TPortInfo& port : PortSource())
        ComPorts->SetItemNote(ComPorts->AddItem(port.Name), port.Note);
    if (const int listed = ComPorts->IndexOf(typed); listed >= 0)
        ComPorts->SetItemIndex(listed);
    else if (typed.empty() && ComPorts->ItemCount() > 0)
        ComPorts->SetItemIndex(0);
}

void TdlgConnect::OKBtnClick(QObject*) {
    const std::string number = Phones->Text();
    if (number.empty() || Phones->IndexOf(number) >= 0)
        return;
    // A history that grew past its limit (two settings files loaded one after
    // the other) is cut back too, so that it never holds more than five.
    while (Phones->ItemCount() >= MaxPhoneHistory)
        Phones->DeleteItem(Phones->ItemCount() - 1);
    Phones->InsertItem(0, number);
}
