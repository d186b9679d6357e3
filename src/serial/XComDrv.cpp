// TCustomComm: lifecycle, applying the settings to the driver, and the
// component's own properties. Transfers live in XComIO.cpp, the settings
// objects in XComSettings.cpp.

#include "serial/XComDrv.h"

#include "serial/CommBackend.h"
#include "serial/XComEventThread.h"

TCustomComm::TCustomComm() = default;

TCustomComm::~TCustomComm() {
    BeforeDestruction();
}

void TCustomComm::BeforeDestruction() {
    FDestroying.store(true);
    if (Connected())
        CloseDevice();
}

std::uint32_t TCustomComm::LockState() const {
    return Connected() ? FBusy : 3;
}

void TCustomComm::Open() {
    if (Connected())
        throw EDeviceError::FromCode(ecAlreadyOpened);
    FBusy = 0;
    auto backend = TCommBackend::Create();
    if (const int error = backend->Open(FDeviceName); error != 0)
        throw EDeviceError::CannotOpen(FDeviceName, error);
    FBackend = std::move(backend);
    FOpen.store(true);
    FEventThread = std::make_unique<TCommEventThread>(*this, *FBackend);
    FEventThread->Resume();
    // A failure here leaves the port open, as the owner may fix the setting
    // and carry on, or close.
    ApplyState();
    ApplyBuffers();
    ApplyTimeouts();
}

void TCustomComm::Close() {
    if (!Connected())
        throw EDeviceError::FromCode(ecNotOpened);
    CloseDevice();
}

void TCustomComm::CloseDevice() {
    // The event thread goes first: it uses the device until it has ended.
    FOpen.store(false);
    if (FEventThread) {
        FEventThread->Stop();
        FEventThread.reset();
    }
    FBackend->Close();
    FBackend.reset();
}

void TCustomComm::ApplyState() {
    TCommLineSettings s;
    s.BaudValue = FBaudValue;
    s.DataBits = FDataControl.FDataBits;
    s.Parity = FDataControl.FParity;
    s.StopBits = FDataControl.FStopBits;
    s.InputSize = FBuffers.FInputSize;
    s.Chars = FEventChars.FChars;
    s.RTS = FRTSSettings;
    s.DTR = FDTRSettings;
    s.XOnXOff = FXOnXOffSettings;
    s.Options = FOptions;
    if (FBackend->SetState(BuildControlBlock(s)) != 0)
        throw EDeviceError::FromCode(ecUpdateControlBlock);
}

void TCustomComm::ApplyBuffers() {
    if (FBackend->SetupQueues(FBuffers.FInputSize, FBuffers.FOutputSize) != 0)
        throw EDeviceError::FromCode(ecUpdateBuffers);
}

void TCustomComm::ApplyTimeouts() {
    if (FBackend->SetTimeouts(FTimeouts.FValues) != 0)
        throw EDeviceError::FromCode(ecUpdateTimeouts);
}

void TCustomComm::SyncFlowSettings() {
    const TFlowSettings f = FlowSettingsFor(FFlowControl, FOptions);
    FRTSSettings = f.RTS;
    FDTRSettings = f.DTR;
    FXOnXOffSettings = f.XOnXOff;
}

bool TCustomComm::DriverBlock(TCommControlBlock& Block) const {
    return Connected() && FBackend->GetState(Block) == 0;
}

TBaudRate TCustomComm::BaudRate() const {
    TCommControlBlock b;
    if (FBaudRate != brCustom && DriverBlock(b))
        return BaudRateFromValue(b.BaudRate);
    return FBaudRate;
}

void TCustomComm::SetBaudRate(TBaudRate Value) {
    if (Value == FBaudRate)
        return;
    FBaudRate = Value;
    if (Value != brCustom)
        FBaudValue = BaudRateValue(Value);
    if (Connected())
        ApplyState();
}

std::uint32_t TCustomComm::BaudValue() const {
    TCommControlBlock b;
    return DriverBlock(b) ? b.BaudRate : FBaudValue;
}

void TCustomComm::SetBaudValue(std::uint32_t Value) {
    if (FBaudRate != brCustom || Value == FBaudValue)
        return;
    FBaudValue = Value;
    if (Connected())
        ApplyState();
}

