#include "Cp932.h"

#include <gtest/gtest.h>

TEST(Cp932, UsesMicrosoftsMapping) {
    std::string cp932;
    ASSERT_TRUE(CCp932::FromUtf8("～①ｱ漢", cp932));
    EXPECT_EQ(cp932, std::string("\x81\x60\x87\x40\xB1\x8A\xBF"));
    EXPECT_EQ(CCp932::ToUtf8(cp932), "～①ｱ漢");
}

TEST(Cp932, RefusesWhatItCannotHold) {
    std::string cp932;
    EXPECT_FALSE(CCp932::FromUtf8("emoji \xF0\x9F\x98\x80", cp932));
    EXPECT_FALSE(CCp932::FromUtf8("broken \xC3", cp932));
    EXPECT_FALSE(CCp932::FromUtf8("한국어", cp932));
    EXPECT_TRUE(CCp932::FromUtf8("", cp932));
    EXPECT_EQ(cp932, "");
}

TEST(Cp932, InvalidBytesBecomeReplacementCharacters) {
    // A lead byte before a line feed, a byte no character starts with, and a
    // lead byte at the very end: each is one U+FFFD and the rest survives.
    EXPECT_EQ(CCp932::ToUtf8("a\x82\nb"), "a\xEF\xBF\xBD\nb");
    EXPECT_EQ(CCp932::ToUtf8("\xFF"
                             "c"),
              "\xEF\xBF\xBD"
              "c");
    EXPECT_EQ(CCp932::ToUtf8("d\x88"), "d\xEF\xBF\xBD");
}

TEST(Cp932, FieldAndCutLengths) {
    const char field[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(CCp932::FieldLength(field, sizeof(field)), 4u) << "no NUL: read to the end";
    EXPECT_EQ(CCp932::FieldLength("ab\0cd", 5), 2u);
    const std::string text = "a\x8A\xBF"
                             "b";
    EXPECT_EQ(CCp932::CutLength(text.data(), text.size(), 2), 1u);
    EXPECT_EQ(CCp932::CutLength(text.data(), text.size(), 3), 3u);
    EXPECT_EQ(CCp932::CutLength(text.data(), text.size(), 10), 4u);
}

// What libpq, the server, SQLite and strerror write reaches the program as
// code page 932, whatever the locale: the login's message must be readable.
TEST(Cp932, SystemTextsBecomeCodePage932) {
    EXPECT_EQ(CCp932::FromSystem("connection refused"), "connection refused");
    std::string refused;
    ASSERT_TRUE(CCp932::FromUtf8("接続を拒否されました", refused));
    EXPECT_EQ(CCp932::FromSystem("接続を拒否されました"), refused);
    EXPECT_EQ(CCp932::FromSystem("x\xF0\x9F\x98\x80y"), "x\x81\xACy") << "no emoji in CP932";
    EXPECT_EQ(CCp932::FromSystem("a\xFF"
                                 "b"),
              "a?b")
        << "a byte that is no character in the C locale";
}
