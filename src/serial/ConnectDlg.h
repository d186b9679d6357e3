#pragma once
// TdlgConnect: the dialog that asks for the serial port, the phone number of
// the unit (empty for a cable connection) and whether to wait for the GSM
// network registration. The port list is read afresh each time it drops
// down; the phone box keeps a history of the last five numbers, newest first.
//
// Threading: GUI thread.

#include <functional>
#include <string>
#include <vector>

#include "serial/PortList.h"
#include "toolkit/Controls.h"

class TdlgConnect : public TForm {
public:
    explicit TdlgConnect(TForm* Owner);

    TButton* OKBtn;
    TButton* CancelBtn;
    TComboBox* ComPorts;
    TComboBox* Phones;
    TLabel* Label1;
    TLabel* Label2;
    TCheckBox* cbRegWait;

    static constexpr int MaxPhoneHistory = 5;

    // Rebuilds the port list; the field keeps its port (an empty one takes
    // the first listed).
    void ComPortsDropDown(QObject* Sender);
    // Records the phone number in the history.
    void OKBtnClick(QObject* Sender);

    // Where the ports come from: the machine's serial ports, each with what
    // the system knows of it.
    std::function<std::vector<TPortInfo>()> PortSource;
};
