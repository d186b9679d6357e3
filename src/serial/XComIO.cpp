// TCustomComm: queue counts, the read and write loops, waiting for input,
// the modem lines and the hand-over of line events.
//
// The loops keep their time limits but never spin: when nothing can move they
// block in the driver until something can or the limit is reached.

#include <algorithm>
#include <chrono>

#include "serial/CommBackend.h"
#include "serial/XComDrv.h"

namespace {

using TClock = std::chrono::steady_clock;

// Milliseconds a loop may still wait before more than TimeoutMs have passed
// since Start; 0 when that moment has come.
int WaitBudgetMs(TClock::time_point Start, std::uint32_t TimeoutMs) {
    const auto end = Start + std::chrono::milliseconds(std::uint64_t{TimeoutMs} + 1);
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - TClock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
}

} // namespace

std::uint32_t TCustomComm::InQueue() {
    if (!Connected())
        throw EDeviceError::FromCode(ecNotOpened);
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    // A port that can no longer say what it holds has failed for reading:
    // report it, or a caller polling the count would wait forever.
    if (const int err = FBackend->QueueStatus(in, out))
        throw EDeviceError::WithSystemError(ecReadFailed, err);
    return in;
}

std::uint32_t TCustomComm::OutQueue() {
    if (!Connected())
        throw EDeviceError::FromCode(ecNotOpened);
    std::uint32_t in = 0;
    std::uint32_t out = 0;
    if (const int err = FBackend->QueueStatus(in, out))
        throw EDeviceError::WithSystemError(ecWriteFailed, err);
    return out;
}

std::uint32_t TCustomComm::TransferRead(void* Buffer, std::uint32_t Count) {
    std::uint32_t done = 0;
    if (const int err = FBackend->ReadSome(Buffer, Count, done))
        throw EDeviceError::WithSystemError(ecReadFailed, err);
    return done;
}

std::uint32_t TCustomComm::TransferWrite(const void* Buffer, std::uint32_t Count) {
    std::uint32_t done = 0;
    if (const int err = FBackend->WriteSome(Buffer, Count, done))
        throw EDeviceError::WithSystemError(ecWriteFailed, err);
    return done;
}

std::uint32_t TCustomComm::Read(void* Buffer, std::uint32_t Count, std::uint32_t TimeoutMs) {
    if (!Connected())
        throw EDeviceError::FromCode(ecNotOpened);
    if (LockState() & 2)
        throw EDeviceError::FromCode(ecReadLocked);
    if (Count == 0)
        return 0;
    auto* p = static_cast<unsigned char*>(Buffer);
    std::uint32_t done = 0;
    const auto start = TClock::now();
    while (done < Count) {
        if (const std::uint32_t queued = InQueue()) {
            const std::uint32_t got = TransferRead(p + done, std::min(queued, Count - done));
            done += got;
            FBusy |= 2;
            if (got != 0 && FOnRead) {
                try {
                    FOnRead(*this);
                } catch (...) {
                    FBusy &= ~2u;
                    throw;
                }
            }
            FBusy &= ~2u;
            continue;
        }
        const int budget = WaitBudgetMs(start, TimeoutMs);
        if (budget == 0)
            break;
        int err = 0;
        if (FBackend->WaitForInput(budget, err) == TWaitResult::Failed)
            throw EDeviceError::WithSystemError(ecReadFailed, err);
    }
    return done;
}

std::uint32_t TCustomComm::Read(void* Buffer, std::uint32_t Count) {
    return Read(Buffer, Count, FBuffers.InputTimeout());
}

bool TCustomComm::ReadChar(char& Ch) {
    return Read(&Ch, 1) == 1;
}

std::uint32_t TCustomComm::Write(const void* Buffer, std::uint32_t Count, std::uint32_t TimeoutMs) {
    if (!Connected())
        throw EDeviceError::FromCode(ecNotOpened);
    if (LockState() & 1)
        throw EDeviceError::FromCode(ecSendLocked);
    if (Count == 0)
        return 0;
    const auto* p = static_cast<const unsigned char*>(Buffer);
    std::uint32_t done = 0;
    const auto start = TClock::now();
    while (done < Count) {
        const std::uint32_t queued = OutQueue();
        const std::uint32_t limit = FBuffers.OutputSize();
        // A driver with a larger queue of its own may hold more than the limit.
        const std::uint32_t room = queued < limit ? limit - queued : 0;
        std::uint32_t sent = 0;
        if (room != 0) {
            sent = TransferWrite(p + done, std::min(room, Count - done));
            DispatchEvents(TDeviceEvents{deOutEmpty});
        }
        if (sent != 0) {
            done += sent;
            FBusy |= 1;
            if (FOnSend) {
                try {
                    FOnSend(*this);
                } catch (...) {
                    FBusy &= ~1u;
                    throw;
                }
            }
            FBusy &= ~1u;
            continue;
        }
        const int budget = WaitBudgetMs(start, TimeoutMs);
        if (budget == 0)
            break;
        FBackend->WaitForOutputRoom(budget, room != 0 ? 0 : queued - limit + 1);
    }
    return done;
}

std::uint32_t TCustomComm::Write(const void* Buffer, std::uint32_t Count) {
    return Write(Buffer, Count, FBuffers.OutputTimeout());
}

bool TCustomComm::WriteString(const std::string& S) {
    const auto count = static_cast<std::uint32_t>(S.size());
    return Write(S.data(), count) == count;
}

bool TCustomComm::WaitForInput(int TimeoutMs, const TWakeSignal* Wake) {
    if (InQueue() != 0)
        return true;
    int err = 0;
    switch (FBackend->WaitForInput(TimeoutMs, err, Wake)) {
    case TWaitResult::Ready:
        return true;
    case TWaitResult::Timeout:
        return false;
    case TWaitResult::Failed:
        break;
    }
    throw EDeviceError::WithSystemError(ecReadFailed, err);
}

void TCustomComm::SetRTS(bool On) {
    if (!Connected())
        throw EDeviceError::FromCode(ecNotOpened);
    if (const int err = FBackend->SetModemLine(TModemLine::RTS, On))
        throw EDeviceError::WithSystemError(ecUpdateControlBlock, err);
}

void TCustomComm::SetDTR(bool On) {
    if (!Connected())
        throw EDeviceError::FromCode(ecNotOpened);
    if (const int err = FBackend->SetModemLine(TModemLine::DTR, On))
        throw EDeviceError::WithSystemError(ecUpdateControlBlock, err);
}

void TCustomComm::DispatchEvents(TDeviceEvents Events) {
    if (!FOpen.load() || FDestroying.load())
        return;
    DoCommEvent(Events);
}

void TCustomComm::DoCommEvent(TDeviceEvents Events) {
    if (Events.Contains(deChar) || Events.Contains(deFlag))
        DoData(InQueue());
    const TCommEvent handler = OnCommEvent();
    const TDeviceEvents monitored = Events & MonitorEvents();
    if (handler && !monitored.Empty())
        handler(*this, monitored);
}

void TCustomComm::DoData(std::uint32_t Received) {
    if (const TDataEvent handler = OnData())
        handler(*this, Received);
}
