#pragma once
// The private driver interface behind the serial-port component: one
// implementation per platform (CommBackend_posix.cpp on termios,
// CommBackend_win32.cpp on the Windows communications functions).
//
// Every call that can fail returns the operating system's error number
// (errno or GetLastError) taken right at the failing call, 0 on success; the
// component turns it into its own error codes.
//
// Threading: the component's owner thread makes every call, except that
// QueueStatus may also come from the event thread, and the event waiter is
// used by the event thread (its Stop from any thread).

#include <cstdint>
#include <memory>
#include <string>

#include "serial/CommControlBlock.h"
#include "serial/WakeSignal.h"

enum class TWaitResult {
    Ready,   // the awaited condition holds
    Timeout, // the time ran out first
    Failed,  // the port hung up or failed; the error number says how
};

enum class TModemLine { RTS, DTR };

// Waits for line events on behalf of the event thread. Stop is the stop
// event: once signalled, Wait returns Stopped at once, now and later.
class TCommEventWaiter {
public:
    enum class TResult { Events, Stopped, Failed };

    virtual ~TCommEventWaiter() = default;
    // Blocks until one of the events in the device's event mask happened
    // (their bits in Mask), the stop event was signalled, or the wait failed.
    virtual TResult Wait(std::uint32_t& Mask) = 0;
    virtual void Stop() = 0;
};

class TCommBackend {
public:
    virtual ~TCommBackend() = default;

    // A closed backend of this platform.
    static std::unique_ptr<TCommBackend> Create();
    // The largest queue size the component accepts on this system.
    static std::uint16_t MaxQueueSize();

    // Opens the named device for exclusive reading and writing; fails for
    // anything that is not a serial device.
    virtual int Open(const std::string& DeviceName) = 0;
    // Closes an open device, putting back what opening it changed. Never fails.
    virtual void Close() = 0;

    virtual int SetState(const TCommControlBlock& Block) = 0;
    virtual int GetState(TCommControlBlock& Block) = 0;
    // Discards both queues (aborting transfers under way) and asks for queues
    // of the given sizes.
    virtual int SetupQueues(std::uint32_t InputSize, std::uint32_t OutputSize) = 0;
    // The queue sizes the driver reports; 0 where it reports none.
    virtual int GetQueueSizes(std::uint32_t& InputSize, std::uint32_t& OutputSize) = 0;
    virtual int SetTimeouts(const TCommTimeoutValues& Timeouts) = 0;
    virtual int GetTimeouts(TCommTimeoutValues& Timeouts) = 0;
    // Bytes waiting in the input and output queues; also clears a pending
    // line-error state where the driver keeps one.
    virtual int QueueStatus(std::uint32_t& InQueue, std::uint32_t& OutQueue) = 0;

    // One transfer each: moves what the driver takes or holds now, at most
    // Count bytes, and never waits for more. Done may be 0.
    virtual int ReadSome(void* Buffer, std::uint32_t Count, std::uint32_t& Done) = 0;
    virtual int WriteSome(const void* Buffer, std::uint32_t Count, std::uint32_t& Done) = 0;

    // Blocks until input is queued, the time is up, Wake (when given) is
    // raised, or the port has hung up or failed (then Error holds the
    // reason). A raised Wake ends the wait as Timeout.
    virtual TWaitResult WaitForInput(int TimeoutMs, int& Error,
                                     const TWakeSignal* Wake = nullptr) = 0;
    // Blocks until the driver may take more output, for at most TimeoutMs.
    // Backlog is how many bytes must leave the output queue before the
    // caller's limit allows another write (0 when the driver itself refused).
    virtual void WaitForOutputRoom(int TimeoutMs, std::uint32_t Backlog) = 0;

    virtual int SetModemLine(TModemLine Line, bool On) = 0;

    virtual int SetEventMask(std::uint32_t Mask) = 0;
    virtual std::unique_ptr<TCommEventWaiter> CreateEventWaiter() = 0;
};
