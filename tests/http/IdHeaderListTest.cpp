#include "IdHeaderList.h"

#include <gtest/gtest.h>

using namespace korvane::http;

namespace {

TIdHeaderList Received(std::initializer_list<const char*> lines) {
    TIdHeaderList list(1024);
    for (const char* line : lines)
        list.Add(line);
    return list;
}

TEST(IdHeaderListTest, NamesMatchWithoutCaseButWithTheirBlanks) {
    const TIdHeaderList list = Received({"content-length: 12", "Content-Type : text/html",
                                         "X-Twice: first", "X-TWICE: second", "no colon"});
    EXPECT_EQ(list.HeaderValue("Content-Length"), "12");
    EXPECT_EQ(list.FindHeader("Content-Type"), -1); // the name keeps its trailing blank
    EXPECT_EQ(list.HeaderValue("Content-Type "), "text/html");
    EXPECT_EQ(list.HeaderValue("x-twice"), "first");
    EXPECT_EQ(list.CollectValues("X-Twice"), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(list.HeaderValue("Missing"), "");
    EXPECT_EQ(list.LineName(4), "");
}

TEST(IdHeaderListTest, FoldedLinesReadAsOneValue) {
    const TIdHeaderList list =
        Received({"X-Folded:  one ", "   two", "\tthree  ", "Next: n", " cont"});
    EXPECT_EQ(list.HeaderValue("X-Folded"), "one two three");
    EXPECT_EQ(list.HeaderValue("Next"), "n cont");
}

TEST(IdHeaderListTest, PutHeaderReplacesInPlaceAndRemoves) {
    TIdHeaderList list = Received({"A: 1", "B: 2", " b-cont", "C: 3"});
    list.PutHeader("b", "new");
    EXPECT_EQ(list.Strings(), (std::vector<std::string>{"A: 1", "b: new", "C: 3"}));
    list.PutHeader("D", "4");
    EXPECT_EQ(list[3], "D: 4");
    list.PutHeader("A", "");
    EXPECT_EQ(list.Strings(), (std::vector<std::string>{"b: new", "C: 3", "D: 4"}));
    list.PutHeader("Absent", "");
    EXPECT_EQ(list.Count(), 3u);
}

TEST(IdHeaderListTest, LongLinesFoldAtBlanksAndCommasOutsideQuotes) {
    EXPECT_EQ(TIdHeaderList::FoldLine("Short: line", 20),
              (std::vector<std::string>{"Short: line"}));
    EXPECT_EQ(TIdHeaderList::FoldLine("Cookie: aaaa=1; bbbb=2; cccc=3", 16),
              (std::vector<std::string>{"Cookie: aaaa=1;", " bbbb=2; cccc=3"}));
    // No break inside a quoted stretch, and none that leaves one character.
    EXPECT_EQ(TIdHeaderList::FoldLine("X: \"a b c d e f\" g", 8),
              (std::vector<std::string>{"X:", " \"a b c d e f\" g"}));
    EXPECT_EQ(TIdHeaderList::FoldLine("abcdefghij, z", 8),
              (std::vector<std::string>{"abcdefghij, z"}));
    // A double-byte character is never split, and counts two columns.
    EXPECT_EQ(TIdHeaderList::FoldLine("X: \xB0\xA1\xB0\xA1 \xB0\xA1\xB0\xA1", 8),
              (std::vector<std::string>{"X: \xB0\xA1\xB0\xA1", " \xB0\xA1\xB0\xA1"}));

    // Written folded, read back whole.
    TIdHeaderList list(20);
    list.PutHeader("Cookie", "aaaa=1; bbbb=2; cccc=3; dddd=4");
    EXPECT_GT(list.Count(), 1u);
    EXPECT_EQ(list.HeaderValue("Cookie"), "aaaa=1; bbbb=2; cccc=3; dddd=4");
}

} // namespace
