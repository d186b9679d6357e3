#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

#include "queue/OutArray.h"

namespace {

std::string TextOf(TOutElement* e) {
    switch (e->Kind) {
    case okMemo:
        return static_cast<TMemoOut*>(e)->Text;
    case okControl:
    case okColor:
        return static_cast<TControlOut*>(e)->Text;
    case okMsg:
        return static_cast<TMsgOut*>(e)->Text;
    case okStatus:
        return static_cast<TStatusOut*>(e)->Text;
    }
    return {};
}

// Takes everything pending, returning the texts in order.
std::vector<std::string> Drain(TOutArray& q) {
    std::vector<std::string> out;
    TOutElement* e = nullptr;
    while (q.PeekKind() != 0) {
        q.Take(e);
        out.push_back(TextOf(e));
    }
    return out;
}

} // namespace

TEST(OutArray, FreshRingIsEmpty) {
    TOutArray q;
    TOutElement* e = reinterpret_cast<TOutElement*>(0x1);
    EXPECT_EQ(q.PeekKind(), 0);
    EXPECT_EQ(q.Take(e), 0);
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(q.ReadIndex(), 1);
    EXPECT_EQ(q.WriteIndex(), 1);
}

TEST(OutArray, TakeReleasesThePreviousElementOnlyWhenItHandsOutANewOne) {
    const long base = TOutElement::LiveCount();
    {
        TOutArray q;
        TOutElement* e = nullptr;
        q.PostMsg("one");
        EXPECT_EQ(q.Take(e), okMsg); // nothing released before
        EXPECT_EQ(TOutElement::LiveCount(), base + 1);
        EXPECT_EQ(q.Take(e), 0); // empty: "one" stays alive
        EXPECT_EQ(TOutElement::LiveCount(), base + 1);
        q.PostMsg("two");
        q.Take(e);
        EXPECT_EQ(TextOf(e), "two");
        EXPECT_EQ(TOutElement::LiveCount(), base + 1); // "one" released
    }
    EXPECT_EQ(TOutElement::LiveCount(), base);
}

TEST(OutArray, OneLapAroundTheRingWrapsFrom1024To1) {
    TOutArray q;
    TOutElement* e = nullptr;
    const long base = TOutElement::LiveCount();
    for (int i = 1; i <= 1024; ++i) {
        EXPECT_EQ(q.WriteIndex(), i);
        q.PostMemo(std::to_string(i), true, false);
        ASSERT_EQ(q.Take(e), okMemo);
        EXPECT_EQ(TextOf(e), std::to_string(i));
    }
    EXPECT_EQ(q.WriteIndex(), 1);
    EXPECT_EQ(q.ReadIndex(), 1);
    EXPECT_EQ(TOutElement::LiveCount(), base + 1); // only slot 1024's element is alive
    q.PostMemo("after wrap", true, false);
    q.Take(e);
    EXPECT_EQ(TextOf(e), "after wrap");
    EXPECT_EQ(TOutElement::LiveCount(), base + 1); // slot 1024's element was released
}

TEST(OutArray, PendingElementsComeOutInOrderUpToAndBeyondTheRing) {
    for (int count : {1023, 1024, 5000}) {
        TOutArray q;
        for (int i = 0; i < count; ++i)
            q.PostMemo(std::to_string(i), true, false);
        if (count > 1023) {
            EXPECT_EQ(q.OverflowCount(), static_cast<size_t>(count - 1023));
        }
        const auto got = Drain(q);
        ASSERT_EQ(got.size(), static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(got[i], std::to_string(i)) << "count " << count;
        EXPECT_EQ(q.OverflowCount(), 0u);
    }
}

TEST(OutArray, OverflowDrainsInOrderWhilePostingContinues) {
    TOutArray q;
    int next = 0, expected = 0;
    TOutElement* e = nullptr;
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 700; ++i)
            q.PostMemo(std::to_string(next++), false, false);
        for (int i = 0; i < 500 && q.Take(e); ++i)
            ASSERT_EQ(TextOf(e), std::to_string(expected++));
    }
    for (const auto& t : Drain(q))
        ASSERT_EQ(t, std::to_string(expected++));
    EXPECT_EQ(expected, next);
}

TEST(OutArray, HandedOutElementStaysIntactWhileProducerPosts) {
    TOutArray q;
    TOutElement* e = nullptr;
    q.PostControlText(nullptr, "held");
    q.Take(e);
    for (int i = 0; i < 3000; ++i)
        q.PostMemo("x", true, false);
    EXPECT_EQ(TextOf(e), "held");
    EXPECT_EQ(e->Kind, okControl);
}

