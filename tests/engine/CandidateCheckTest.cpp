// The check of the items the sales listing left out, against listings that
// move while they are read: an item is called demoted only when it is truly
// left out, and a result the check cannot settle says so.
#include "ThreadUnit.h"

#include "ListingPageBuilder.h"
#include "ResultTables.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>

using namespace korvane;
using korvane::test::FixtureItem;
using korvane::test::ListingPageBuilder;
using korvane::test::MakeItem;
using ::testing::UnorderedElementsAreArray;

namespace {

using Listing = std::vector<FixtureItem>;

// 100 items selling 3000, 2990, ... down: three listing pages.
Listing Shop() {
    Listing items;
    for (int i = 0; i < 100; ++i)
        items.push_back(MakeItem("i" + std::to_string(i), "t" + std::to_string(i), "1.00",
                                 std::to_string(3000 - 10 * i)));
    return items;
}

// The listing without item `from`, which stands at `to` instead, selling `sales`.
Listing Moved(Listing items, std::size_t from, std::size_t to, const std::string& sales) {
    FixtureItem item = items[from];
    item.SalesText = sales;
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(from));
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(to), item);
    return items;
}

Listing Without(Listing items, const std::string& id) {
    std::erase_if(items, [&id](const FixtureItem& item) { return item.Id == id; });
    return items;
}

// A marketplace whose sales listing changes from a given fetch on.
struct MovingMarketplace {
    Listing Default;
    std::map<int, Listing> SalesFrom; // fetch number (from 1) -> the sales listing from then on
    std::set<int> Failing;            // fetches that fail
    int StopAt = 0;                   // the fetch during which the seller stops
    std::shared_ptr<std::atomic<bool>> Stop = std::make_shared<std::atomic<bool>>(false);
    int Fetches = 0;

    void Fetch(const std::string& url, std::string& body) {
        ++Fetches;
        if (Fetches == StopAt) {
            Stop->store(true);
            throw std::runtime_error("abandoned");
        }
        if (Failing.contains(Fetches))
            throw std::runtime_error("connection reset");
        const bool sales = url.find("sort=biz30day") != std::string::npos;
        const Listing& items = sales ? std::prev(SalesFrom.upper_bound(Fetches))->second : Default;
        std::size_t page = 1;
        if (const auto s = url.find("&s="); s != std::string::npos)
            page = std::stoul(url.substr(s + 3)) / kItemsPerListingPage + 1;
        ListingPageBuilder builder;
        const std::size_t first = (page - 1) * kItemsPerListingPage;
        for (std::size_t i = first; i < items.size() && i < first + kItemsPerListingPage; ++i)
            builder.Add(items[i]);
        body = builder.Last(first + kItemsPerListingPage >= items.size()).Build();
    }
};

struct Outcome {
    TRunReport Report;
    std::vector<std::string> Demoted;
    std::vector<std::string> Unconfirmed; // ranked with the verdict that says so
    int Fetches = 0;
};

Outcome RunAgainst(MovingMarketplace& marketplace) {
    TResultLists lists;
    TRunOperations ops;
    ops.FetchPage = [&marketplace](const std::string& url, std::string& body) {
        marketplace.Fetch(url, body);
    };
    ops.Nick = "shop";
    ops.Lists = &lists;
    ops.StopRequested = marketplace.Stop;
    TRunThread worker(ops);
    worker.CrawlListings();

    Outcome outcome;
    outcome.Report = worker.Report();
    outcome.Fetches = marketplace.Fetches;
    TStringGrid sgData1, sgData2, sgData3;
    SetUpResultTables(sgData1, sgData2, sgData3);
    if (!outcome.Report.MakesComparison())
        return outcome;
    AnalyseRanks(lists, sgData2, sgData3, outcome.Report.Coverage());
    for (std::int32_t r = 1; r < sgData2.RowCount(); ++r)
        if (!sgData2.Cell(demoted::kId, r).empty())
            outcome.Demoted.push_back(sgData2.Cell(demoted::kId, r));
    for (std::int32_t r = 1; r < sgData3.RowCount(); ++r)
        if (sgData3.Cell(ranking::kVerdict, r) == texts::kUnconfirmedVerdict)
            outcome.Unconfirmed.push_back(sgData3.Cell(ranking::kId, r));
    return outcome;
}

