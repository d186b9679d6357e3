#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <atomic>
#include <thread>

#include "WidgetEvents.h"
#include "toolkit/Controls.h"

TEST(KeyFilter, AdmitsOnlyItsCharactersAndKeysThatAreNotText) {
    struct Case {
        TKeyFilter filter;
        const char32_t* admitted;
        const char32_t* refused;
    };
    const Case cases[] = {
        {TKeyFilter::Digits, U"0123456789\b\r\x1B\t", U"+-aAfF \x16\x03я"},
        {TKeyFilter::DigitsPlus, U"09+\b", U"-a \x16"},
        {TKeyFilter::Hex, U"09afAF\b", U"gG+x \x16"},
        {TKeyFilter::None, U"a+\x16я", U""},
    };
    for (const Case& c : cases) {
        for (const char32_t* k = c.admitted; *k; ++k)
            EXPECT_TRUE(KeyFilterAdmits(c.filter, *k)) << int(c.filter) << " " << int(*k);
        for (const char32_t* k = c.refused; *k; ++k)
            EXPECT_FALSE(KeyFilterAdmits(c.filter, *k)) << int(c.filter) << " " << int(*k);
    }
}

TEST(Edit, FilteredFieldTakesTypedDigitsButNoKeyboardPaste) {
    TForm form(nullptr, "formCommon");
    auto* e = new TEdit(&form, "etObjNum");
    e->SetKeyFilter(TKeyFilter::Digits);
    int changes = 0;
    e->OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, e);
        ++changes;
    };
    TypeText(e, "a1-2b3");
    EXPECT_EQ(e->Text(), "123");
    PressKey(e, Qt::Key_Backspace, "\b");
    EXPECT_EQ(e->Text(), "12");

    QGuiApplication::clipboard()->setText("9x9");
    PressKey(e, Qt::Key_V, QString(QChar(0x16)), Qt::ControlModifier);
    PressKey(e, Qt::Key_Insert, {}, Qt::ShiftModifier);
    EXPECT_EQ(e->Text(), "12");
    // The context menu's paste still brings anything in, and is a change.
    const int before = changes;
    e->paste();
    EXPECT_EQ(e->Text(), "129x9");
    EXPECT_GT(changes, before);

    // Without a filter the keyboard paste works as usual.
    auto* free = new TEdit(&form, "etIp");
    PressKey(free, Qt::Key_V, QString(QChar(0x16)), Qt::ControlModifier);
    EXPECT_EQ(free->Text(), "9x9");
}

TEST(Edit, MaxLengthLimitsTypingAndPastingButNotCode) {
    TForm form(nullptr, "formRecords");
    auto* e = new TEdit(&form, "etAddr");
    e->SetMaxLength(5);
    TypeText(e, "1234567");
    EXPECT_EQ(e->Text(), "12345");
    // Typing in the middle of a full field changes nothing.
    e->setCursorPosition(2);
    TypeText(e, "9");
    EXPECT_EQ(e->Text(), "12345");

    // A paste keeps what fits, from its beginning.
    e->SetText("12");
    e->setCursorPosition(1);
    QGuiApplication::clipboard()->setText("abcdef");
    e->paste();
    EXPECT_EQ(e->Text(), "1abc2");

    // Code may set a longer text; the operator can then shorten it but not lengthen it.
    e->SetText("131072");
    EXPECT_EQ(e->Text(), "131072");
    e->end(false);
    TypeText(e, "7");
    EXPECT_EQ(e->Text(), "131072");
    PressKey(e, Qt::Key_Backspace, "\b");
    EXPECT_EQ(e->Text(), "13107");
}

TEST(Edit, OnKeyPressCanDiscardOrReplaceTheCharacter) {
    TForm form(nullptr, "f");
    auto* e = new TEdit(&form, "e");
    e->OnKeyPress = [](QObject*, char32_t& key) {
        if (key == U'x')
            key = 0;
        else if (key == U'a')
            key = U'A';
    };
    TypeText(e, "axb");
    EXPECT_EQ(e->Text(), "Ab");
}

TEST(Edit, TextWrittenOnTheGuiThreadReadsBackWholeFromAnotherThread) {
    TForm form(nullptr, "formGPRS");
    auto* e = new TEdit(&form, "etAccessPoint");
    // Each value is a run of one letter as long as its index, so a torn read shows.
    auto value = [](int i) {
        return std::string(static_cast<size_t>(i % 200 + 1), char('a' + i % 26));
    };
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::atomic<long> reads{0};
    std::thread reader([&] {
        while (!done.load()) {
            TEdit* found = form.Find<TEdit>("ETACCESSPOINT");
            const std::string t = found->Text();
            if (!t.empty() && (t.size() > 200 || t.find_first_not_of(t[0]) != std::string::npos))
                ++bad;
            found->Enabled();
            found->Visible();
            found->Tag();
            ++reads;
        }
    });
    for (int i = 0; i < 5000; ++i) {
        e->SetText(value(i));
        e->SetTag(i);
        e->SetEnabled(i % 2 == 0);
    }
    done = true;
    reader.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(e->Text(), value(4999));
    EXPECT_EQ(e->Tag(), 4999);
    EXPECT_FALSE(e->Enabled());
}

TEST(SpinEdit, LimitsOnlyWhenMinAndMaxDifferAndRefusesNonNumbers) {
    TForm form(nullptr, "formAcc");
    auto* s = new TSpinEdit(&form, "seACCCheckTime");
    s->SetValue(100000);
    EXPECT_EQ(s->Value(), 100000); // 0..0: no limits
    s->SetValue(-5);
    EXPECT_EQ(s->Value(), -5);

    s->SetMinValue(1);
    s->SetMaxValue(23);
    s->SetValue(3);
    int changes = 0;
    s->OnChange = [&](QObject*) { ++changes; };
    s->SetText("$10");
    EXPECT_EQ(s->Value(), 16);
    EXPECT_EQ(s->Text(), "16");
    s->SetValue(99);
    EXPECT_EQ(s->Value(), 23);
    EXPECT_THROW(s->SetText("abc"), EConvertError);
    EXPECT_THROW(s->SetText(""), EConvertError);
    EXPECT_EQ(s->Value(), 23);
    EXPECT_EQ(changes, 2);
}

TEST(Memo, CountsLinesFromEmpty) {
    TForm form(nullptr, "f");
    auto* m = new TMemo(&form, "Memo1");
    EXPECT_EQ(m->LineCount(), 0);
    m->AppendLine("-> +v");
    m->AppendLine("");
    m->AppendLine(" <<- REV 07");
    EXPECT_EQ(m->Lines(), (std::vector<std::string>{"-> +v", "", " <<- REV 07"}));
    m->Clear();
    EXPECT_EQ(m->LineCount(), 0);
}
