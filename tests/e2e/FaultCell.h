#pragma once
// One cell of the fault matrix: the real main window against the simulated
// unit on a pseudo-terminal (behind a simulated GSM modem for the operations
// over a data call), one fault struck at one point of one operation, and
// what the operator then sees, in words. Every cell also checks what must
// hold whatever the fault: the operation ends within the time the program
// promises, the window ends up either connected or back to Disconnected with
// its link thread gone, a later connection works, and "current.ini" is
// complete when the window closes.
//
// Threading: GUI thread.

#include <string>
#include <vector>

enum class TFault {
    NoAnswer,   // the unit swallows the command
    Error,      // "ERROR" instead of the reply
    NoOk,       // the reply without its closing "OK"
    Late,       // the reply after the program has given up on it
    Garbage,    // NUL and 0xFF bytes instead of the reply
    LongLine,   // 100 KiB without a line end instead of the reply
    NoCarrier,  // "NO CARRIER" while the reply is awaited
    LineDrop,   // the far end closes the line (pseudo-terminal master closed)
    PortVanish, // the adapter is pulled (the port's descriptor is hung up)
    Silent,     // the unit swallows the command and every one after it
};

enum class TOperation {
    ConnectCable,
    ConnectModem,
    ReadPage,
    WritePage,
    ReadAll,
    WriteAll,
    ConsoleRead,
    IdleDataCall,
};

const std::vector<TFault>& AllFaults();
const std::vector<TOperation>& AllOperations();
// The row and column names of the table.
std::string FaultName(TFault Fault);
std::string OperationName(TOperation Operation);
// Where the fault strikes during the operation, for the table's legend.
std::string StrikePoint(TOperation Operation);

struct TCellResult {
    std::string Text;                  // the cell as the table shows it
    std::vector<std::string> Failures; // what every cell must hold and this one did not
    long long Ms = 0;                  // how long the struck operation took
    long long PromiseMs = 0;           // the longest it may take
};

TCellResult RunCell(TFault Fault, TOperation Operation);