TEST(CandidateCheck, ListingsThatMoveWhileRead) {
    const Listing shop = Shop();
    // i90 is hidden from the sales order throughout: truly demoted.
    const Listing listed = Without(shop, "i90");
    // After the sales pass read page 1, i60 sells 2905 and stands 10th: it
    // is never read, and the item at the end of page 1 is read twice.
    const Listing upMove = Moved(listed, 60, 9, "2905");
    const Listing defaultAfterUp = Moved(shop, 60, 9, "2905");
    // i5 stops selling and drops to page 3 after page 1: read twice, and
    // the first item of page 2 slips onto page 1 unread.
    const Listing downMove = Moved(listed, 5, 80, "205");
    const Listing defaultAfterDown = Moved(shop, 5, 80, "205");
    // While page 1 is read again, i60 drops once more.
    const Listing movedAgain = Moved(upMove, 9, 70, "2295");
    // A listing that shows one item twice without moving.
    Listing twice = listed;
    twice.insert(twice.begin() + 50, twice[20]);
    Listing unreadableMover = defaultAfterUp;
    unreadableMover[9].SalesText = "1.2万";

    struct Case {
        const char* name;
        Listing byDefault;
        std::map<int, Listing> salesFrom;
        std::set<int> failing;
        int stopAt;
        std::vector<std::string> demoted, unconfirmed;
        int cleared, fetches;
        bool uncertain;
    };
    const std::vector<Case> cases = {
        // Nothing read twice: nothing was missed, and nothing is read again.
        {"still listing", shop, {{1, listed}}, {}, 0, {"i90"}, {}, 0, 6, false},
        // Found again where its new figure stands (page 1): only moved. As
        // many found as were missed, so i90 needs no look.
        {"moved up", defaultAfterUp, {{1, listed}, {2, upMove}}, {}, 0, {"i90"}, {}, 1, 7, false},
        // The slipped item stands between pages 1 and 2: found on page 1.
        {"moved down",
         defaultAfterDown,
         {{1, listed}, {2, downMove}},
         {},
         0,
         {"i90"},
         {},
         1,
         7,
         false},
        // Not where its figure stands when looked for: no reader can tell
        // that from a demotion, and the result says it is uncertain.
        {"moved again while looked for",
         defaultAfterUp,
         {{1, listed}, {2, upMove}, {7, movedAgain}},
         {},
         0,
         {"i60", "i90"},
         {},
         0,
         8,
         true},
        // Page 1 cannot be read again: i60 is neither found nor confirmed.
        {"page read again fails",
         defaultAfterUp,
         {{1, listed}, {2, upMove}},
         {7},
         0,
         {"i90"},
         {"i60"},
         0,
         8,
         true},
        {"stopped while looking",
         defaultAfterUp,
         {{1, listed}, {2, upMove}},
         {},
         7,
         {},
         {"i60", "i90"},
         0,
         7,
         true},
        // Nothing says where to look for an item whose figure cannot be read.
        {"unreadable figure of the item missed",
         unreadableMover,
         {{1, listed}, {2, upMove}},
         {},
         0,
         {"i90"},
         {"i60"},
         0,
         7,
         true},
        // Read twice without moving looks the same as a move: i90 is not
        // found where it would stand, and the result cannot be sure of it.
        {"an item listed twice", shop, {{1, twice}}, {}, 0, {"i90"}, {}, 0, 7, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MovingMarketplace marketplace;
        marketplace.Default = c.byDefault;
        marketplace.SalesFrom = c.salesFrom;
        marketplace.Failing = c.failing;
        marketplace.StopAt = c.stopAt;
        const Outcome outcome = RunAgainst(marketplace);
        ASSERT_TRUE(outcome.Report.MakesComparison());
        EXPECT_THAT(outcome.Demoted, UnorderedElementsAreArray(c.demoted));
        EXPECT_THAT(outcome.Unconfirmed, UnorderedElementsAreArray(c.unconfirmed));
        EXPECT_EQ(outcome.Report.Confirmation.Cleared, c.cleared);
        EXPECT_EQ(outcome.Fetches, c.fetches);
        EXPECT_EQ(outcome.Report.Uncertain(), c.uncertain);
        EXPECT_EQ(outcome.Report.Complete(), !c.uncertain);
    }
}

// Both listings list one shop: one that yields nothing beside one that
// yields items compares nothing, whichever it is.
TEST(CandidateCheck, ListingsThatDisagreeAreNotCompared) {
    const Listing shop = Shop();
    for (const bool salesEmpty : {true, false}) {
        SCOPED_TRACE(salesEmpty ? "sales listing empty" : "default listing empty");
        MovingMarketplace marketplace;
        marketplace.Default = salesEmpty ? shop : Listing{};
        marketplace.SalesFrom = {{1, salesEmpty ? Listing{} : shop}};
        const Outcome outcome = RunAgainst(marketplace);
        EXPECT_TRUE(outcome.Report.ListingsDisagree());
        EXPECT_FALSE(outcome.Report.MakesComparison());
        EXPECT_FALSE(outcome.Report.Complete());
        EXPECT_EQ(outcome.Report.Confirmation.Candidates, 0);
    }
}

} // namespace
