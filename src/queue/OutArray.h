#pragma once
// TOutArray: the one channel through which the link thread changes the user
// interface. A ring of 1024 slots numbered 1..1024; the link thread posts, the
// GUI thread's timer takes and applies.
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

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
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

    // Producer side.
    void PostMemo(const std::string& Text, bool ToMemo, bool WithTime);
    void PostControlText(TControlRef Control, const std::string& Text);
    void PostControlColor(TControlRef Control, TColor Color);
    void PostStatus(const std::string& Text, TControlRef Panel);
    void PostMsg(const std::string& Text);
    // The command words of a control text element (Protocol.h).
    void PostClick(TControlRef Button) { PostControlText(Button, QueueWord::Click); }
    void PostEnabled(TControlRef Control, bool On) {
        PostControlText(Control, QueueWord::Bool(On));
    }
    void PostShow(TControlRef Form) { PostControlText(Form, QueueWord::Show); }
    void PostRepaint(TControlRef Window) { PostControlText(Window, QueueWord::Repaint); }

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
};
