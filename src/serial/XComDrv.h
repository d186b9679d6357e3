#pragma once
// The serial-port component: TCustomComm, published as TXComm. It opens one
// serial device by name, keeps its line settings in four settings objects and
// a set of properties, applies them to the driver, moves bytes in and out
// with timeouts, and runs an event thread that waits for line events.
// Failures raise EDeviceError (XComErr.h).
//
// Threading: the component belongs to one thread (the link thread), which
// makes every call on it. Its event thread only waits for line events and
// hands them to DispatchEvents; the event handlers OnCommEvent and OnData may
// therefore run on the event thread or, with Synchronize, on whatever thread
// the component's dispatcher chooses. OnRead and OnSend run on the owner
// thread.
// The settings objects belong to their component and follow the same rule.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "serial/CommControlBlock.h"
#include "serial/XComErr.h"
#include "serial/XComTypes.h"

class TWakeSignal;

class TCommBackend;
class TCommEventThread;

// Hands a call over to the user-interface thread. The dispatcher must run
// Call there at some later time, or drop it; it must not run it on a thread
// that the component's owner may be waiting for. The event thread waits for
// the call only until its component closes: a dispatcher that runs the call
// late finds it cancelled, so a user-interface thread that is itself waiting
// for the link thread can never deadlock with the event thread.
using TCommSyncDispatcher = std::function<void(std::function<void()> Call)>;

class TCommDataControl {
public:
    explicit TCommDataControl(TCustomComm& Comm) : FComm(Comm) {}
    TCommDataControl(const TCommDataControl&) = delete;
    TCommDataControl& operator=(const TCommDataControl&) = delete;

    TDataBits DataBits() const;
    void SetDataBits(TDataBits Value);
    TParity Parity() const;
    void SetParity(TParity Value);
    TStopBits StopBits() const;
    void SetStopBits(TStopBits Value);

private:
    friend class TCustomComm;
    TCustomComm& FComm;
    TDataBits FDataBits = db8;
    TParity FParity = paNone;
    TStopBits FStopBits = sb1;
};

// Queue sizes are clamped to 128 .. TCommBackend::MaxQueueSize() when set.
// The two timeouts are the component's own read and write limits.
class TCommBuffers {
public:
    explicit TCommBuffers(TCustomComm& Comm) : FComm(Comm) {}
    TCommBuffers(const TCommBuffers&) = delete;
    TCommBuffers& operator=(const TCommBuffers&) = delete;

    std::uint16_t InputSize() const;
    void SetInputSize(std::uint16_t Value);
    std::uint16_t InputTimeout() const { return FInputTimeout; }
    void SetInputTimeout(std::uint16_t Value) { FInputTimeout = Value; }
    std::uint16_t OutputSize() const;
    void SetOutputSize(std::uint16_t Value);
    std::uint16_t OutputTimeout() const { return FOutputTimeout; }
    void SetOutputTimeout(std::uint16_t Value) { FOutputTimeout = Value; }

private:
    friend class TCustomComm;
    static std::uint16_t Clamp(std::uint16_t Value);
    TCustomComm& FComm;
    std::uint16_t FInputSize = 2048;
    std::uint16_t FInputTimeout = 500;
    std::uint16_t FOutputSize = 2048;
    std::uint16_t FOutputTimeout = 500;
};

class TCommEventChars {
public:
    explicit TCommEventChars(TCustomComm& Comm) : FComm(Comm) {}
    TCommEventChars(const TCommEventChars&) = delete;
    TCommEventChars& operator=(const TCommEventChars&) = delete;

    char XonChar() const;
    void SetXonChar(char Value);
    char XoffChar() const;
    void SetXoffChar(char Value);
    char EofChar() const;
    void SetEofChar(char Value);
    char ErrorChar() const;
    void SetErrorChar(char Value);
    char EventChar() const;
    void SetEventChar(char Value);

private:
    friend class TCustomComm;
    void Set(std::uint8_t TEventCharValues::*Field, char Value);
    char Get(std::uint8_t TEventCharValues::*Field, std::uint8_t TCommControlBlock::*Driver) const;
    TCustomComm& FComm;
    TEventCharValues FChars;
};

class TCommTimeoutsEx {
public:
    explicit TCommTimeoutsEx(TCustomComm& Comm) : FComm(Comm) {}
    TCommTimeoutsEx(const TCommTimeoutsEx&) = delete;
    TCommTimeoutsEx& operator=(const TCommTimeoutsEx&) = delete;

