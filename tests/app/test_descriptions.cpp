#include <gtest/gtest.h>

#include "TempDir.h"
#include "app/Descriptions.h"
#include "toolkit/Cp1251.h"

TEST(Descriptions, KeysAreKeptAsWrittenAndTheFirstMatchWins) {
    const std::string lines = "1,Номер объекта, четыре цифры\r\n"
                              "\r\n"
                              "   \t\r\n"
                              " 2,with a blank before the key\r\n"
                              "line without a comma\r\n"
                              "3=x,key holds an equals sign\r\n"
                              "1,second line for key 1\r\n"
                              "ab,lower\r\n"
                              "AB,upper\r\n"
                              "ёж,ЁЖ is the same key\r\n"
                              "30,last line without a break";
    const std::string mark = "\xEF\xBB\xBF";
    const std::string cp1251 = Utf8ToCp1251(lines).Bytes;
    // Windows-1251, or UTF-8 with or without the mark an editor puts in
    // front; a file whose text is neither gives no descriptions rather than
    // garbled ones.
    for (const auto& [bytes, read] :
         {std::pair{cp1251, true}, {mark + lines, true}, {mark + cp1251, false}, {lines, true}}) {
        SCOPED_TRACE(read ? "read" : "refused");
        TTempDir dir;
        dir.Write("discription.txt", bytes);
        TDescriptionTable t;
        t.Load(dir.File("discription.txt"));
        if (!read) {
            EXPECT_EQ(t.Count(), 0u);
            continue;
        }
        EXPECT_EQ(t.Lookup("1"), "Номер объекта, четыре цифры");
        EXPECT_EQ(t.Lookup("2"), "");
        EXPECT_EQ(t.Lookup(" 2"), "with a blank before the key");
        EXPECT_EQ(t.Lookup("3=x"), "key holds an equals sign");
        EXPECT_EQ(t.Lookup("3"), "");
        EXPECT_EQ(t.Lookup("Ab"), "lower");
        EXPECT_EQ(t.Lookup("ЁЖ"), "ЁЖ is the same key");
        EXPECT_EQ(t.Lookup("30"), "last line without a break");
        EXPECT_EQ(t.Lookup("line without a comma"), "");
        EXPECT_EQ(t.Count(), 8u);
    }
}

TEST(Descriptions, AMissingFileEmptiesTheTable) {
    TTempDir dir;
    dir.Write("d.txt", "5,x\n");
    TDescriptionTable t;
    t.Load(dir.File("d.txt"));
    EXPECT_EQ(t.Lookup("5"), "x");
    t.Load(dir.File("missing.txt"));
    EXPECT_EQ(t.Count(), 0u);
    EXPECT_EQ(t.Lookup("5"), "");
    t.Load(dir.Path()); // a folder is unreadable as a file
    EXPECT_EQ(t.Count(), 0u);
}
