// GBK to and from UTF-8: one table for both platforms' converters.
#include "GbkConversion.h"

#include <gtest/gtest.h>

#include <set>

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
        // Code page 936 reads the user-defined areas and GBK's reserved
        // codes as private-use characters; the text after them stays whole.
        {"user-defined character before 中文", "\xAA\xA1\xD6\xD0\xCE\xC4", "\uE000中文"},
        {"reserved code FE 50 before 中文", "\xFE\x50\xD6\xD0\xCE\xC4", "\uE815中文"},
        {"ends of the three user-defined areas", "\xAF\xFE\xF8\xA1\xFE\xFE\xA1\x40\xA7\xA0",
         "\uE233\uE234\uE4C5\uE4C6\uE765"},
        {"reserved codes in the symbol rows", "\xA2\xAB\xA6\xD9\xA8\xBC\xA9\x89\xD7\xFA",
         "\uE766\uE78D\uE7C7\uE7E7\uE810"},
        {"last reserved code, past the 7F gap", "\xFE\x7E\xFE\x80\xFE\xA0", "\uE843\uE844\uE864"},
        {"lead byte before a byte below the trail bytes", "\x81\x20\xD6\xD0", REPLACEMENT " 中"},
        {"lead byte before 7F", "\xAA\x7F\xD6\xD0", REPLACEMENT "\x7F中"},
        {"lead byte before FF", "\xAA\xFF\xD6\xD0", REPLACEMENT REPLACEMENT "中"},
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
        // A nick holding a private-use character is sent as code page 936
        // sends it; one past its end has no GBK form.
        {"private-use characters", "\uE000中\uE815\uE864\uE4C5",
         "\xAA\xA1\xD6\xD0\xFE\x50\xFE\xA0\xFE\xFE", true},
        {"private-use character without a code", "\uE865", "?", false},
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

// Every pair of a lead byte and a trail byte is a character in code page
// 936, and comes back as the same bytes, read alone or inside a text with
// bytes that are not GBK (which takes the converters' slower,
// character-by-character way).
TEST(GbkConversion, EveryCharacterRoundTrips) {
    std::string all;
    std::set<std::string> characters;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string utf8 = TGbkConversion::ToUtf8(bytes);
            ASSERT_EQ(utf8.find(REPLACEMENT), std::string::npos)
                << std::hex << lead << " " << trail;
            ASSERT_EQ(TGbkConversion::FromUtf8Exactly(utf8), bytes)
                << std::hex << lead << " " << trail;
            all += bytes;
            characters.insert(utf8);
        }
    }
    EXPECT_EQ(characters.size(), 126u * 190u); // no two codes read alike
    const std::string utf8 = TGbkConversion::ToUtf8(all);
    EXPECT_EQ(TGbkConversion::FromUtf8(utf8), all);
    const std::string mixed = TGbkConversion::ToUtf8(all + "\xFF");
    EXPECT_EQ(mixed, utf8 + REPLACEMENT);
}

#undef REPLACEMENT

} // namespace
