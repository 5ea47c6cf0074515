#pragma once

#include "FetchFailure.h"
#include "ListingUrls.h"
#include "RankAnalysis.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a run tells its owner: where it is, and how each listing ended.
namespace korvane {

// A pass ends only when a page carries the end marker; these bound it when
// fetches keep failing or the marketplace stops sending that marker. The
// marketplace lists no more than kMaxPagesPerPass pages of a search.
inline constexpr int kMaxPagesPerPass = 100;
inline constexpr int kMaxEmptyPagesInRow = 5;
// A marketplace that has sent nothing of a pass and lets this many pages in
// a row time out is not answering (20 s at the read limit): the pass ends.
inline constexpr int kMaxTimeoutsBeforeAnswer = 2;
// Before an item the sales listing left out is called demoted, the sales
// pages where its figure stands may be read again: at most this many pages
// for one item (a figure many items share spans pages), and this many in all.
inline constexpr int kMaxRereadPagesPerItem = 3;
inline constexpr int kMaxConfirmationPages = 10;

enum class TPassEnd {
    NotRun,         // the pass has not run
    EndMarker,      // a page carried the end marker
    PageLimit,      // kMaxPagesPerPass pages were read without it
    NoItems,        // kMaxEmptyPagesInRow pages in a row yielded no items
    NoAnswer,       // nothing arrived, and kMaxTimeoutsBeforeAnswer pages timed out
    TurnedAway,     // the marketplace answered with something other than the listing
    Stopped,        // a stop was requested before every page read had been handed over
    HandOverFailed, // a page could not be handed over (memory exhausted, the window gone)
};

struct TPassOutcome {
    TPassEnd End = TPassEnd::NotRun;
    // Number of the last page requested; when the pass was stopped or a
    // hand-over failed, of the last page handed over whole before it (a page
    // fetched, but not yet shown when the stop came, does not count).
    int LastPage = 0;
    int ItemsFound = 0; // items handed over
    // Page fetches that failed or brought no listing (an abandoned one, or
    // one not yet shown when a stop came, is not counted), and the last.
    int FailedPages = 0;
    std::optional<TFetchFailure> LastFailure = std::nullopt;
    // Pages handed over that did not fail.
    int PagesRead = 0;
    // Of the last page handed over: its items, and the lowest sales figure
    // that could be read on it (the sales listing's cut, when it is cut).
    int LastPageItems = 0;
    std::optional<std::int32_t> LastPageLowestSales = std::nullopt;
    // The nick the run read, as typed (GBK, not encoded).
    std::string Nick{};

    // The one test of a listing read whole: to its end marker, every page
    // read, every item handed over.
    bool ReadWhole() const { return End == TPassEnd::EndMarker && FailedPages == 0; }
    // Read in full up to the page limit, past which the marketplace lists
    // nothing: all of the listing there is, but not all of the shop.
    bool ReadToPageLimit() const { return End == TPassEnd::PageLimit && FailedPages == 0; }
};

// How the two passes of a run ended. Everything the run shows follows from
// it: whether the listings are compared, what the analysis may claim, and
// what the window tells the seller.
// What the check of the demoted candidates found: items the default listing
// shows that the sales listing did not, before any is called demoted.
struct TConfirmationOutcome {
    int Candidates = 0;      // items the sales pass did not read
    int SalesDuplicates = 0; // items the sales pass read more than once: the listing moved
    int PagesReread = 0;     // sales pages read again to find candidates
    int FailedRereads = 0;   // of those, pages that could not be read
    int Cleared = 0;         // candidates found on a page read again: only moved
    // Candidates not found where their figures stand when read again.
    int ConfirmedByReread = 0;
    // Candidates neither confirmed nor cleared: never called demoted.
    std::vector<std::string> Unconfirmed{};
    // Of those, the ones whose figure could not be read: nothing says where
    // in the sales listing to look for them.
    int UnconfirmedUnread = 0;
    bool Stopped = false; // a stop came before every candidate was settled