    std::uint32_t ReadInterval() const { return Get(&TCommTimeoutValues::ReadInterval); }
    void SetReadInterval(std::uint32_t Value) { Set(&TCommTimeoutValues::ReadInterval, Value); }
    std::uint32_t ReadMultiplier() const { return Get(&TCommTimeoutValues::ReadMultiplier); }
    void SetReadMultiplier(std::uint32_t Value) { Set(&TCommTimeoutValues::ReadMultiplier, Value); }
    std::uint32_t ReadConstant() const { return Get(&TCommTimeoutValues::ReadConstant); }
    void SetReadConstant(std::uint32_t Value) { Set(&TCommTimeoutValues::ReadConstant, Value); }
    std::uint32_t WriteMultiplier() const { return Get(&TCommTimeoutValues::WriteMultiplier); }
    void SetWriteMultiplier(std::uint32_t Value) {
        Set(&TCommTimeoutValues::WriteMultiplier, Value);
    }
    std::uint32_t WriteConstant() const { return Get(&TCommTimeoutValues::WriteConstant); }
    void SetWriteConstant(std::uint32_t Value) { Set(&TCommTimeoutValues::WriteConstant, Value); }

private:
    friend class TCustomComm;
    std::uint32_t Get(std::uint32_t TCommTimeoutValues::*Field) const;
    void Set(std::uint32_t TCommTimeoutValues::*Field, std::uint32_t Value);
    TCustomComm& FComm;
    TCommTimeoutValues FValues;
};

class TCustomComm {
public:
    TCustomComm();
    virtual ~TCustomComm();
    TCustomComm(const TCustomComm&) = delete;
    TCustomComm& operator=(const TCustomComm&) = delete;

    // 3 when closed; otherwise bit 0 while OnSend runs, bit 1 while OnRead runs.
    virtual std::uint32_t LockState() const;
    virtual void Open();
    virtual void Close();
    bool Connected() const { return FBackend != nullptr; }

    // Bytes waiting in the driver's input / output queue.
    std::uint32_t InQueue();
    std::uint32_t OutQueue();

    // Reads up to Count bytes; the timeout runs only while nothing arrives.
    std::uint32_t Read(void* Buffer, std::uint32_t Count, std::uint32_t TimeoutMs);
    std::uint32_t Read(void* Buffer, std::uint32_t Count);
    bool ReadChar(char& Ch);
    // Writes Count bytes in chunks cut to the free room of the output queue.
    std::uint32_t Write(const void* Buffer, std::uint32_t Count, std::uint32_t TimeoutMs);
    std::uint32_t Write(const void* Buffer, std::uint32_t Count);
    bool WriteString(const std::string& S);

    // Blocks until input is queued (true) or TimeoutMs has passed or Wake
    // (when given) is raised (false), without spinning. A port that has hung
    // up or failed raises code 10 at once instead of reporting input that
    // will never come.
    bool WaitForInput(int TimeoutMs, const TWakeSignal* Wake = nullptr);

    // Raise or drop the RTS / DTR line. A driver without modem lines (a
    // pseudo-terminal) refuses: that raises like any other failure.
    void SetRTS(bool On);
    void SetDTR(bool On);

protected:
    virtual void DoCommEvent(TDeviceEvents Events);
    virtual void DoData(std::uint32_t Received);

    // Closes the port, if open, without raising, and stops the event thread.
    // A class derived from this one calls it first thing in its destructor:
    // once a destructor has begun, the event thread must no longer call the
    // overridable handlers.
    void BeforeDestruction();

    TBaudRate BaudRate() const;
    void SetBaudRate(TBaudRate Value);
    std::uint32_t BaudValue() const;
    void SetBaudValue(std::uint32_t Value);
    TCommBuffers& Buffers() { return FBuffers; }
    const TCommBuffers& Buffers() const { return FBuffers; }
    TRTSSettings RTSSettings() const;
    void SetRTSSettings(TRTSSettings Value);
    TCommDataControl& DataControl() { return FDataControl; }
    const TCommDataControl& DataControl() const { return FDataControl; }
    const std::string& DeviceName() const { return FDeviceName; }
    void SetDeviceName(const std::string& Value);
    TDTRSettings DTRSettings() const;
    void SetDTRSettings(TDTRSettings Value);
    TCommEventChars& EventChars() { return FEventChars; }
    const TCommEventChars& EventChars() const { return FEventChars; }
    TDeviceEvents MonitorEvents() const;
    void SetMonitorEvents(TDeviceEvents Value);
    TFlowControl FlowControl() const { return FFlowControl; }
    void SetFlowControl(TFlowControl Value);
    TCommOptions Options() const;
    void SetOptions(TCommOptions Value);
    bool Synchronize() const { return FSynchronize.load(); }
    void SetSynchronize(bool Value) { FSynchronize.store(Value); }
    // Used while Synchronize is true. With none (the default) events are
    // handled on the event thread itself. Safe to call from any thread.
    TCommSyncDispatcher SyncDispatcher() const;
    void SetSyncDispatcher(TCommSyncDispatcher Dispatcher);
    TCommTimeoutsEx& Timeouts() { return FTimeouts; }
    const TCommTimeoutsEx& Timeouts() const { return FTimeouts; }
    TXOnXOffSettings XOnXOffSettings() const;
    void SetXOnXOffSettings(TXOnXOffSettings Value);
    TCommEvent OnCommEvent() const;
    void SetOnCommEvent(TCommEvent Handler);
    TDataEvent OnData() const;
    void SetOnData(TDataEvent Handler);
    const TCommNotifyEvent& OnRead() const { return FOnRead; }
    void SetOnRead(TCommNotifyEvent Handler) { FOnRead = std::move(Handler); }
    const TCommNotifyEvent& OnSend() const { return FOnSend; }
    void SetOnSend(TCommNotifyEvent Handler) { FOnSend = std::move(Handler); }

private:
    friend class TCommDataControl;
    friend class TCommBuffers;
    friend class TCommEventChars;
    friend class TCommTimeoutsEx;
    friend class TCommEventThread;

