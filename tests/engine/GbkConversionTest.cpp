// GBK to and from UTF-8: one table for both platforms' converters.
#include "GbkConversion.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

// U+FFFD, what a byte that is not GBK shows as.
#define REPLACEMENT "\xEF\xBF\xBD"

TEST(GbkConversion, ToUtf8) {
    struct Case {
        const char* Name;
        std::string_view Gbk;
        std::string_view Utf8;
    } const cases[] = {
        {"empty", "", ""},
        {"ASCII", "a-1 ?", "a-1 ?"},
        {"shop name", "\xD0\xA1\xB5\xEA\x20\x61\x2D\x31\x20\xC6\xEC\xBD\xA2\xB5\xEA",
         "小店 a-1 旗舰店"},
        {"full-width space and colon", "\xA1\xA1\xA3\xBA", "　："},
        {"euro sign, the one single byte above ASCII", "\x80", "€"},
        {"byte that is no character",
         "a\xFF"
         "b",
         "a" REPLACEMENT "b"},
        {"lead byte cut off at the end", "ab\xD5", "ab" REPLACEMENT},
        {"lead byte before a byte that cannot follow it", "\xD5 x\xD0\xA1", REPLACEMENT " x小"},
        {"two bytes that are no character", "\xFF\xFF", REPLACEMENT REPLACEMENT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TGbkConversion::ToUtf8(c.Gbk), c.Utf8) << c.Name;
}

TEST(GbkConversion, FromUtf8) {
    struct Case {
        const char* Name;
        std::string_view Utf8;
        std::string_view Gbk;
        bool Exact; // every character has a GBK form
    } const cases[] = {
        {"empty", "", "", true},
        {"shop name", "小店 a-1 旗舰店",
         "\xD0\xA1\xB5\xEA\x20\x61\x2D\x31\x20\xC6\xEC\xBD\xA2\xB5\xEA", true},
        {"recent sales marker", "最近成交", "\xD7\xEE\xBD\xFC\xB3\xC9\xBD\xBB", true},
        {"euro sign", "€", "\x80", true},
        // An emoji (outside the BMP) and a Hangul syllable have no GBK form;
        // an accented letter GBK lacks must not become its look-alike.
        {"characters GBK lacks", "a😀b한cŐ", "a?b?c?", false},
        {"stray continuation byte",
         "a\x80"
         "b",
         "a?b", false},
        {"sequence cut off at the end", "a\xE5\xB0", "a?", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TGbkConversion::FromUtf8(c.Utf8), c.Gbk) << c.Name;
        const auto exactly = TGbkConversion::FromUtf8Exactly(c.Utf8);
        EXPECT_EQ(exactly.has_value(), c.Exact) << c.Name;
        if (exactly) {
            EXPECT_EQ(*exactly, c.Gbk) << c.Name;
        }
    }
}

// Every two-byte sequence that reads as a character comes back as the same
// bytes, read alone or inside a text with bytes that are not GBK (which
// takes the converters' slower, character-by-character way).
TEST(GbkConversion, EveryCharacterRoundTrips) {
    std::string all;
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string utf8 = TGbkConversion::ToUtf8(bytes);
            if (utf8.find(REPLACEMENT) != std::string::npos)
                continue;
            ASSERT_EQ(TGbkConversion::FromUtf8(utf8), bytes) << std::hex << lead << " " << trail;
            all += bytes;
            ++characters;
        }
    }
    // GB2312's characters alone are some 7,400; GBK has over 21,000.
    EXPECT_GT(characters, 21000);
    const std::string utf8 = TGbkConversion::ToUtf8(all);
    EXPECT_EQ(TGbkConversion::FromUtf8(utf8), all);
    const std::string mixed = TGbkConversion::ToUtf8(all + "\xFF");
    EXPECT_EQ(mixed, utf8 + REPLACEMENT);
}

#undef REPLACEMENT

} // namespace
