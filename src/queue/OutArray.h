#pragma once
// TOutArray: the one channel through which the link thread changes the user
// interface. A ring of 1024 slots numbered 1..1024; the link thread posts, the
// GUI thread takes and applies.
//
// Threading: exactly one producer thread calls the Post* operations, exactly
// one consumer thread calls PeekKind/Take. No lock on the common path: the
// producer publishes a slot with a release store of FWriteIndex, the consumer
// reads FWriteIndex with acquire before it reads the slot.
//
// When 1023 elements are pending the ring is full; further posts go to an
// overflow list (under a mutex, the rare path) that is handed out after the
// ring, so nothing is lost or reordered and the producer never waits for the
// consumer.
//
// The consumer is woken, not polling: the first post after the consumer's
// WakeTaken calls the wake-up function once, so a burst of posts costs one
// wake-up. The consumer calls WakeTaken before it takes; a post after that
// wakes it again, so nothing is left pending unseen.

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "queue/OutElement.h"
#include "queue/Protocol.h"
#include "toolkit/Colors.h"

class TOutArray {
public:
    static constexpr std::int32_t SlotCount = 1024;

    TOutArray();
    ~TOutArray();
    TOutArray(const TOutArray&) = delete;
    TOutArray& operator=(const TOutArray&) = delete;

    // Consumer side.
    std::uint8_t PeekKind() const;
    // Hands out the next element (nullptr and 0 when empty). The element stays
    // valid until the next Take that finds something; the caller never frees it.
    std::uint8_t Take(TOutElement*& Element);
    // The consumer is about to take what is pending.
    void WakeTaken();

    // Producer side.
    void PostMemo(const std::string& Text, bool ToMemo, bool WithTime);
    void PostControlText(TControlRef Control, const std::string& Text);
    void PostControlColor(TControlRef Control, TColor Color);
    void PostStatus(const std::string& Text, TControlRef Panel);
    void PostMsg(const std::string& Text);
    void PostEvent(TUnitEvent Event);
    // The command words of a control text element (Protocol.h).
    void PostClick(TControlRef Button) { PostControlText(Button, QueueWord::Click); }
    void PostEnabled(TControlRef Control, bool On) {
        PostControlText(Control, QueueWord::Bool(On));
    }
    void PostShow(TControlRef Form) { PostControlText(Form, QueueWord::Show); }
    void PostRepaint(TControlRef Window) { PostControlText(Window, QueueWord::Repaint); }
    // Wakes the consumer as a post does, for what the producer hands over
    // beside the ring (published before this call).
    void WakeUp();

    // How the consumer is woken: called on the producer's thread, so it must
    // be safe there. Set before any producer runs; none: no wake-ups.
    void SetWakeUp(std::function<void()> WakeUp) { FWakeUp = std::move(WakeUp); }

    // Observers (tests, diagnostics).
    std::int32_t ReadIndex() const { return FReadIndex.load(std::memory_order_acquire); }
    std::int32_t WriteIndex() const { return FWriteIndex.load(std::memory_order_acquire); }
    std::size_t OverflowCount() const { return FOverflowSize.load(std::memory_order_acquire); }

private:
    static std::int32_t Next(std::int32_t i) { return i == SlotCount ? 1 : i + 1; }
    void Post(std::unique_ptr<TOutElement> e);
    bool TryPushRing(std::unique_ptr<TOutElement>& e); // producer only
    TOutElement* TakeFromRing(std::int32_t r);         // consumer only

    std::array<TOutElement*, SlotCount + 1> FItems{}; // slot 0 unused
    std::atomic<std::int32_t> FReadIndex{1};
    std::atomic<std::int32_t> FWriteIndex{1};

    mutable std::mutex FOverflowMutex;
    std::deque<std::unique_ptr<TOutElement>> FOverflow;
    std::atomic<std::size_t> FOverflowSize{0};

    std::unique_ptr<TOutElement> FHandedOut; // consumer only

    std::function<void()> FWakeUp;
    // A wake-up was sent and the consumer has not yet called WakeTaken.
    std::atomic<bool> FWakePending{false};
};
