#include "MyUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace korvane;
using ::testing::ElementsAreArray;

namespace {

struct SplitCase {
    std::string text;
    std::string marker;
    std::vector<std::string> pieces;
};

TEST(SplitText, PiecesBetweenMarkers) {
    const std::vector<SplitCase> cases = {
        {"", "x", {}},
        {"abc", "x", {"abc"}},
        {"xa", "x", {"", "a"}},
        {"ax", "x", {"a", ""}},
        {"axxb", "x", {"a", "", "b"}},
        {"aaa", "aa", {"", "a"}}, // occurrences never overlap
        {"a<li>b<li>", "<li>", {"a", "b", ""}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE("text '" + c.text + "' marker '" + c.marker + "'");
        EXPECT_THAT(Method::SplitText(c.text, c.marker), ElementsAreArray(c.pieces));
    }
}

TEST(SplitText, MatchesInsideDoubleByteCharacters) {
    // GBK 最 is D7 EE and 近 BD FC: the marker "\xEE\xBD" straddles them.
    const std::string text = "\xD7\xEE\xBD\xFC";
    EXPECT_THAT(Method::SplitText(text, "\xEE\xBD"),
                ElementsAreArray(std::vector<std::string>{"\xD7", "\xFC"}));
}

TEST(EncodeText, PercentEncodesAllButLettersAndDigits) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"abcXYZ019", "abcXYZ019"},
        {"a-b c", "a%2Db%20c"},
        {"\xD5\xC5\xC8\xFD", "%D5%C5%C8%FD"},
        {"_.~+%", "%5F%2E%7E%2B%25"},
        {std::string("\x00\x7F\xFF", 3), "%00%7F%FF"},
        {"", ""},
    };
    for (const auto& [text, encoded] : cases)
        EXPECT_EQ(Method::EncodeText(text), encoded) << text;
}

struct CutCase {
    bool after;
    std::string text;
    std::string marker;
    std::string result;
};

TEST(CutAfterCutBefore, WorkingTextTable) {
    const std::vector<CutCase> cases = {
        {false, "price<", "<", "price"},
        {false, "price<", ">", ""},
        {false, "a<b<c", "<", "a"},
        {true, "<a href=x>Title", ">", "Title"},
        {true, "Title>", ">", ""},
        {true, "a>b>c", ">", "b>c"},
        {true, "Title", ">", ""}, // absent marker: nothing usable remains
        {true, "", ">", ""},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE((c.after ? "CutAfter '" : "CutBefore '") + c.text + "' at '" + c.marker + "'");
        std::string owned = c.text;
        std::string_view view = c.text;
        if (c.after) {
            CutAfter(owned, c.marker);
            CutAfter(view, c.marker);
        } else {
            CutBefore(owned, c.marker);
            CutBefore(view, c.marker);
        }
        EXPECT_EQ(owned, c.result);
        EXPECT_EQ(view, c.result);
    }
}

} // namespace
