#pragma once
// The serial-port component's enumerations, sets and plain records. The order
// of every enumeration is part of the component's published interface.
// Threading: plain value types.

#include <cstdint>
#include <functional>
#include <initializer_list>

// A set of enumeration values, one bit per value (bit i = the value with
// ordinal i).
template <typename E> class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> Items) {
        for (E e : Items)
            FBits |= Bit(e);
    }
    static constexpr TEnumSet FromBits(std::uint32_t Bits) {
        TEnumSet s;
        s.FBits = Bits;
        return s;
    }

    constexpr std::uint32_t Bits() const { return FBits; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
    constexpr TEnumSet& Include(E e) {
        FBits |= Bit(e);
        return *this;
    }
    constexpr TEnumSet& Exclude(E e) {
        FBits &= ~Bit(e);
        return *this;
    }

    friend constexpr TEnumSet operator|(TEnumSet a, TEnumSet b) {
        return FromBits(a.FBits | b.FBits);
    }
    friend constexpr TEnumSet operator&(TEnumSet a, TEnumSet b) {
        return FromBits(a.FBits & b.FBits);
    }
    friend constexpr TEnumSet operator-(TEnumSet a, TEnumSet b) {
        return FromBits(a.FBits & ~b.FBits);
    }
    friend constexpr bool operator==(TEnumSet a, TEnumSet b) = default;

private:
    static constexpr std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
    std::uint32_t FBits = 0;
};

enum TBaudRate : std::uint8_t {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
    brCustom
};

enum TFlowControl : std::uint8_t { fcNone, fcRtsCts, fcDtrDsr, fcSoftware, fcCustom };
enum TDataBits : std::uint8_t { db4, db5, db6, db7, db8 };
enum TParity : std::uint8_t { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits : std::uint8_t { sb1, sb1p5, sb2 };

enum TCommOption : std::uint8_t {
    coAbortOnError,
    coDiscardNull,
    coDSRSensitivity,
    coErrorChar,
    coParityCheck,
    coTXContinueOnXOff,
    coLeaveDTROpen
};
using TCommOptions = TEnumSet<TCommOption>;

// Bit i of a TDeviceEvents value is bit i of the Windows event mask.
enum TDeviceEvent : std::uint8_t {
    deChar,     // a character was received
    deFlag,     // the event character was received
    deOutEmpty, // the output queue ran empty
    deCTS,      // CTS changed
    deDSR,      // DSR changed
    deRLSD,     // the receive-line-signal-detect line changed
    deBreak,    // a break was received
    deError,    // a line-status error
    deRing,     // a ring indication
    dePrintError,
    deIn80Full, // the input queue is 80 % full
    deProv1,
    deProv2
};
using TDeviceEvents = TEnumSet<TDeviceEvent>;

enum TRTSSetting : std::uint8_t { fsCTSOut, fsRTSEnabled, fsRTSHandshake };
using TRTSSettings = TEnumSet<TRTSSetting>;
enum TDTRSetting : std::uint8_t { fsDSROut, fsDTREnabled, fsDTRHandshake };
using TDTRSettings = TEnumSet<TDTRSetting>;
enum TXOnXOffSetting : std::uint8_t { fsInX, fsOutX };
using TXOnXOffSettings = TEnumSet<TXOnXOffSetting>;

// The number each rate stands for, in bits per second (0 for brCustom), and
// the rate whose number that is (brCustom when there is none).
std::uint32_t BaudRateValue(TBaudRate Rate);
TBaudRate BaudRateFromValue(std::uint32_t Value);

class TCustomComm;
using TCommEvent = std::function<void(TCustomComm& Sender, TDeviceEvents Events)>;
using TDataEvent = std::function<void(TCustomComm& Sender, std::uint32_t Received)>;
using TCommNotifyEvent = std::function<void(TCustomComm& Sender)>;
