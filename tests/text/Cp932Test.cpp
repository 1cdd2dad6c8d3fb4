#include "Cp932.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iconv.h>

namespace {

// What the system's converter makes of in; false where it cannot convert it.
bool Iconv(iconv_t converter, std::string in, std::string& out) {
    char buffer[16];
    char* from = in.data();
    char* to = buffer;
    size_t inLeft = in.size(), outLeft = sizeof(buffer);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    const bool done = iconv(converter, &from, &inLeft, &to, &outLeft) != static_cast<size_t>(-1);
    out.assign(buffer, static_cast<size_t>(to - buffer));
    return done;
}

} // namespace

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

TEST(Cp932, ReadsEveryCharacterAsIconvDoes) {
    // The reading is a table: every byte and every pair must come out as the
    // system's converter reads it, an unreadable pair as one U+FFFD.
    iconv_t reference = iconv_open("UTF-8", "CP932");
    ASSERT_NE(reference, reinterpret_cast<iconv_t>(-1));
    int differing = 0, unreadable = 0;
    for (unsigned code = 0x80; code < 0x10000; ++code) {
        std::string in;
        if (code > 0xFF)
            in = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        else if (CCp932::IsLeadByte(static_cast<unsigned char>(code)))
            continue;
        else
            in = {static_cast<char>(code)};
        if (code > 0xFF && !CCp932::IsLeadByte(static_cast<unsigned char>(code >> 8)))
            continue;
        std::string theirs;
        const bool read = Iconv(reference, in, theirs);
        const std::string mine = CCp932::ToUtf8(in);
        if (read && mine != theirs)
            ++differing;
        if (!read) {
            ++unreadable;
            if (mine.compare(0, 3, "\xEF\xBF\xBD") != 0)
                ++differing;
        }
    }
    iconv_close(reference);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(unreadable, 0);
}

TEST(Cp932, WritesEveryCharacterAsIconvDoes) {
    // Each code point's form is iconv's, and reads back as the code point
    // (RoundTrips); one without a form is one iconv cannot write so that
    // it reads back. The JIS mapping's few are forms of other code points.
    iconv_t toCp932 = iconv_open("CP932", "UTF-32LE"), fromCp932 = iconv_open("UTF-32LE", "CP932");
    ASSERT_NE(toCp932, reinterpret_cast<iconv_t>(-1));
    ASSERT_NE(fromCp932, reinterpret_cast<iconv_t>(-1));
    const uint32_t jis[] = {0x301C, 0x2016, 0x2212, 0x00A2, 0x00A3, 0x00AC, 0x2014};
    int wrong = 0, forms = 0, inexact = 0;
    for (uint32_t point = 0x80; point < 0x10000; ++point) {
        if (point >= 0xD800 && point <= 0xDFFF)
            continue;
        char mine[2];
        bool exact = false;
        const int length = CCp932::FromCodePoint(point, mine, exact);
        std::string theirs, back;
        const std::string utf32 = {static_cast<char>(point & 0xFF),
                                   static_cast<char>(point >> 8 & 0xFF), 0, 0};
        const bool written = Iconv(toCp932, utf32, theirs);
        const bool readsBack = written && Iconv(fromCp932, theirs, back) && back == utf32;
        if (std::find(std::begin(jis), std::end(jis), point) != std::end(jis)) {
            inexact += length > 0 && !exact && !CCp932::RoundTrips(point) ? 1 : 0;
            continue;
        }
        if (length > 0) {
            ++forms;
            wrong += std::string(mine, static_cast<size_t>(length)) != theirs || !readsBack ||
                     !exact || !CCp932::RoundTrips(point);
        } else {
            wrong += readsBack || CCp932::RoundTrips(point) ? 1 : 0;
        }
    }
    iconv_close(toCp932);
    iconv_close(fromCp932);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(forms, 7000);
    EXPECT_EQ(inexact, 7);
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