void TCustomComm::SetDeviceName(const std::string& Value) {
    if (!Connected())
        FDeviceName = Value;
}

TRTSSettings TCustomComm::RTSSettings() const {
    TCommControlBlock b;
    return DriverBlock(b) ? DecodeRTSSettings(b) : FRTSSettings;
}

void TCustomComm::SetRTSSettings(TRTSSettings Value) {
    if (FFlowControl != fcCustom || Value == FRTSSettings)
        return;
    FRTSSettings = Value;
    if (Connected())
        ApplyState();
}

TDTRSettings TCustomComm::DTRSettings() const {
    TCommControlBlock b;
    return DriverBlock(b) ? DecodeDTRSettings(b) : FDTRSettings;
}

void TCustomComm::SetDTRSettings(TDTRSettings Value) {
    if (FFlowControl != fcCustom)
        return;
    if (FOptions.Contains(coLeaveDTROpen)) {
        Value.Include(fsDTREnabled);
        Value.Exclude(fsDTRHandshake);
    } else if (Value.Contains(fsDTREnabled) && Value.Contains(fsDTRHandshake)) {
        // DTR is either enabled or under handshake: the newly asked one wins.
        if (FDTRSettings.Contains(fsDTREnabled))
            Value.Exclude(fsDTREnabled);
        else
            Value.Exclude(fsDTRHandshake);
    }
    if (Value == FDTRSettings)
        return;
    FDTRSettings = Value;
    if (Connected())
        ApplyState();
}

TXOnXOffSettings TCustomComm::XOnXOffSettings() const {
    TCommControlBlock b;
    return DriverBlock(b) ? DecodeXOnXOffSettings(b) : FXOnXOffSettings;
}

void TCustomComm::SetXOnXOffSettings(TXOnXOffSettings Value) {
    if (FFlowControl != fcCustom || Value == FXOnXOffSettings)
        return;
    FXOnXOffSettings = Value;
    if (Connected())
        ApplyState();
}

void TCustomComm::SetFlowControl(TFlowControl Value) {
    if (Value == FFlowControl)
        return;
    FFlowControl = Value;
    if (Value == fcCustom)
        return;
    SyncFlowSettings();
    if (Connected())
        ApplyState();
}

TCommOptions TCustomComm::Options() const {
    TCommControlBlock b;
    return DriverBlock(b) ? DecodeOptions(b, FOptions) : FOptions;
}

void TCustomComm::SetOptions(TCommOptions Value) {
    if (Connected()) {
        // Whether DTR stays up is settled for as long as the port is open.
        if (FOptions.Contains(coLeaveDTROpen))
            Value.Include(coLeaveDTROpen);
        else
            Value.Exclude(coLeaveDTROpen);
    }
    if (Value == FOptions)
        return;
    FOptions = Value;
    if (Connected())
        ApplyState();
    else
        SyncFlowSettings();
}

TDeviceEvents TCustomComm::MonitorEvents() const {
    return TDeviceEvents::FromBits(FMonitorEvents.load());
}

void TCustomComm::SetMonitorEvents(TDeviceEvents Value) {
    FMonitorEvents.store(Value.Bits());
}

TCommEvent TCustomComm::OnCommEvent() const {
    std::lock_guard lock(FHandlerMutex);
    return FOnCommEvent;
}

void TCustomComm::SetOnCommEvent(TCommEvent Handler) {
    std::lock_guard lock(FHandlerMutex);
    FOnCommEvent = std::move(Handler);
}

TDataEvent TCustomComm::OnData() const {
    std::lock_guard lock(FHandlerMutex);
    return FOnData;
}

void TCustomComm::SetOnData(TDataEvent Handler) {
    std::lock_guard lock(FHandlerMutex);
    FOnData = std::move(Handler);
}

TCommSyncDispatcher TCustomComm::SyncDispatcher() const {
    std::lock_guard lock(FHandlerMutex);
    return FSyncDispatcher;
}

void TCustomComm::SetSyncDispatcher(TCommSyncDispatcher Dispatcher) {
    std::lock_guard lock(FHandlerMutex);
    FSyncDispatcher = std::move(Dispatcher);
}
