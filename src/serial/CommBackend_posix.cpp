// The serial driver on a POSIX terminal device (termios, Linux).
//
// What has no termios counterpart is kept as set and reported back: queue
// sizes, the five driver timeouts, the XON/XOFF limits, the error, event and
// end-of-file characters and the tolerance flags. DTR/DSR flow control has no
// counterpart either; asking for it fails instead of silently running without
// the protection it promises.

#include "serial/CommBackend.h"
#include "serial/CommSpeed.h"
#include "serial/XComErr.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

// errno after a failed call, never 0 (a failure must stay a failure).
int LastError() {
    return errno != 0 ? errno : EIO;
}

// The modem lines are a property of real serial hardware: a pseudo-terminal
// answers "no such operation", which is no fault of the line settings.
bool NoModemLines(int err) {
    return err == EINVAL || err == ENOTTY;
}

int RemainingMs(TClock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now()).count();
    return left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
}

class TPosixBackend;

// Edge-triggered epoll reports a received character once per arrival, like
// the Windows event mask; level-triggered poll would report the same unread
// bytes again and again while the link thread has not taken them yet.
class TPosixEventWaiter final : public TCommEventWaiter {
public:
    TPosixEventWaiter(int portFd, const std::atomic<std::uint32_t>& eventMask)
        : FEventMask(eventMask) {
        FEpoll = epoll_create1(EPOLL_CLOEXEC);
        FStop = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (FEpoll < 0 || FStop < 0)
            return;
        epoll_event port{};
        port.events = EPOLLIN | EPOLLET;
        port.data.fd = portFd;
        epoll_event stop{};
        stop.events = EPOLLIN;
        stop.data.fd = FStop;
        FReady = epoll_ctl(FEpoll, EPOLL_CTL_ADD, portFd, &port) == 0 &&
                 epoll_ctl(FEpoll, EPOLL_CTL_ADD, FStop, &stop) == 0;
    }

    ~TPosixEventWaiter() override {
        if (FEpoll >= 0)
            close(FEpoll);
        if (FStop >= 0)
            close(FStop);
    }

    TResult Wait(std::uint32_t& Mask) override {
        if (!FReady)
            return TResult::Failed;
        for (;;) {
            epoll_event events[2];
            const int n = epoll_wait(FEpoll, events, 2, -1);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return TResult::Failed;
            }
            bool hungUp = false;
            bool received = false;
            for (int i = 0; i < n; ++i) {
                if (events[i].data.fd == FStop)
                    return TResult::Stopped;
                if (events[i].events & (EPOLLERR | EPOLLHUP))
                    hungUp = true;
                else if (events[i].events & EPOLLIN)
                    received = true;
            }
            if (hungUp)
                return TResult::Failed;
            const std::uint32_t charBit = TDeviceEvents{deChar}.Bits();
            if (received && (FEventMask.load() & charBit)) {
                Mask = charBit;
                return TResult::Events;
            }
        }
    }

    void Stop() override {
        if (FStop < 0)
            return;
        const std::uint64_t one = 1;
        // The counter only has to become non-zero; a full counter already is.
        (void)!write(FStop, &one, sizeof one);
    }

private:
    const std::atomic<std::uint32_t>& FEventMask;
    int FEpoll = -1;
    int FStop = -1;
    bool FReady = false;
};

class TPosixBackend final : public TCommBackend {
public:
    ~TPosixBackend() override { Close(); }

