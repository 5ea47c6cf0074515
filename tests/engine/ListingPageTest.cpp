#include "ListingPage.h"

#include "GbkText.h"
#include "ListingPageBuilder.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::Gbk;

namespace {

struct PieceCase {
    std::string name;
    std::string piece;
    std::string id;
    std::string title;
};

TEST(CutItemFields, IdAndTitle) {
    const std::string link = "<a href=\"http://item.taobao.com/item.htm?id=";
    const std::vector<PieceCase> cases = {
        {"plain", link + "123\">Red</a>", "123", "Red"},
        {"ampersand before quote", link + "123&a=b\">Red</a>", "123", "Red"},
        {"ampersand, no quote after", "<a>x</a> item.htm?id=123&a=b", "", "x"},
        {"no quote after", "<b>T</b> item.htm?id=123", "", ""},
        {"no item link", "<a href=\"x\">T</a>", "", "T"},
        {"markup inside link text", link + "9\">red <b>bold</b></a>", "9", "red "},
        {"image link first", link + "7\"><img src=x></a><a href=\"y\">T</a>", "7", ""},
        {"blank image link first", link + "7\"> <img src=x></a>", "7", " "},
        {"empty id", link + "\">T</a>", "", "T"},
        {"GBK title", link + "5\">" + Gbk("连衣裙 夏") + "</a>", "5", Gbk("连衣裙 夏")},
    };
    for (const PieceCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CutItemId(c.piece), c.id);
        EXPECT_EQ(CutItemTitle(c.piece), c.title);
    }
}

TEST(CutItemFields, PriceIsKeptAsText) {
    EXPECT_EQ(CutItemPrice("<li class=\"price\"><em>12.50</em>"), "12.50");
    EXPECT_EQ(CutItemPrice("<li class=\"price\"> <em>1,299.00 </em>"), "1,299.00 ");
    EXPECT_EQ(CutItemPrice("<li class=\"other\"><em>1</em>"), "");
}

TEST(CutItemFields, SalesText) {
    const std::vector<std::pair<std::optional<std::string>, std::optional<std::int32_t>>> cases = {
        {"12", 12},
        {" 12", 12},
        {"-3", -3},
        {"12 ", std::nullopt},
        {"1,234", std::nullopt},
        {"", std::nullopt},
        {"$1F", 31},
        {"0x10", 16},
        {"abc", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& [text, sales] : cases) {
        SCOPED_TRACE(text.value_or("<no marker>"));
        std::string piece = "<span>";
        if (text)
            piece += Gbk("最近成交") + *text + Gbk("笔");
        piece += "</span>";
        EXPECT_EQ(ReadItemSales(piece), sales);
    }
    // The marker without its unit leaves nothing to read.
    EXPECT_EQ(ReadItemSales(Gbk("最近成交") + "12"), std::nullopt);
}

TEST(ListingItemPieces, NarrowsToTheItemList) {
    using test::ListingPageBuilder;
    using test::MakeItem;
    const auto two = [] {
        return ListingPageBuilder()
            .Add(MakeItem("1", "a", "1.00", "1"))
            .Add(MakeItem("2", "b", "2.00", "2"));
    };
    EXPECT_EQ(ListingItemPieces(two().Build()).size(), 2u);
    EXPECT_EQ(ListingItemPieces(two().WithoutListMarker().Build()).size(), 0u);
    EXPECT_EQ(ListingItemPieces(two().WithoutSideBar().Build()).size(), 0u);
    EXPECT_EQ(ListingItemPieces(ListingPageBuilder().Build()).size(), 0u);
    EXPECT_EQ(ListingItemPieces("").size(), 0u);

    // Items after the side bar are not part of the list.
    const std::string page = "<ul class=\"list-view\">x class=\"list-item\">A" +
                             std::string("<div id=\"SideBarBox\" >") + " class=\"list-item\">B";
    const auto pieces = ListingItemPieces(page);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0], "\">A");
}

TEST(HasListingItems, AgreesWithTheSplit) {
    using test::ListingPageBuilder;
    using test::MakeItem;
    const std::string list = "<ul class=\"list-view\">", item = " class=\"list-item\">A",
                      side = "<div id=\"SideBarBox\" >";
    struct Case {
        const char* name;
        std::string page;
        bool has;
    };
    const Case cases[] = {
        {"built page", ListingPageBuilder().Add(MakeItem("1", "a", "1", "1")).Build(), true},
        {"no item", ListingPageBuilder().Build(), false},
        {"no list marker",
         ListingPageBuilder().Add(MakeItem("1", "a", "1", "1")).WithoutListMarker().Build(), false},
        {"no side bar",
         ListingPageBuilder().Add(MakeItem("1", "a", "1", "1")).WithoutSideBar().Build(), false},
        {"empty", "", false},
        {"item only after the side bar", list + side + item, false},
        {"side bar only before the list", side + list + item, false},
        {"item marker cut by the side bar", list + " class=\"list-" + side + "item\">", false},
        {"item right before the side bar", list + item + side, true},
        {"item before the list marker", item + list + side, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HasListingItems(c.page), c.has);
        EXPECT_EQ(HasListingItems(c.page), !ListingItemPieces(c.page).empty());
    }
}

TEST(IsLastListingPage, EndMarker) {
    using test::ListingPageBuilder;
    EXPECT_TRUE(IsLastListingPage(ListingPageBuilder().Last().Build()));
    EXPECT_FALSE(IsLastListingPage(ListingPageBuilder().Build()));
    EXPECT_FALSE(IsLastListingPage(""));
}

} // namespace
