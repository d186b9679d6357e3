// The component's settings objects. Each stores its values while the port is
// closed, re-applies its part at once while it is open, and reads back what
// the driver currently holds while open.

#include <algorithm>

#include "serial/CommBackend.h"
#include "serial/XComDrv.h"

TDataBits TCommDataControl::DataBits() const {
    TCommControlBlock b;
    if (FComm.DriverBlock(b))
        return static_cast<TDataBits>(std::clamp<int>(b.ByteSize, 4, 8) - 4);
    return FDataBits;
}

void TCommDataControl::SetDataBits(TDataBits Value) {
    if (Value == FDataBits)
        return;
    FDataBits = Value;
    if (FComm.Connected())
        FComm.ApplyState();
}

TParity TCommDataControl::Parity() const {
    TCommControlBlock b;
    return FComm.DriverBlock(b) ? b.Parity : FParity;
}

void TCommDataControl::SetParity(TParity Value) {
    if (Value == FParity)
        return;
    FParity = Value;
    if (FComm.Connected())
        FComm.ApplyState();
}

TStopBits TCommDataControl::StopBits() const {
    TCommControlBlock b;
    return FComm.DriverBlock(b) ? b.StopBits : FStopBits;
}

void TCommDataControl::SetStopBits(TStopBits Value) {
    if (Value == FStopBits)
        return;
    FStopBits = Value;
    if (FComm.Connected())
        FComm.ApplyState();
}

std::uint16_t TCommBuffers::Clamp(std::uint16_t Value) {
    return std::clamp<std::uint16_t>(Value, 128, TCommBackend::MaxQueueSize());
}

std::uint16_t TCommBuffers::InputSize() const {
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    if (FComm.Connected() && FComm.FBackend->GetQueueSizes(in, out) == 0 && in != 0)
        return static_cast<std::uint16_t>(std::min<std::uint32_t>(in, 0xFFFF));
    return FInputSize;
}

void TCommBuffers::SetInputSize(std::uint16_t Value) {
    Value = Clamp(Value);
    if (Value == FInputSize)
        return;
    FInputSize = Value;
    if (FComm.Connected())
        FComm.ApplyBuffers();
}

std::uint16_t TCommBuffers::OutputSize() const {
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    if (FComm.Connected() && FComm.FBackend->GetQueueSizes(in, out) == 0 && out != 0)
        return static_cast<std::uint16_t>(std::min<std::uint32_t>(out, 0xFFFF));
    return FOutputSize;
}

void TCommBuffers::SetOutputSize(std::uint16_t Value) {
    Value = Clamp(Value);
    if (Value == FOutputSize)
        return;
    FOutputSize = Value;
    if (FComm.Connected())
        FComm.ApplyBuffers();
}

char TCommEventChars::Get(std::uint8_t TEventCharValues::*Field,
                          std::uint8_t TCommControlBlock::*Driver) const {
    TCommControlBlock b;
    return static_cast<char>(FComm.DriverBlock(b) ? b.*Driver : FChars.*Field);
}

void TCommEventChars::Set(std::uint8_t TEventCharValues::*Field, char Value) {
    const auto byte = static_cast<std::uint8_t>(Value);
    if (FChars.*Field == byte)
        return;
    FChars.*Field = byte;
    if (FComm.Connected())
        FComm.ApplyState();
}

char TCommEventChars::XonChar() const {
    return Get(&TEventCharValues::XonChar, &TCommControlBlock::XonChar);
}
void TCommEventChars::SetXonChar(char Value) {
    Set(&TEventCharValues::XonChar, Value);
}
char TCommEventChars::XoffChar() const {
    return Get(&TEventCharValues::XoffChar, &TCommControlBlock::XoffChar);
}
void TCommEventChars::SetXoffChar(char Value) {
    Set(&TEventCharValues::XoffChar, Value);
}
char TCommEventChars::EofChar() const {
    return Get(&TEventCharValues::EofChar, &TCommControlBlock::EofChar);
}
void TCommEventChars::SetEofChar(char Value) {
    Set(&TEventCharValues::EofChar, Value);
}
char TCommEventChars::ErrorChar() const {
    return Get(&TEventCharValues::ErrorChar, &TCommControlBlock::ErrorChar);
}
void TCommEventChars::SetErrorChar(char Value) {
    Set(&TEventCharValues::ErrorChar, Value);
}
char TCommEventChars::EventChar() const {
    return Get(&TEventCharValues::EventChar, &TCommControlBlock::EvtChar);
}
void TCommEventChars::SetEventChar(char Value) {
    Set(&TEventCharValues::EventChar, Value);
}

std::uint32_t TCommTimeoutsEx::Get(std::uint32_t TCommTimeoutValues::*Field) const {
    TCommTimeoutValues driver;
    if (FComm.Connected() && FComm.FBackend->GetTimeouts(driver) == 0)
        return driver.*Field;
    return FValues.*Field;
}

void TCommTimeoutsEx::Set(std::uint32_t TCommTimeoutValues::*Field, std::uint32_t Value) {
    if (FValues.*Field == Value)
        return;
    FValues.*Field = Value;
    if (FComm.Connected())
        FComm.ApplyTimeouts();
}