    int Open(const std::string& DeviceName) override {
        if (DeviceName.empty())
            return ENOENT;
        const std::string path =
            DeviceName.find('/') == std::string::npos ? "/dev/" + DeviceName : DeviceName;
        const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return LastError();
        struct stat st {};
        if (fstat(fd, &st) != 0) {
            const int err = LastError();
            close(fd);
            return err;
        }
        if (!S_ISCHR(st.st_mode) || !isatty(fd)) {
            close(fd);
            return ENOTTY;
        }
        // TIOCEXCL keeps other users out, but not root; the lock does.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno == EWOULDBLOCK ? EBUSY : LastError();
            close(fd);
            return err;
        }
        if (ioctl(fd, TIOCEXCL) != 0 || tcgetattr(fd, &FOriginal) != 0) {
            const int err = LastError();
            ioctl(fd, TIOCNXCL);
            close(fd);
            return err;
        }
        FFd = fd;
        FBlock = TCommControlBlock{};
        FTimeouts = TCommTimeoutValues{};
        return 0;
    }

    void Close() override {
        if (FFd < 0)
            return;
        // A line that has hung up refuses both; there is nothing left to restore then.
        tcsetattr(FFd, TCSANOW, &FOriginal);
        ioctl(FFd, TIOCNXCL);
        close(FFd);
        FFd = -1;
    }

    int SetState(const TCommControlBlock& b) override {
        termios t{};
        if (tcgetattr(FFd, &t) != 0)
            return LastError();
        tcflag_t size = 0;
        switch (b.ByteSize) {
        case 5:
            size = CS5;
            break;
        case 6:
            size = CS6;
            break;
        case 7:
            size = CS7;
            break;
        case 8:
            size = CS8;
            break;
        default:
            return EINVAL; // termios has no 4-bit characters
        }
        // Like a UART: a second stop bit on 5-bit characters is one and a half,
        // and one and a half exists for 5-bit characters only.
        const bool fiveBits = b.ByteSize == 5;
        if ((b.StopBits == sb1p5 && !fiveBits) || (b.StopBits == sb2 && fiveBits))
            return EINVAL;
        if (b.OutxDsrFlow || b.DtrControl == lcHandshake || b.RtsControl == lcToggle)
            return EINVAL;

        t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                       IXANY | INPCK | IGNPAR);
        t.c_oflag &= ~OPOST;
        t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
        t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        t.c_cflag |= CREAD | CLOCAL | size | ParityFlags(b.Parity);
        if (b.StopBits != sb1)
            t.c_cflag |= CSTOPB;
        if (b.OutxCtsFlow || b.RtsControl == lcHandshake)
            t.c_cflag |= CRTSCTS;
        if (b.ParityCheck)
            t.c_iflag |= INPCK;
        if (b.OutX)
            t.c_iflag |= IXON;
        if (b.InX)
            t.c_iflag |= IXOFF;
        t.c_cc[VSTART] = static_cast<cc_t>(b.XonChar);
        t.c_cc[VSTOP] = static_cast<cc_t>(b.XoffChar);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        if (tcsetattr(FFd, TCSANOW, &t) != 0)
            return LastError();
        if (const int err = SetLineSpeed(FFd, b.BaudRate))
            return err;
        // tcsetattr succeeds when any part of the change took: check the framing.
        termios now{};
        if (tcgetattr(FFd, &now) != 0)
            return LastError();
        const tcflag_t framing = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
        if ((now.c_cflag & framing) != (t.c_cflag & framing))
            return EINVAL;

        if (b.DtrControl != lcHandshake)
            if (const int err = SetModemLine(TModemLine::DTR, b.DtrControl == lcEnable);
                err && !NoModemLines(err))
                return err;
        if (b.RtsControl != lcHandshake)
            if (const int err = SetModemLine(TModemLine::RTS, b.RtsControl == lcEnable);
                err && !NoModemLines(err))
                return err;
        FBlock = b;
        return 0;
    }

    int GetState(TCommControlBlock& b) override {
        termios t{};
        if (tcgetattr(FFd, &t) != 0)
            return LastError();
        std::uint32_t speed = 0;
        if (const int err = GetLineSpeed(FFd, speed))
            return err;
        b = FBlock;
        b.BaudRate = speed;
        switch (t.c_cflag & CSIZE) {
        case CS5:
            b.ByteSize = 5;
            break;
        case CS6:
            b.ByteSize = 6;
            break;
        case CS7:
            b.ByteSize = 7;
            break;
        default:
            b.ByteSize = 8;
            break;
        }
        b.Parity = ParityOf(t.c_cflag);
        b.StopBits = !(t.c_cflag & CSTOPB) ? sb1 : b.ByteSize == 5 ? sb1p5 : sb2;
        b.XonChar = t.c_cc[VSTART];
        b.XoffChar = t.c_cc[VSTOP];
        b.ParityCheck = (t.c_iflag & INPCK) != 0;
        b.OutX = (t.c_iflag & IXON) != 0;
        b.InX = (t.c_iflag & IXOFF) != 0;
        // One termios flag stands for both directions of RTS/CTS handshake.
        if (!(t.c_cflag & CRTSCTS)) {
            b.OutxCtsFlow = false;
            if (b.RtsControl == lcHandshake)
                b.RtsControl = lcDisable;
        } else if (!b.OutxCtsFlow && b.RtsControl != lcHandshake) {
            b.OutxCtsFlow = true;
            b.RtsControl = lcHandshake;
        }
        return 0;
    }

    int SetupQueues(std::uint32_t, std::uint32_t) override {
        // The terminal driver's queues have fixed sizes; only the purge is real.
        return tcflush(FFd, TCIOFLUSH) == 0 ? 0 : LastError();
    }

    int GetQueueSizes(std::uint32_t& InputSize, std::uint32_t& OutputSize) override {
        InputSize = 0;
        OutputSize = 0;
        return 0;
    }

    int SetTimeouts(const TCommTimeoutValues& Timeouts) override {
        FTimeouts = Timeouts;
        return 0;
    }

    int GetTimeouts(TCommTimeoutValues& Timeouts) override {
        Timeouts = FTimeouts;
        return 0;
    }

    int QueueStatus(std::uint32_t& InQueue, std::uint32_t& OutQueue) override {
        int in = 0;
        int out = 0;
        if (ioctl(FFd, FIONREAD, &in) != 0 || ioctl(FFd, TIOCOUTQ, &out) != 0)
            return LastError();
        InQueue = static_cast<std::uint32_t>(std::max(in, 0));
        OutQueue = static_cast<std::uint32_t>(std::max(out, 0));
        return 0;
    }

    int ReadSome(void* Buffer, std::uint32_t Count, std::uint32_t& Done) override {
        Done = 0;
        for (;;) {
            const ssize_t n = read(FFd, Buffer, Count);
            if (n > 0) {
                Done = static_cast<std::uint32_t>(n);
                return 0;
            }
            if (n == 0)
                return EIO; // end of file: the line has hung up
            if (errno == EINTR)
                continue;
            return errno == EAGAIN ? 0 : LastError();
        }
    }

    int WriteSome(const void* Buffer, std::uint32_t Count, std::uint32_t& Done) override {
        Done = 0;
        for (;;) {
            const ssize_t n = write(FFd, Buffer, Count);
            if (n >= 0) {
                Done = static_cast<std::uint32_t>(n);
                return 0;
            }
            if (errno == EINTR)
                continue;
            return errno == EAGAIN ? 0 : LastError();
        }
    }

    TWaitResult WaitForInput(int TimeoutMs, int& Error, const TWakeSignal* Wake) override {
        const auto deadline = TClock::now() + std::chrono::milliseconds(std::max(TimeoutMs, 0));
        for (;;) {
            pollfd fds[2] = {{FFd, POLLIN, 0},
                             {Wake ? static_cast<int>(Wake->Native()) : -1, POLLIN, 0}};
            pollfd& p = fds[0];
            const int r = poll(fds, Wake ? 2 : 1, RemainingMs(deadline));
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                Error = LastError();
                return TWaitResult::Failed;
            }
            if (r == 0 || p.revents == 0) // the time is up, or only the wake came
                return TWaitResult::Timeout;
            if (p.revents & POLLNVAL) {
                Error = EBADF;
                return TWaitResult::Failed;
            }
            if (p.revents & (POLLERR | POLLHUP)) {
                // What was received before the hang-up may still be read; after
                // that the line reads as ended. A hung-up terminal refuses the
                // count itself, which gives the system's own word for it.
                int in = 0;
                if (ioctl(FFd, FIONREAD, &in) != 0) {
                    Error = LastError();
                    return TWaitResult::Failed;
                }
                if (in > 0)
                    return TWaitResult::Ready;
                Error = EIO;
                return TWaitResult::Failed;
            }
            return TWaitResult::Ready;
        }
    }

    void WaitForOutputRoom(int TimeoutMs, std::uint32_t Backlog) override {
        pollfd p{FFd, POLLOUT, 0};
        int waitMs = std::max(TimeoutMs, 0);
        if (Backlog > 0) {
            // The driver would take more, but the caller's queue limit says
            // wait: sleep for as long as the line needs to send the excess,
            // still waking at once should the line hang up.
            p.events = 0;
            const std::uint64_t bits = std::uint64_t{Backlog} * CharacterBits() * 1000;
            const std::uint64_t baud = std::max<std::uint32_t>(FBlock.BaudRate, 1);
            waitMs = static_cast<int>(
                std::clamp<std::uint64_t>((bits + baud - 1) / baud, 1, std::uint64_t(waitMs)));
        }
        // An interrupted wait just ends early; the caller measures its own time.
        poll(&p, 1, waitMs);
    }

    int SetModemLine(TModemLine Line, bool On) override {
        int bits = Line == TModemLine::RTS ? TIOCM_RTS : TIOCM_DTR;
        return ioctl(FFd, On ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 0 : LastError();
    }

    int SetEventMask(std::uint32_t Mask) override {
        FEventMask.store(Mask);
        return 0;
    }

    std::unique_ptr<TCommEventWaiter> CreateEventWaiter() override {
        return std::make_unique<TPosixEventWaiter>(FFd, FEventMask);
    }

private:
    static tcflag_t ParityFlags(TParity p) {
        switch (p) {
        case paNone:
            return 0;
        case paOdd:
            return PARENB | PARODD;
        case paEven:
            return PARENB;
        case paMark:
            return PARENB | PARODD | CMSPAR;
        case paSpace:
            return PARENB | CMSPAR;
        }
        return 0;
    }

    static TParity ParityOf(tcflag_t c) {
        if (!(c & PARENB))
            return paNone;
        if (c & CMSPAR)
            return (c & PARODD) ? paMark : paSpace;
        return (c & PARODD) ? paOdd : paEven;
    }

    // Start bit, data bits, parity bit, stop bits.
    std::uint32_t CharacterBits() const {
        return 1u + FBlock.ByteSize + (FBlock.Parity != paNone ? 1u : 0u) +
               (FBlock.StopBits == sb1 ? 1u : 2u);
    }

    int FFd = -1;
    termios FOriginal{};
    TCommControlBlock FBlock;
    TCommTimeoutValues FTimeouts;
    std::atomic<std::uint32_t> FEventMask{0};
};

} // namespace

std::unique_ptr<TCommBackend> TCommBackend::Create() {
    return std::make_unique<TPosixBackend>();
}

// The terminal layer's queues are one page each; a larger limit could never fill.
std::uint16_t TCommBackend::MaxQueueSize() {
    return 4096;
}

std::string CommSystemErrorText(int SystemError) {
    return std::generic_category().message(SystemError);
}

const char* CommSystemErrorKind() {
    return "POSIX";
}

std::string OpenFailureReason(int SystemError) {
    switch (SystemError) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return "нет такого порта";
    case EBUSY: // TIOCEXCL, or the lock another copy of the program holds
        return "порт занят другой программой";
    case ENOTTY:
    case EISDIR:
        return "это не последовательный порт";
    case EACCES:
    case EPERM:
        return "нет доступа к порту (пользователь должен входить в группу dialout)";
    default:
        return {};
    }
}
