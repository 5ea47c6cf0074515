// Many detection runs in a row through the real window against a loopback
// marketplace whose pages fail at random: every run must end with the button
// back and the tables right, and the process must not grow from run to run.
// Labelled "soak": CI leaves it out (see README).
#include "Main.h"

#include "ExpectedTables.h"
#include "FixtureMarketplace.h"
#include "QtWait.h"
#include "RankAnalysis.h"
#include "RecordingDesktop.h"
#include "ResultTables.h"
#include "SortChoice.h"
#include "SortGrid.h"
#include "TestWindow.h"
#include "ThreadUnit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iostream>
#include <random>
#include <set>

using namespace korvane;
using korvane::test::ExpectedTables;
using korvane::test::FixtureItem;
using korvane::test::FixtureMarketplace;
using korvane::test::MakeItem;

namespace {

constexpr int kRuns = 200;
constexpr int kWarmUpRuns = 20;
constexpr int kRunWaitMs = 20000;
constexpr std::size_t kItemsPerPage = 10;
constexpr int kItems = 45; // five pages a pass, the last one short
// How much the process may grow after warm-up: the loopback server's own
// records of every connection and allocator slack, not a leak per run.
constexpr long kRssBoundKiB = 8 * 1024;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// A sanitizer holds freed memory back for a while: RSS says nothing then.
constexpr bool kRssTells = false;
#else
constexpr bool kRssTells = true;
#endif
constexpr long kThreadBound = 2;
// The chance that a page (one that may fail, see FailablePages) fails.
constexpr double kFaultChance = 0.25;

long RssKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

long ThreadCount() {
    long n = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(dir))
            if (entry->d_name[0] != '.')
                ++n;
        ::closedir(dir);
    }
    return n;
}

std::vector<FixtureItem> Shop(int run) {
    std::vector<FixtureItem> items;
    for (int i = 0; i < kItems; ++i)
        items.push_back(MakeItem(std::to_string(1000 * run + i), "t" + std::to_string(i),
                                 std::to_string(i) + ".00", std::to_string((i * 7 + run) % 11)));
    return items;
}

// The pages of one pass that a fault leaves out, as the crawl treats them:
// a failed page yields no items and the pass goes on. The last page of a
// pass never fails here (its end marker ends the pass), nor the first page
// of the default pass unless firstDefaultFails (then, with the sales pass's
// last page still the last text read, the default pass ends at once).
std::vector<FixtureItem> ItemsRead(const std::vector<FixtureItem>& items,
                                   const std::set<int>& failedPages) {
    std::vector<FixtureItem> read;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!failedPages.count(static_cast<int>(i / kItemsPerPage) + 1))
            read.push_back(items[i]);
    return read;
}

::testing::AssertionResult SameCells(const TStringGrid& actual, const TStringGrid& expected) {
    if (actual.RowCount() != expected.RowCount() || actual.ColumnCount() != expected.ColumnCount())
        return ::testing::AssertionFailure()
               << actual.RowCount() << "x" << actual.ColumnCount() << " cells, expected "
               << expected.RowCount() << "x" << expected.ColumnCount();
    for (int r = 0; r < expected.RowCount(); ++r)
        for (int c = 0; c < expected.ColumnCount(); ++c)
            if (actual.Cell(c, r) != expected.Cell(c, r))
                return ::testing::AssertionFailure()
                       << "cell (" << c << ", " << r << ") is \"" << actual.Cell(c, r)
                       << "\", expected \"" << expected.Cell(c, r) << "\"";
    return ::testing::AssertionSuccess();
}

unsigned Seed() {
    const char* text = std::getenv("KORVANE_SOAK_SEED");
    return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : 20261210u;
}

