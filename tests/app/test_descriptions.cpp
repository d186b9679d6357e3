#include <gtest/gtest.h>

#include "TempDir.h"
#include "app/Descriptions.h"

TEST(Descriptions, KeysAreKeptAsWrittenAndTheFirstMatchWins) {
    TTempDir dir;
    // Windows-1251: "Номер объекта, четыре цифры" and so on, after the
    // byte-order mark an editor may have put in front.
    dir.Write("discription.txt",
              "\xEF\xBB\xBF"
              "1,\xCD\xEE\xEC\xE5\xF0 \xEE\xE1\xFA\xE5\xEA\xF2\xE0, \xF7\xE5\xF2\xFB\xF0\xE5 "
              "\xF6\xE8\xF4\xF0\xFB\r\n"
              "\r\n"
              "   \t\r\n"
              " 2,with a blank before the key\r\n"
              "line without a comma\r\n"
              "3=x,key holds an equals sign\r\n"
              "1,second line for key 1\r\n"
              "ab,lower\r\n"
              "AB,upper\r\n"
              "30,last line without a break");
    TDescriptionTable t;
    t.Load(dir.File("discription.txt"));
    EXPECT_EQ(t.Lookup("1"), "Номер объекта, четыре цифры");
    EXPECT_EQ(t.Lookup("2"), "");
    EXPECT_EQ(t.Lookup(" 2"), "with a blank before the key");
    EXPECT_EQ(t.Lookup("3=x"), "key holds an equals sign");
    EXPECT_EQ(t.Lookup("3"), "");
    EXPECT_EQ(t.Lookup("Ab"), "lower");
    EXPECT_EQ(t.Lookup("30"), "last line without a break");
    EXPECT_EQ(t.Lookup("line without a comma"), "");
    EXPECT_EQ(t.Count(), 7u);
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
