// Whole detection runs through the window, from a press of 探测 until the
// button is back: a 4,200-item shop (100 pages a pass, about 300 KB each),
// fetched from memory, and over the loopback marketplace set against bare
// fetches of the same pages in the same iteration; and a marketplace that
// never answers.
#include "EmptyWebPanes.h"
#include "FixtureMarketplace.h"
#include "ListingFetch.h"
#include "ListingPageBuilder.h"
#include "ListingUrls.h"
#include "LoopbackServer.h"
#include "Main.h"
#include "PaintRecorder.h"
#include "QtWait.h"
#include "RecordingDesktop.h"
#include "ResultTables.h"
#include "RunReport.h"
#include "ThreadUnit.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <stdexcept>

using namespace korvane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kShopItems = 4200;
constexpr int kRunLimitMs = 120'000;

std::vector<std::string> ShopPages(bool salesOrder) {
    std::vector<std::string> pages;
    for (int first = 0; first < kShopItems; first += kItemsPerListingPage) {
        test::ListingPageBuilder page;
        for (int i = first; i < std::min(first + kItemsPerListingPage, kShopItems); ++i) {
            // The sales listing in another order than the default one.
            const int item = salesOrder ? (i * 37) % kShopItems : i;
            page.Add(
                test::MakeItem(std::to_string(10'000'000'000LL + item * 7919),
                               "2012新款 韩版修身长袖连衣裙 女装 秋装 包邮 " + std::to_string(item),
                               "168.00", std::to_string((item * 13) % 997)));
        }
        pages.push_back(page.ItemPadding(6'000)
                            .PagePadding(40'000)
                            .Last(first + kItemsPerListingPage >= kShopItems)
                            .Build());
    }
    return pages;
}

// Both listings, built once for the whole program.
const std::vector<std::string>& Pages(bool sales) {
    static const std::vector<std::string> salesPages = ShopPages(true);
    static const std::vector<std::string> defaultPages = ShopPages(false);
    return sales ? salesPages : defaultPages;
}

// The listing page a URL asks for, as the marketplace would pick it.
const std::string* PageFor(const std::string& url) {
    if (url.find("/search_auction.htm?") == std::string::npos)
        return nullptr;
    const bool sales = url.find("sort=biz30day") != std::string::npos;
    const std::size_t s = url.find("&s=");
    const int page = s == std::string::npos ? 1 : std::atoi(url.c_str() + s + 3) / 42 + 1;
    const auto& pages = Pages(sales);
    return page >= 1 && page <= static_cast<int>(pages.size())
               ? &pages[static_cast<std::size_t>(page) - 1]
               : nullptr;
}

// The window as the user has it, on the first tab, with the crawl's fetch
// replaced by fetch.
class TBenchWindow {
public:
    explicit TBenchWindow(TMainFormSettings settings) {
        settings.VersionUrl.clear();
        settings.Desktop = &Desktop;
        test::LeaveWebPanesEmpty(settings);
        Form = std::make_unique<TMainForm>(std::move(settings));
        Form->show();
        test::WaitUntil([this] { return Form->isVisible(); }, 1000);
        QCoreApplication::processEvents();
        Button = Form->findChild<QPushButton*>(QStringLiteral("btnSearch"));
        // A blank nick starts no run.
        Form->findChild<QLineEdit*>(QStringLiteral("txtID"))->setText(QStringLiteral("shop"));
        Painted = std::make_unique<test::TPaintRecorder>(
            Form->findChild<QAbstractScrollArea*>(QStringLiteral("sgData1"))->viewport());
    }
    ~TBenchWindow() {
        Painted.reset();
        Form.reset();
        TRunThread::WaitForRunThreads(std::chrono::seconds(5));
    }

    // Press of 探测 to the button back, in seconds.
    double Run() {
        const Clock::time_point start = Clock::now();
        Button->click();
        if (!test::WaitUntil([this] { return Button->isEnabled(); }, kRunLimitMs))
            throw std::runtime_error("the run did not end");
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        // Let the run's threads go before the next, outside the measured time.
        TRunThread::WaitForRunThreads(std::chrono::seconds(5));
        return seconds;
    }

    TMainForm& Window() { return *Form; }
    // Paints of sgData1's cells so far.
    int Paints() const { return Painted->Paints; }

private:
    test::TRecordingDesktop Desktop;
    std::unique_ptr<TMainForm> Form;
    QPushButton* Button = nullptr;
    std::unique_ptr<test::TPaintRecorder> Painted;
};

void CheckRows(benchmark::State& state, TMainForm& form) {
    if (form.Grid1().RowCount() != kShopItems + 2)
        state.SkipWithError("sgData1 does not hold every item");
}

void BM_WholeRunInMemory(benchmark::State& state) {
    TMainFormSettings settings;
    // When the default pass asked for its first page: the sales pass is over.
    std::atomic<Clock::rep> defaultStart{0};
    settings.FetchPage = [&defaultStart](const std::string& url, std::string& body) {
        if (url.find("sort=coefp") != std::string::npos && url.find("&s=") == std::string::npos)
            defaultStart = Clock::now().time_since_epoch().count();
        if (const std::string* page = PageFor(url))
            body = *page;
    };
    TBenchWindow window(std::move(settings));
    double salesTotal = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        state.SetIterationTime(window.Run());
        salesTotal += std::chrono::duration<double>(
                          Clock::time_point(Clock::duration(defaultStart.load())) - start)
                          .count();
    }
    state.counters["sales_pass_ms"] =
        benchmark::Counter(salesTotal * 1000, benchmark::Counter::kAvgIterations);
    CheckRows(state, window.Window());
    state.counters["items"] = kShopItems;
    state.counters["sgData1_paints"] =
        benchmark::Counter(window.Paints(), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_WholeRunInMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One repaint of sgData1 full of a finished run's rows: what a refresh of
// the table costs the window, while a run fills it or the seller scrolls.
void BM_GridRepaint(benchmark::State& state) {
    TMainFormSettings settings;
    settings.FetchPage = [](const std::string& url, std::string& body) {
        if (const std::string* page = PageFor(url))
            body = *page;
    };
    TBenchWindow window(std::move(settings));
    window.Run();
    QWidget* cells =
        window.Window().findChild<QAbstractScrollArea*>(QStringLiteral("sgData1"))->viewport();
    for (auto _ : state)
        cells->repaint();
}
BENCHMARK(BM_GridRepaint)->Unit(benchmark::kMicrosecond);

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The run against the same pages fetched one after another with the crawl's
// own fetch and nothing else; the counter "ratio" is run time over fetch time,
// "ratio_median" the median of the iterations' own ratios. The bare fetches
// come before the run in every other iteration, so a machine that slows down
// or speeds up meanwhile does not favour either side. The argument delays
// every answer of the marketplace by that many milliseconds.
void BM_WholeRunLoopback(benchmark::State& state) {
    test::FixtureMarketplace marketplace;
    marketplace.SetShop(Pages(true), Pages(false));
    // Each page answered that late, as a real server would: what the run
    // adds to its fetches then shows without loopback's near-free transfer.
    marketplace.SetDelay(std::chrono::milliseconds(state.range(0)));
    std::mutex lock;
    std::vector<std::string> urls;
    TMainFormSettings settings;
    settings.SearchHost = marketplace.Host();
    double inRun = 0;
    settings.FetchPage = [&](const std::string& url, std::string& body) {
        {
            std::lock_guard guard(lock);
            urls.push_back(url);
        }
        const Clock::time_point start = Clock::now();
        FetchListingPage(url, body);
        inRun += std::chrono::duration<double>(Clock::now() - start).count();
    };
    TBenchWindow window(std::move(settings));
    const auto bareFetches = [&urls] {
        const Clock::time_point start = Clock::now();
        for (const std::string& url : urls) {
            std::string body;
            FetchListingPage(url, body);
            benchmark::DoNotOptimize(body.data());
        }
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    double runTotal = 0, fetchTotal = 0;
    std::vector<double> ratios;
    for (auto _ : state) {
        // The pages of the run before: every run asks for the same ones.
        const bool bareFirst = ratios.size() % 2 == 1;
        double fetch = bareFirst ? bareFetches() : 0;
        urls.clear();
        const double run = window.Run();
        if (!bareFirst)
            fetch = bareFetches();
        fetchTotal += fetch;
        runTotal += run;
        ratios.push_back(fetch > 0 ? run / fetch : 0);
        state.SetIterationTime(run);
        marketplace.ClearRequests();
    }
    CheckRows(state, window.Window());
    state.counters["sgData1_paints"] =
        benchmark::Counter(window.Paints(), benchmark::Counter::kAvgIterations);
    state.counters["pages"] = static_cast<double>(urls.size());
    state.counters["fetch_in_run_ms"] =
        benchmark::Counter(inRun * 1000, benchmark::Counter::kAvgIterations);
    state.counters["fetch_ms"] =
        benchmark::Counter(fetchTotal * 1000, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = fetchTotal > 0 ? runTotal / fetchTotal : 0;
    state.counters["ratio_median"] = Median(ratios);
}
BENCHMARK(BM_WholeRunLoopback)
    ->ArgName("server_delay_ms")
    ->Arg(0)
    ->Arg(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(4.0);

// A 4,200-item shop listed by sales as the marketplace lists it, figures
// falling item by item, and its default listing in another order. When
// moving, three items sell enough to stand on pages 1, 3 and 5 once the
// sales listing's page 30 has been asked for: the sales pass never reads
// them and reads three others twice, and the run looks for them again.
struct TSortedShop {
    std::vector<std::string> Sales, Default, MovedSales;
};

const TSortedShop& SortedShop() {
    static const TSortedShop shop = [] {
        std::vector<test::FixtureItem> bySales;
        for (int i = 0; i < kShopItems; ++i)
            bySales.push_back(
                test::MakeItem(std::to_string(20'000'000'000LL + i * 7919),
                               "2012新款 韩版修身长袖连衣裙 女装 秋装 包邮 " + std::to_string(i),
                               "168.00", std::to_string(100'000 - 20 * i)));
        const auto pages = [](const std::vector<test::FixtureItem>& items) {
            std::vector<std::string> built;
            for (std::size_t first = 0; first < items.size(); first += kItemsPerListingPage) {
                test::ListingPageBuilder page;
                for (std::size_t i = first;
                     i < std::min(first + kItemsPerListingPage, items.size()); ++i)
                    page.Add(items[i]);
                built.push_back(page.ItemPadding(6'000)
                                    .PagePadding(40'000)
                                    .Last(first + kItemsPerListingPage >= items.size())
                                    .Build());
            }
            return built;
        };
        std::vector<test::FixtureItem> moved = bySales;
        for (const auto& [from, to] : {std::pair{3000, 10}, std::pair{3100, 100}, {3200, 190}})
            moved[static_cast<std::size_t>(from)].SalesText =
                std::to_string(100'000 - 20 * to + 10);
        std::stable_sort(moved.begin(), moved.end(), [](const auto& a, const auto& b) {
            return std::stoi(*a.SalesText) > std::stoi(*b.SalesText);
        });
        std::vector<test::FixtureItem> byDefault;
        for (int i = 0; i < kShopItems; ++i)
            byDefault.push_back(moved[static_cast<std::size_t>((i * 37) % kShopItems)]);
        return TSortedShop{pages(bySales), pages(byDefault), pages(moved)};
    }();
    return shop;
}

// The run of that shop, still (argument 0) and moving (1), over the
// loopback marketplace with every answer 2 ms late. The counter "rereads"
// is the pages read again; set the moving run's time against the still one's
// for what the check costs.
void BM_WholeRunOfAMovingListing(benchmark::State& state) {
    const bool moving = state.range(0) != 0;
    const TSortedShop& shop = SortedShop();
    test::FixtureMarketplace marketplace;
    marketplace.SetShop(shop.Sales, shop.Default);
    marketplace.SetDelay(std::chrono::milliseconds(2));
    TMainFormSettings settings;
    settings.SearchHost = marketplace.Host();
    TBenchWindow window(std::move(settings));
    std::size_t requests = 0;
    for (auto _ : state) {
        marketplace.ClearRequests();
        if (moving)
            marketplace.MoveSalesListingAfter(30, shop.MovedSales);
        state.SetIterationTime(window.Run());
        requests = marketplace.Requests().size();
        // The next run starts from the listing before the move.
        marketplace.SetShop(shop.Sales, shop.Default);
    }
    CheckRows(state, window.Window());
    if (!window.Window().Grid2().Cell(demoted::kId, 1).empty())
        state.SkipWithError("an item that only moved was called demoted");
    state.counters["pages"] = static_cast<double>(requests);
    state.counters["rereads"] = static_cast<double>(requests) - 2.0 * kMaxPagesPerPass;
}
BENCHMARK(BM_WholeRunOfAMovingListing)
    ->ArgName("moving")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(4.0);

// A whole run with the shipped limits against a marketplace set up to fail
// slowly: from the press of 探测 until the run ends with its reason, the time
// the seller waits, and how many pages were asked for.
void TimeSlowMarketplace(benchmark::State& state,
                         const std::function<void(test::FixtureMarketplace&)>& slow) {
    test::FixtureMarketplace marketplace;
    marketplace.SetShop(Pages(true), Pages(false));
    slow(marketplace);
    TMainFormSettings settings;
    settings.SearchHost = marketplace.Host();
    TBenchWindow window(std::move(settings));
    for (auto _ : state) {
        marketplace.ClearRequests();
        state.SetIterationTime(window.Run());
    }
    state.counters["pages_asked"] = static_cast<double>(marketplace.Requests().size());
}

// A marketplace that accepts the connection and never answers. Goal: about 25 s.
void BM_MarketplaceThatNeverAnswers(benchmark::State& state) {
    TimeSlowMarketplace(state, [](test::FixtureMarketplace& marketplace) {
        marketplace.SetDelay(std::chrono::minutes(5));
    });
}
BENCHMARK(BM_MarketplaceThatNeverAnswers)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

// A marketplace that sends each listing page's head at once and then the
// page a byte at a time, every wait short. Goal: within 60 s.
void BM_MarketplaceThatTrickles(benchmark::State& state) {
    TimeSlowMarketplace(state, [](test::FixtureMarketplace& marketplace) {
        for (int page = 1; page <= kMaxPagesPerPass; ++page) {
            marketplace.SetFault(true, page, test::FixtureMarketplace::TFault::Trickle);
            marketplace.SetFault(false, page, test::FixtureMarketplace::TFault::Trickle);
        }
    });
}
BENCHMARK(BM_MarketplaceThatTrickles)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

// The program's start against a publisher whose version document trickles
// in a byte a second, with the shipped version check: from creating the
// window to its being shown. Goal: within 15 s. Counter splash_ms: from
// creating the window to the splash on screen, as the check starts its fetch
// (-1: no splash). Goal: within 0.5 s.
void BM_StartAgainstATricklingVersionDocument(benchmark::State& state) {
    test::LoopbackServer site;
    site.Start();
    for (auto _ : state) {
        site.Add([](test::LoopbackPeer& peer) {
            peer.ReadRequestHead();
            peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 112\r\n\r\n1.0");
            while (!peer.WaitForClientClose(std::chrono::milliseconds(1000)))
                peer.Send("x");
        });
        test::TRecordingDesktop desktop;
        TMainFormSettings settings;
        settings.VersionUrl = site.Url("/soft/korvane/version.txt");
        settings.Desktop = &desktop;
        test::LeaveWebPanesEmpty(settings);
        Clock::time_point start = Clock::now();
        double splashMs = -1;
        settings.FetchVersion = [&splashMs, &start, fetch = settings.FetchVersion](
                                    const std::string& url, std::string& body) {
            for (const QWidget* window : QApplication::topLevelWidgets())
                if (window->objectName() == QStringLiteral("StartSplash") && window->isVisible())
                    splashMs =
                        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            fetch(url, body);
        };
        start = Clock::now();
        TMainForm form(std::move(settings));
        form.show();
        test::WaitUntil([&form] { return form.isVisible(); }, 1000);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        state.counters["splash_ms"] = splashMs;
    }
    site.Stop();
}
BENCHMARK(BM_StartAgainstATricklingVersionDocument)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

} // namespace

// A window needs the application object; the offscreen platform unless the
// environment chose one (QT_QPA_PLATFORM=xcb under Xvfb), with a desktop's
// screen: on the platform's own 800 x 600 one the window would shrink, and
// fewer rows would be drawn than at its usual size.
int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" KORVANE_BENCH_SCREEN);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