    // Some candidate was neither confirmed nor cleared, or one confirmed may
    // have moved once more while it was looked for: the listing moved more
    // than was found again.
    bool Uncertain() const {
        return !Unconfirmed.empty() || (ConfirmedByReread > 0 && SalesDuplicates > Cleared);
    }
};

struct TRunReport {
    TPassOutcome Sales;
    TPassOutcome Default;
    TConfirmationOutcome Confirmation{};
    // The analysis itself failed (memory exhausted): its tables may be partial.
    bool AnalysisFailed = false;

    // A sales listing with a page missing marks that page's items as demoted,
    // so it is compared only when read whole, or up to the page limit, past
    // which nothing is listed. The default listing is compared as far as it
    // was read, when anything of it was; a list the window could not take
    // whole is not compared.
    bool MakesComparison() const {
        if (!SalesComparable() || Default.End == TPassEnd::HandOverFailed || ListingsDisagree())
            return false;
        return Default.ReadWhole() || Default.ItemsFound > 0;
    }
    // Both listings list the same shop's items, so one that yields none
    // beside one that yields some was not answered as it should be (a
    // throttled marketplace sends the listing's frame without items): every
    // item would look demoted, or the shop empty.
    bool ListingsDisagree() const {
        return SalesComparable() && (Sales.ItemsFound == 0) != (Default.ItemsFound == 0) &&
               (Default.ReadWhole() || Default.ItemsFound > 0);
    }
    bool SalesComparable() const { return Sales.ReadWhole() || Sales.ReadToPageLimit(); }
    // A listing stops at the marketplace's page limit: read to it, or to a
    // full last page there that shows the pager's end, which a shop of more
    // items than the limit lists cannot be told from.
    static bool CutAtPageLimit(const TPassOutcome& pass) {
        return pass.ReadToPageLimit() || (pass.ReadWhole() && pass.LastPage >= kMaxPagesPerPass &&
                                          pass.LastPageItems >= kItemsPerListingPage);
    }
    bool SalesCut() const { return CutAtPageLimit(Sales); }
    bool DefaultCut() const { return CutAtPageLimit(Default); }
    // Some item could be neither confirmed as left out of the sales listing
    // nor found in it, or the listing moved more than the check could
    // follow: the result may be wrong, and says so.
    bool Uncertain() const { return MakesComparison() && Confirmation.Uncertain(); }
    // Both listings read to their ends and both empty: a shop that lists
    // nothing, or a nick mistyped -- or a marketplace that answers both first
    // pages with an empty frame, which no reader can tell from either. There
    // was nothing to compare.
    bool ListsNothing() const {
        return MakesComparison() && Sales.ReadWhole() && Default.ReadWhole() &&
               Sales.ItemsFound == 0 && Default.ItemsFound == 0;
    }
    // Both listings read to their ends and listing items, neither cut, and
    // every candidate settled: the only comparison shown as complete.
    bool Complete() const {
        return MakesComparison() && Sales.ReadWhole() && !SalesCut() && Default.ReadWhole() &&
               !DefaultCut() && !AnalysisFailed && !Uncertain() && !ListsNothing();
    }
    // The comparison covers only part of the default listing.
    bool DefaultPartial() const {
        return MakesComparison() && (!Default.ReadWhole() || DefaultCut());
    }
    // What the analysis may claim of the listings.
    TListingCoverage Coverage() const {
        const bool cut = SalesCut();
        return {Default.ReadWhole() && !DefaultCut(), cut,
                cut ? Sales.LastPageLowestSales : std::optional<std::int32_t>{},
                Confirmation.Unconfirmed};
    }
};

// Where a run is, told to the window before every page it fetches.
struct TRunProgress {
    TPass Pass = TPass::Sales;
    int Page = 1;       // the page about to be read, from 1
    int ItemsFound = 0; // items this pass has handed over so far
    int SalesPages = 0; // pages the sales pass read; 0 while it runs
    // While candidates are checked: the how-manyth page read again, of how
    // many (Page is the sales page); 0 during the passes.
    int Reread = 0;
    int Rereads = 0;

    bool operator==(const TRunProgress&) const = default;
};

} // namespace korvane