    void ApplyState();
    void ApplyBuffers();
    void ApplyTimeouts();
    void SyncFlowSettings();
    // The driver's current control block; false when closed or unreadable.
    bool DriverBlock(TCommControlBlock& Block) const;
    void DispatchEvents(TDeviceEvents Events);
    void CloseDevice();
    std::uint32_t TransferRead(void* Buffer, std::uint32_t Count);
    std::uint32_t TransferWrite(const void* Buffer, std::uint32_t Count);

    std::unique_ptr<TCommBackend> FBackend;
    std::unique_ptr<TCommEventThread> FEventThread;
    std::atomic<bool> FOpen{false};
    std::atomic<bool> FDestroying{false};
    std::uint32_t FBusy = 0;

    TBaudRate FBaudRate = br9600;
    std::uint32_t FBaudValue = 9600;
    TCommBuffers FBuffers{*this};
    TCommDataControl FDataControl{*this};
    std::string FDeviceName = "COM2";
    TDTRSettings FDTRSettings;
    TCommEventChars FEventChars{*this};
    std::atomic<std::uint32_t> FMonitorEvents{TDeviceEvents{deChar, deFlag, deOutEmpty}.Bits()};
    TFlowControl FFlowControl = fcNone;
    TCommOptions FOptions;
    TRTSSettings FRTSSettings;
    std::atomic<bool> FSynchronize{true};
    TCommTimeoutsEx FTimeouts{*this};
    TXOnXOffSettings FXOnXOffSettings;

    // OnCommEvent, OnData and the dispatcher are read by the event thread.
    mutable std::mutex FHandlerMutex;
    TCommEvent FOnCommEvent;
    TDataEvent FOnData;
    TCommSyncDispatcher FSyncDispatcher;
    TCommNotifyEvent FOnRead;
    TCommNotifyEvent FOnSend;
};

// The component as its users see it: every property published.
class TXComm : public TCustomComm {
public:
    TXComm() = default;
    ~TXComm() override { BeforeDestruction(); }

    using TCustomComm::BaudRate;
    using TCustomComm::BaudValue;
    using TCustomComm::Buffers;
    using TCustomComm::DataControl;
    using TCustomComm::DeviceName;
    using TCustomComm::DTRSettings;
    using TCustomComm::EventChars;
    using TCustomComm::FlowControl;
    using TCustomComm::MonitorEvents;
    using TCustomComm::OnCommEvent;
    using TCustomComm::OnData;
    using TCustomComm::OnRead;
    using TCustomComm::OnSend;
    using TCustomComm::Options;
    using TCustomComm::RTSSettings;
    using TCustomComm::SetBaudRate;
    using TCustomComm::SetBaudValue;
    using TCustomComm::SetDeviceName;
    using TCustomComm::SetDTRSettings;
    using TCustomComm::SetFlowControl;
    using TCustomComm::SetMonitorEvents;
    using TCustomComm::SetOnCommEvent;
    using TCustomComm::SetOnData;
    using TCustomComm::SetOnRead;
    using TCustomComm::SetOnSend;
    using TCustomComm::SetOptions;
    using TCustomComm::SetRTSSettings;
    using TCustomComm::SetSyncDispatcher;
    using TCustomComm::SetSynchronize;
    using TCustomComm::SetXOnXOffSettings;
    using TCustomComm::SyncDispatcher;
    using TCustomComm::Synchronize;
    using TCustomComm::Timeouts;
    using TCustomComm::XOnXOffSettings;
};