TEST(SoakTest, ManyRunsWithFailingPagesStayRightAndDoNotGrow) {
    FixtureMarketplace marketplace;
    test::TRecordingDesktop desktop;
    TMainFormSettings settings;
    settings.SearchHost = marketplace.Host();
    // With empty web panes: nothing may leave the machine.
    const auto form = test::ShowTestWindow(desktop, settings);
    auto* button = form->findChild<QPushButton*>(QStringLiteral("btnSearch"));
    auto* box = form->findChild<QLineEdit*>(QStringLiteral("txtID"));
    auto* statusBar = form->findChild<QLabel*>(QStringLiteral("sbar"));

    const unsigned seed = Seed();
    std::mt19937 random(seed);
    std::bernoulli_distribution fails(kFaultChance);
    std::bernoulli_distribution reset(0.5);
    const int pages =
        (kItems + static_cast<int>(kItemsPerPage) - 1) / static_cast<int>(kItemsPerPage);

    long rssBase = 0, threadBase = 0, rssMax = 0;
    for (int run = 1; run <= kRuns; ++run) {
        SCOPED_TRACE("run " + std::to_string(run) + " of seed " + std::to_string(seed));
        const std::vector<FixtureItem> items = Shop(run);
        std::vector<FixtureItem> salesOrder(items.rbegin(), items.rend());
        marketplace.SetShop(FixtureMarketplace::ShopPages(salesOrder, kItemsPerPage),
                            FixtureMarketplace::ShopPages(items, kItemsPerPage));
        marketplace.ClearFaults();
        std::set<int> salesFailed, defaultFailed;
        for (int page = 1; page < pages; ++page) {
            for (const bool sales : {true, false}) {
                if (!fails(random))
                    continue;
                marketplace.SetFault(sales, page,
                                     reset(random) ? FixtureMarketplace::TFault::Reset
                                                   : FixtureMarketplace::TFault::ServerError);
                (sales ? salesFailed : defaultFailed).insert(page);
            }
        }

        box->clear();
        box->setFocus();
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier,
                        QStringLiteral("shop") + QString::number(run % 7));
        QApplication::sendEvent(box, &typed);
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_FALSE(button->isEnabled());
        ASSERT_TRUE(test::WaitUntil([&] { return button->isEnabled(); }, kRunWaitMs));

        // A sales page missing would make its items look demoted, and a
        // default listing that failed at its first page read nothing: no
        // comparison, the result tables stay as the start of the run cleared
        // them. A default listing with a page missing is compared as read.
        const bool compared = salesFailed.empty() && !defaultFailed.count(1);
        const std::vector<FixtureItem> defaultRead =
            defaultFailed.count(1) ? std::vector<FixtureItem>{} : ItemsRead(items, defaultFailed);
        const ExpectedTables expected(salesOrder, defaultRead, {defaultFailed.empty(), false});
        ASSERT_TRUE(SameCells(form->Grid1(), expected.Data1)) << "sgData1";
        if (compared) {
            ASSERT_TRUE(SameCells(form->Grid2(), expected.Data2)) << "sgData2";
            ASSERT_TRUE(SameCells(form->Grid3(), expected.Data3)) << "sgData3";
        } else {
            for (const TStringGrid* grid : {&form->Grid2(), &form->Grid3()}) {
                ASSERT_EQ(grid->RowCount(), 2);
                for (int c = 0; c < grid->ColumnCount(); ++c)
                    ASSERT_EQ(grid->Cell(c, 1), "");
            }
        }
        // Failed pages are always named; a run without any gives the verdict.
        const bool failed = !salesFailed.empty() || !defaultFailed.empty();
        const QString status = statusBar->text();
        if (!failed) {
            ASSERT_TRUE(status.startsWith(QString::fromUtf8("探测完成"))) << status.toStdString();
        } else {
            ASSERT_TRUE(status.contains(QString::fromUtf8("读取失败")) ||
                        status.contains(QString::fromUtf8("无法读取淘宝的宝贝列表")))
                << status.toStdString();
        }

        // The run's watcher and worker release themselves; then the process
        // is measured.
        ASSERT_TRUE(TRunThread::WaitForRunThreads(std::chrono::seconds(5)));
        QCoreApplication::processEvents();
        const long rss = RssKiB(), threads = ThreadCount();
        if (run == kWarmUpRuns) {
            rssBase = rss;
            threadBase = threads;
        } else if (run > kWarmUpRuns) {
            rssMax = std::max(rssMax, rss);
            if (kRssTells) {
                ASSERT_LE(rss, rssBase + kRssBoundKiB) << "RSS grew from " << rssBase << " KiB";
            }
            ASSERT_LE(threads, threadBase + kThreadBound) << "threads grew from " << threadBase;
        }
        marketplace.ClearRequests();
    }
    std::cout << "RSS after warm-up " << rssBase << " KiB, at most " << rssMax << " KiB; "
              << threadBase << " threads\n";
}

} // namespace
