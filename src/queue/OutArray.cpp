#include "queue/OutArray.h"

#include "toolkit/DateTimeText.h"

namespace {
constexpr auto kAcquire = std::memory_order_acquire;
constexpr auto kRelease = std::memory_order_release;
constexpr auto kRelaxed = std::memory_order_relaxed;
} // namespace

TOutArray::TOutArray() = default;

TOutArray::~TOutArray() {
    for (TOutElement* e : FItems)
        delete e;
}

bool TOutArray::TryPushRing(std::unique_ptr<TOutElement>& e) {
    const std::int32_t w = FWriteIndex.load(kRelaxed);
    const std::int32_t r = FReadIndex.load(kAcquire);
    const std::int32_t pending = (w - r + SlotCount) % SlotCount;
    if (pending >= SlotCount - 1)
        return false;
    FItems[w] = e.release();
    FWriteIndex.store(Next(w), kRelease);
    return true;
}

void TOutArray::Post(std::unique_ptr<TOutElement> e) {
    if (FOverflowSize.load(kAcquire) != 0 || !TryPushRing(e)) {
        std::lock_guard lock(FOverflowMutex);
        FOverflow.push_back(std::move(e));
        // Move the oldest waiting elements into the ring while it has room.
        while (!FOverflow.empty() && TryPushRing(FOverflow.front()))
            FOverflow.pop_front();
        FOverflowSize.store(FOverflow.size(), kRelease);
    }
    WakeUp();
}

// Both sides swap the flag (read-modify-write, acquire and release): a post
// whose swap finds it set was published before the consumer's swap that
// clears it, which therefore sees the post; one whose swap finds it clear
// comes after that swap and sends the next wake-up.
void TOutArray::WakeUp() {
    if (FWakeUp && !FWakePending.exchange(true, std::memory_order_acq_rel))
        FWakeUp();
}

void TOutArray::WakeTaken() {
    FWakePending.exchange(false, std::memory_order_acq_rel);
}

std::uint8_t TOutArray::PeekKind() const {
    const std::int32_t r = FReadIndex.load(kRelaxed);
    if (FWriteIndex.load(kAcquire) != r)
        return FItems[r]->Kind;
    if (FOverflowSize.load(kAcquire) == 0)
        return 0;
    std::lock_guard lock(FOverflowMutex);
    if (FWriteIndex.load(kAcquire) != r)
        return FItems[r]->Kind;
    return FOverflow.empty() ? 0 : FOverflow.front()->Kind;
}

TOutElement* TOutArray::TakeFromRing(std::int32_t r) {
    TOutElement* e = FItems[r];
    FItems[r] = nullptr;
    FHandedOut.reset(e); // releases the element handed out before
    FReadIndex.store(Next(r), kRelease);
    return e;
}

std::uint8_t TOutArray::Take(TOutElement*& Element) {
    Element = nullptr;
    const std::int32_t r = FReadIndex.load(kRelaxed);
    if (FWriteIndex.load(kAcquire) != r) {
        Element = TakeFromRing(r);
        return Element->Kind;
    }
    if (FOverflowSize.load(kAcquire) == 0)
        return 0;
    std::lock_guard lock(FOverflowMutex);
    // The producer may have refilled the ring since the test above: those go first.
    if (FWriteIndex.load(kAcquire) != r) {
        Element = TakeFromRing(r);
        return Element->Kind;
    }
    if (FOverflow.empty())
        return 0;
    FHandedOut = std::move(FOverflow.front());
    FOverflow.pop_front();
    FOverflowSize.store(FOverflow.size(), kRelease);
    Element = FHandedOut.get();
    return Element->Kind;
}

void TOutArray::PostMemo(const std::string& Text, bool ToMemo, bool WithTime) {
    Post(std::make_unique<TMemoOut>(WithTime ? DateTimeText() + " " + Text : Text, ToMemo));
}

void TOutArray::PostControlText(TControlRef Control, const std::string& Text) {
    Post(std::make_unique<TControlOut>(okControl, Control, Text));
}

void TOutArray::PostControlColor(TControlRef Control, TColor Color) {
    Post(std::make_unique<TControlOut>(okColor, Control, ColorToString(Color)));
}

void TOutArray::PostStatus(const std::string& Text, TControlRef Panel) {
    Post(std::make_unique<TStatusOut>(Text, Panel));
}

void TOutArray::PostMsg(const std::string& Text) {
    Post(std::make_unique<TMsgOut>(Text));
}

void TOutArray::PostEvent(TUnitEvent Event) {
    Post(std::make_unique<TEventOut>(std::move(Event)));
}