TEST(OutArray, PostingOperationsFillTheirElements) {
    TOutArray q;
    TOutElement* e = nullptr;
    auto* ctl = reinterpret_cast<TControlRef>(0x1234);
    q.PostMemo("plain", false, false);
    q.PostMemo("stamped", true, true);
    q.PostControlColor(ctl, 0x0000FF);
    q.PostControlColor(ctl, 0x00123456);
    q.PostStatus("REV 07", ctl);
    q.PostEvent({.Kind = TUnitEvent::TKind::LinkFailed,
                 .Text = "нет такого порта",
                 .Subject = "COM7",
                 .Failure = TLinkFailure::PortNotOpened});

    ASSERT_EQ(q.Take(e), okMemo);
    EXPECT_EQ(static_cast<TMemoOut*>(e)->Text, "plain");
    EXPECT_FALSE(static_cast<TMemoOut*>(e)->ToMemo);
    ASSERT_EQ(q.Take(e), okMemo);
    EXPECT_TRUE(static_cast<TMemoOut*>(e)->ToMemo);
    EXPECT_TRUE(std::regex_match(static_cast<TMemoOut*>(e)->Text,
                                 std::regex(R"(\d\d\.\d\d\.\d{4} \d{1,2}:\d\d:\d\d stamped)")));
    ASSERT_EQ(q.Take(e), okColor);
    EXPECT_EQ(static_cast<TControlOut*>(e)->Text, "clRed");
    EXPECT_EQ(static_cast<TControlOut*>(e)->Control, ctl);
    ASSERT_EQ(q.Take(e), okColor);
    EXPECT_EQ(static_cast<TControlOut*>(e)->Text, "$00123456");
    ASSERT_EQ(q.Take(e), okStatus);
    EXPECT_EQ(static_cast<TStatusOut*>(e)->Panel, ctl);
    // The reason travels as its code and the system's words; the
    // operator's text is made from them where it is shown.
    ASSERT_EQ(q.Take(e), okEvent);
    const TUnitEvent& failed = static_cast<TEventOut*>(e)->Event;
    EXPECT_EQ(failed.Failure, TLinkFailure::PortNotOpened);
    EXPECT_EQ(LinkFailureText(failed), "Ошибка при открытии COM-порта: COM7 — нет такого порта");
    EXPECT_EQ(q.PeekKind(), 0);
}

// A burst of posts wakes the consumer once; once it has looked (WakeTaken),
// the next post, or a hand-over beside the ring, wakes it again.
TEST(OutArray, ABurstOfPostsWakesTheConsumerOnce) {
    TOutArray q;
    int wakes = 0;
    q.SetWakeUp([&wakes] { ++wakes; });
    for (int i = 0; i < 3000; ++i) // past the ring: the overflow list too
        q.PostMemo("x", false, false);
    EXPECT_EQ(wakes, 1);
    q.WakeTaken();
    EXPECT_EQ(Drain(q).size(), 3000u);
    EXPECT_EQ(wakes, 1);
    q.PostMsg("next");
    q.PostMsg("and the next");
    EXPECT_EQ(wakes, 2);
    q.WakeTaken();
    q.WakeUp();
    q.WakeUp();
    EXPECT_EQ(wakes, 3);
}

// One producer and one consumer hammering the ring, the consumer taking only
// when woken: everything arrives once, in order, no post is left without a
// wake-up, and the handed-out element is never touched by the producer.
// ThreadSanitizer checks the ordering in the sanitizer run.
TEST(OutArray, TwoThreadStressKeepsOrderAndLosesNothing) {
    const long base = TOutElement::LiveCount();
    constexpr int kCount = 200000;
    {
        TOutArray q;
        std::mutex lock;
        std::condition_variable woken;
        int wakes = 0;
        q.SetWakeUp([&] {
            std::lock_guard hold(lock);
            ++wakes;
            woken.notify_one();
        });
        std::thread producer([&] {
            for (int i = 0; i < kCount; ++i) {
                q.PostMemo(std::to_string(i), (i & 1) != 0, false);
                if (i % 5000 == 0)
                    std::this_thread::yield();
            }
        });
        int expected = 0, seen = 0;
        TOutElement* e = nullptr;
        while (expected < kCount) {
            {
                std::unique_lock hold(lock);
                ASSERT_TRUE(
                    woken.wait_for(hold, std::chrono::minutes(1), [&] { return wakes != seen; }))
                    << "posted without a wake-up: " << expected << " of " << kCount;
                seen = wakes;
            }
            q.WakeTaken();
            while (q.Take(e) != 0) {
                const auto* m = static_cast<TMemoOut*>(e);
                ASSERT_EQ(m->Text, std::to_string(expected));
                ASSERT_EQ(m->ToMemo, (expected & 1) != 0);
                ++expected;
            }
        }
        producer.join();
        EXPECT_EQ(q.PeekKind(), 0);
    }
    EXPECT_EQ(TOutElement::LiveCount(), base);
}
