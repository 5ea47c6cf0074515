#include "RunProgressPresenter.h"
#include "StatusPanel.h"

#include "GbkText.h"
#include "QtWait.h"
#include "RecordingDesktop.h"
#include "TestWindow.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace korvane;

namespace {

TFetchFailure Failure(int page, TFetchFailureKind kind, int status = 0) {
    TFetchFailure failure;
    failure.Page = page;
    failure.Kind = kind;
    failure.StatusCode = status;
    return failure;
}

// How a pass ended: the last page, the items and pages read, and the failed
// pages with the last of them.
TPassOutcome Pass(TPassEnd end, int lastPage, int items, int pagesRead) {
    TPassOutcome outcome{end, lastPage, items};
    outcome.PagesRead = pagesRead;
    outcome.Nick = test::Gbk("小店 a");
    return outcome;
}
TPassOutcome Pass(TPassEnd end, int lastPage, int items, int pagesRead, int failedPages,
                  const TFetchFailure& last) {
    TPassOutcome outcome = Pass(end, lastPage, items, pagesRead);
    outcome.FailedPages = failedPages;
    outcome.LastFailure.emplace(last);
    return outcome;
}

// What the check of the items left out found: the listing read twice in
// places, items found again, pages that failed when read again, and the
// items neither found nor confirmed (three confirmed when none is left).
TConfirmationOutcome Check(int duplicates, int cleared, int failedRereads,
                           std::vector<std::string> unconfirmed) {
    TConfirmationOutcome check;
    check.SalesDuplicates = duplicates;
    check.Cleared = cleared;
    check.FailedRereads = failedRereads;
    check.ConfirmedByReread = unconfirmed.empty() && cleared < duplicates ? 3 : 0;
    check.Unconfirmed = std::move(unconfirmed);
    return check;
}

struct EndCase {
    const char* name;
    TRunReport report;
    TAnalysisSummary summary;
    const char* text;
};

// A sales listing read to the marketplace's page limit, its last page giving
// the cut (none when no figure there could be read).
TPassOutcome SalesToTheLimit(TPassEnd end, std::optional<std::int32_t> lowest) {
    TPassOutcome outcome = Pass(end, kMaxPagesPerPass, 4200, kMaxPagesPerPass);
    outcome.LastPageItems = kItemsPerListingPage;
    outcome.LastPageLowestSales = lowest;
    return outcome;
}

// A default listing read to the page limit, its last page full.
TPassOutcome DefaultToTheLimit(TPassEnd end) {
    TPassOutcome outcome = Pass(end, kMaxPagesPerPass, 4200, kMaxPagesPerPass);
    outcome.LastPageItems = kItemsPerListingPage;
    return outcome;
}

// A 5,000-item shop: neither listing goes past page 100.
constexpr const char* kBothCut =
    "淘宝最多列出100页，默认排序第100页之后的宝贝未检查，结果只含前100页的宝贝。"
    "销量排序也未列全。5件销量不高于397笔的宝贝可能排在销量排序第100页之后，未计为降权。"
    "已比较的4,200件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。";

// Every way a run can end, and its text: only both listings read whole give
// the verdict, nothing read is never an all-clear, and each text leads with
// what it means in its first sentence.
std::vector<EndCase> Endings() {
    using E = TPassEnd;
    using K = TFetchFailureKind;
    const TPassOutcome whole = Pass(E::EndMarker, 3, 120, 3);
    const TPassOutcome notRun{};
    TRunReport analysisFailed{whole, whole};
    analysisFailed.AnalysisFailed = true;
    const TAnalysisSummary partial{4200, 20, 0, 0, 1};
    return {
        {"both read whole",
         {whole, whole},
         {120, 4, 0, 0, 2},
         "探测完成：卖家“小店 a”共120件宝贝，降权宝贝4件，重要宝贝被隐性降权2件。"},
        {"a large shop",
         {whole, Pass(E::EndMarker, 100, 4200, 100)},
         {4200, 1103, 0, 0, 10},
         "探测完成：卖家“小店 a”共4,200件宝贝，降权宝贝1,103件，重要宝贝被隐性降权10件。"},
        // Read in full and empty: a real empty shop, or a mistyped nick.
        {"read whole and empty",
         {Pass(E::EndMarker, 1, 0, 1), Pass(E::EndMarker, 1, 0, 1)},
         {},
         "没有找到卖家“小店 a”的宝贝，请检查卖家ID是否正确。"},

        // Stops name the pages read; a page that failed was not read.
        {"stopped in the sales listing",
         {Pass(E::Stopped, 2, 80, 2), notRun},
         {},
         "已停止：销量排序只读到第2页，未做比较。"},
        {"stopped during the first sales page",
         {Pass(E::Stopped, 0, 0, 0), notRun},
         {},
         "已停止：销量排序未读到任何一页，未做比较。"},
        {"stopped after sales pages timed out",
         {Pass(E::Stopped, 2, 0, 0, 2, Failure(2, K::ReadTimeout)), notRun},
         {},
         "已停止：销量排序未读到任何一页，未做比较。"},
        {"stopped after a sales page failed",
         {Pass(E::Stopped, 4, 120, 3, 1, Failure(2, K::ReadTimeout)), notRun},
         {},
         "已停止：销量排序读了3页，另有1页读取失败，未做比较。"},
        {"stopped in the default listing",
         {whole, Pass(E::Stopped, 4, 160, 4)},
         partial,
         "已停止：默认排序只读到第4页，结果只含前4页的宝贝。"
         "已比较的4,200件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。"},
        {"stopped in the default listing after a page failed",
         {whole, Pass(E::Stopped, 4, 120, 3, 1, Failure(2, K::ConnectionLost))},
         partial,
         "已停止：默认排序读了3页，另有1页读取失败，结果不完整。"
         "已比较的4,200件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。"},
        {"stopped before a default page was read",
         {whole, Pass(E::Stopped, 0, 0, 0)},
         {},
         "已停止：默认排序未读到任何一页，未做比较。"},
        {"stopped after default pages failed",
         {whole, Pass(E::Stopped, 2, 0, 0, 2, Failure(2, K::ReadTimeout))},
         {},
         "已停止：默认排序未读到任何一页，未做比较。"},

        // The marketplace answered with something other than the listing:
        // what the seller can do about it.
        {"sales answered with a verification page",
         {Pass(E::TurnedAway, 1, 0, 0, 1, Failure(1, K::NotAListing)), notRun},
         {},
         "未做比较：淘宝返回的不是宝贝列表，可能需要验证或登录。"
         "请在浏览器中打开淘宝，通过验证后重试（销量排序第1页）。"},
        {"sales sent on to https",
         {Pass(E::TurnedAway, 3, 80, 2, 1, Failure(3, K::LoginRequired)), notRun},
         {},
         "未做比较：淘宝要求登录或加密连接（https），本程序无法读取（销量排序第3页）。"},
        {"default answered with a verification page",
         {whole, Pass(E::TurnedAway, 1, 0, 0, 1, Failure(1, K::NotAListing))},
         {},
         "未做比较：淘宝返回的不是宝贝列表，可能需要验证或登录。"
         "请在浏览器中打开淘宝，通过验证后重试（默认排序第1页）。"},
        {"default turned away after two pages",
         {whole, Pass(E::TurnedAway, 3, 80, 2, 1, Failure(3, K::NotAListing))},
         partial,
         "结果只含默认排序前2页的宝贝：淘宝返回的不是宝贝列表，可能需要验证或登录。"
         "请在浏览器中打开淘宝，通过验证后重试（默认排序第3页）。"
         "已比较的4,200件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。"},

        // Failed pages.
        {"no answer",
         {Pass(E::NoAnswer, 2, 0, 0, 2, Failure(2, K::ReadTimeout)), notRun},
         {},
         "无法读取淘宝的宝贝列表（销量排序第1页起连续2页读取超时），未做比较，请检查网络后重试。"},
        {"no answer after a page",
         {whole, Pass(E::NoAnswer, 3, 0, 0, 2, Failure(3, K::ConnectTimeout))},
         {},
         "无法读取淘宝的宝贝列表（默认排序第2页起连续2页连接超时），未做比较，请检查网络后重试。"},
        {"no answer from the name server",
         {Pass(E::NoAnswer, 2, 0, 0, 2, Failure(2, K::LookupTimeout)), notRun},
         {},
         "无法读取淘宝的宝贝列表（销量排序第1页起连续2页域名解析超时），未做比较，请检查网络后重试"
         "。"},
        {"nothing could be read",
         {Pass(E::NoItems, 5, 0, 0, 5, Failure(5, K::ConnectionRefused)),
          Pass(E::NoItems, 5, 0, 0, 5, Failure(5, K::ConnectionRefused))},
         {},
         "无法读取淘宝的宝贝列表（连接被拒绝），未做比较，请检查网络后重试。"},
        {"default listing not read",
         {whole, Pass(E::EndMarker, 1, 0, 0, 1, Failure(1, K::ReadTimeout))},
         {},
         "无法读取淘宝的宝贝列表（读取超时），未做比较，请检查网络后重试。"},
        {"default's first page empty",
         {whole, Pass(E::EndMarker, 1, 0, 0, 1, Failure(1, K::EmptyPage))},
         {},
         "无法读取淘宝的宝贝列表（淘宝返回了空白页），未做比较，请检查网络后重试。"},
        {"sales listing not read, default empty",
         {Pass(E::NoItems, 5, 0, 0, 5, Failure(5, K::HostNotFound)), Pass(E::EndMarker, 1, 0, 1)},
         {},
         "无法读取淘宝的宝贝列表（找不到服务器），未做比较，请检查网络后重试。"},
        {"sales listing not read, default read",
         {Pass(E::NoItems, 5, 0, 0, 5, Failure(5, K::ServerError, 500)), whole},
         {},
         "无法读取销量排序的宝贝列表（服务器返回错误 500），未做比较，请检查网络后重试。"},
        // A sales page missing makes its items look demoted: nothing is compared.
        {"a sales page failed",
         {Pass(E::EndMarker, 3, 80, 2, 1, Failure(2, K::ConnectionLost)), whole},
         {},
         "未做比较：销量排序第2页读取失败（连接中断），请重试。"},
        {"a hollow sales page",
         {Pass(E::EndMarker, 3, 80, 2, 1, Failure(2, K::HollowPage)), whole},
         {},
         "未做比较：销量排序第2页读取失败（淘宝返回的页面中没有宝贝），请重试。"},
        {"a default page failed",
         {whole, Pass(E::EndMarker, 3, 80, 2, 1, Failure(2, K::ServerError, 500))},
         partial,
         "结果不完整：默认排序第2页读取失败（服务器返回错误 500）。"
         "已比较的4,200件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。"},
        {"default pages failed",
         {whole, Pass(E::NoItems, 9, 80, 3, 6, Failure(9, K::ConnectTimeout))},
         partial,
         "结果不完整：默认排序有6页读取失败（最后是第9页：连接超时）。"
         "已比较的4,200件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。"},

        // Bounds.
        {"sales pages without items",
         {Pass(E::NoItems, 5, 0, 5), whole},
         {},
         "未做比较：销量排序读到第5页时已连续5页没有读到宝贝。"},
        {"default pages without items",
         {whole, Pass(E::NoItems, 7, 40, 7)},
         partial,
         "结果可能不完整：默认排序读到第7页时已连续5页没有读到宝贝。"
         "已比较的4,200件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。"},
        {"default cut at the page limit",
         {whole, Pass(E::PageLimit, 100, 4200, 100)},
         partial,
         "淘宝最多列出100页，默认排序第100页之后的宝贝未检查，结果只含前100页的宝贝。"
         "已比较的4,200件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。"},

        // The sales listing cut at the page limit: its last page gives the cut.
        {"sales cut at the page limit",
         {SalesToTheLimit(E::PageLimit, 3), Pass(E::EndMarker, 110, 4500, 110)},
         {4500, 20, 280, 3, 1},
         "淘宝最多列出100页，销量排序未列全。280件销量不高于3笔的宝贝可能排在销量排序第100页之后，"
         "未计为降权。"
         "已比较的4,500件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。"},
        {"sales cut where the pager ends on a full last page",
         {SalesToTheLimit(E::EndMarker, 3), whole},
         {120, 20, 0, 3, 1},
         "淘宝最多列出100页，销量排序未列全，只列到销量3笔为止。"
         "已比较的120件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。"},
        {"sales cut without a figure on its last page",
         {SalesToTheLimit(E::PageLimit, std::nullopt), whole},
         {120, 20, 0, 0, 1},
         "淘宝最多列出100页，销量排序未列全：其第100页没有可读的销量，未列出的宝贝都计为降权。"
         "已比较的120件宝贝中，降权宝贝20件，重要宝贝被隐性降权1件。"},
        // Both listings cut, in either form of the limit each: both sentences.
        {"both cut",
         {SalesToTheLimit(E::PageLimit, 397), Pass(E::PageLimit, 100, 4200, 100)},
         {4200, 20, 5, 397, 1},
         kBothCut},
        {"both cut where each pager ends on a full page 100",
         {SalesToTheLimit(E::EndMarker, 397), DefaultToTheLimit(E::EndMarker)},
         {4200, 20, 5, 397, 1},
         kBothCut},
        {"sales cut at the limit, default where its pager ends",
         {SalesToTheLimit(E::PageLimit, 397), DefaultToTheLimit(E::EndMarker)},
         {4200, 20, 5, 397, 1},
         kBothCut},
        {"sales cut where its pager ends, default at the limit",
         {SalesToTheLimit(E::EndMarker, 397), DefaultToTheLimit(E::PageLimit)},
         {4200, 20, 5, 397, 1},
         kBothCut},

        // The two listings of one shop, one empty beside the other.
        {"sales listing empty beside the default one",
         {Pass(E::EndMarker, 1, 0, 1), Pass(E::EndMarker, 3, 101, 3)},
         {},
         "未做比较：销量排序没有列出任何宝贝。默认排序却列出了101件，淘宝可能限制了访问，"
         "请稍后重试。"},
        {"default listing empty beside the sales one",
         {Pass(E::EndMarker, 3, 101, 3), Pass(E::EndMarker, 1, 0, 1)},
         {},
         "未做比较：默认排序没有列出任何宝贝。销量排序却列出了101件，淘宝可能限制了访问，"
         "请稍后重试。"},

        // The sales listing moved while it was read: the items left out were
        // looked for again.
        {"moved, every item settled",
         {whole, whole, Check(2, 2, 0, {})},
         {120, 4, 0, 0, 2, 0, 1},
         "探测完成：卖家“小店 a”共120件宝贝，降权宝贝4件，重要宝贝被隐性降权2件。"
         "淘宝的列表在读取时有变动：2件宝贝复核时在销量排序中找到，未计为降权。"
         "1件宝贝的销量无法读取，不参与理论排名。"},
        {"moved, an item neither found nor confirmed",
         {whole, whole, Check(2, 1, 1, {"7"})},
         {120, 4, 0, 0, 2, 1},
         "结果不确定：1件宝贝未能确认是否降权。它们在销量排序中没有读到，复核时有1页读取失败，"
         "未计为降权，排名表中标为“未能确认是否降权”。"
         "已比较的120件宝贝中，降权宝贝4件，重要宝贝被隐性降权2件。"
         "淘宝的列表在读取时有变动：1件宝贝复核时在销量排序中找到，未计为降权。"},
        {"moved more than was found again",
         {whole, whole, Check(2, 0, 0, {})},
         {120, 4, 0, 0, 2},
         "结果可能不准：淘宝的列表在读取时有变动。3件降权宝贝复核时仍未找到，"
         "但也可能恰在复核时又换了位置。已比较的120件宝贝中，降权宝贝4件，重要宝贝被隐性降权2件。"},

        // The window could not take the items, or the analysis failed.
        {"hand-over failed",
         {whole, Pass(E::HandOverFailed, 2, 84, 2)},
         {},
         "程序无法保存读到的宝贝（可能内存不足），未做比较，请重试。"},
        {"analysis failed", analysisFailed, {}, "分析结果时出错（可能内存不足），结果可能不完整。"},
    };
}

TEST(RunProgressPresenterTest, EveryEndingHasItsText) {
    for (const EndCase& c : Endings()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TRunProgressPresenter::EndText(c.report, c.summary).toStdString(), c.text);
    }
}

// At the window's usual size the first sentence of every ending, which says
// what the result means, shows whole in the status bar; the rest is on
// hover and copies whole (StatusPanelTest).
TEST(RunProgressPresenterTest, EveryEndingIsReadableAtTheUsualSize) {
    test::TRecordingDesktop desktop;
    auto form = test::ShowTestWindow(desktop);
    ASSERT_EQ(form->size(), QSize(TMainForm::kClientWidth, TMainForm::kClientHeight));
    auto* sbar = test::FindControl<TStatusPanel>(*form, "sbar");
    for (const EndCase& c : Endings()) {
        SCOPED_TRACE(c.name);
        // The first sentence as the ending's expected text has it.
        const std::string expected = c.text;
        const std::size_t stop = expected.find("。");
        const QString sentence = QString::fromStdString(expected.substr(0, stop));
        const QString text = TRunProgressPresenter::EndText(c.report, c.summary);
        EXPECT_EQ(TRunProgressPresenter::LeadOf(text), sentence);
        sbar->setText(text);
        EXPECT_TRUE(sbar->ShownText().startsWith(sentence)) << sbar->ShownText().toStdString();
    }
}

TEST(RunProgressPresenterTest, FailedPageShowsAsItHappensAndStaysInViewDuringItsPass) {
    QLabel panel;
    TRunProgressPresenter presenter(&panel);
    presenter.RunStarted();
    using K = TFetchFailureKind;
    const TPass s = TPass::Sales, d = TPass::Default;
    struct Step {
        std::function<void()> event;
        const char* text;
    };
    const Step steps[] = {
        {[&] {
             presenter.PageStarted({s, 1, 0, 0});
         },
         "正在读取销量排序第1页，已找到0件宝贝"},
        {[&] { presenter.PageFailed(s, Failure(1, K::ReadTimeout), true); },
         "销量排序第1页读取失败（读取超时），继续…"},
        {[&] {
             presenter.PageStarted({s, 2, 0, 0});
         },
         "正在读取销量排序第2页，已找到0件宝贝（第1页读取失败：读取超时）"},
        {[&] { presenter.PageFailed(s, Failure(2, K::ServerError, 502), true); },
         "销量排序第2页读取失败（服务器返回错误 502），继续…"},
        {[&] {
             presenter.PageStarted({s, 3, 0, 0});
         },
         "正在读取销量排序第3页，已找到0件宝贝（已有2页读取失败，最后是第2页：服务器返回错误 "
         "502）"},
        // A new pass starts clean.
        {[&] {
             presenter.PageStarted({d, 1, 0, 3});
         },
         "正在读取默认排序第1页，已找到0件宝贝"},
        // A page that ends its pass does not promise more.
        {[&] { presenter.PageFailed(d, Failure(1, K::ConnectionRefused), false); },
         "默认排序第1页读取失败（连接被拒绝）"},
        // And so does a new run.
        {[&] { presenter.RunStarted(); }, ""},
        {[&] {
             presenter.PageStarted({d, 4, 9, 3});
         },
         "正在读取默认排序第4页，已找到9件宝贝"},
    };
    for (const Step& step : steps) {
        step.event();
        // Page lines may wait out the interval since the last line shown.
        EXPECT_TRUE(test::WaitUntil([&] { return panel.text().toStdString() == step.text; }, 2000))
            << panel.text().toStdString() << " instead of " << step.text;
    }
}

TEST(RunProgressPresenterTest, PagesInQuickSuccessionShowTheLatest) {
    QLabel panel;
    TRunProgressPresenter presenter(&panel);
    auto* bar = panel.findChild<QProgressBar*>(QStringLiteral("pbRun"));
    const auto text = [](const TRunProgress& p) { return TRunProgressPresenter::ProgressText(p); };
    const TRunProgress first{TPass::Sales, 1, 0, 0}, second{TPass::Default, 1, 0, 3},
        third{TPass::Default, 3, 84, 3};
    presenter.RunStarted();
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    presenter.PageStarted(first);
    EXPECT_EQ(panel.text(), text(first)); // after a quiet spell: at once

    presenter.PageStarted(second);
    presenter.PageStarted(third);
    // Within the interval the first stays; a machine slow enough to pass it
    // between two calls rightly shows a later page at once.
    if (sinceFirst.elapsed() < TRunProgressPresenter::kShowInterval) {
        EXPECT_EQ(panel.text(), text(first));
    }
    ASSERT_TRUE(test::WaitUntil([&] { return panel.text() == text(third); }, 2000));
    EXPECT_EQ(bar->maximum(), 3);
    EXPECT_EQ(bar->value(), 2);

    // A page still waiting when the run ends is not shown over the end text.
    presenter.PageStarted(first);
    presenter.RunEnded({Pass(TPassEnd::Stopped, 2, 84, 2), {}});
    const QString end = QString::fromUtf8("已停止：销量排序只读到第2页，未做比较。");
    EXPECT_EQ(panel.text(), end);
    QTest::qWait(3 * TRunProgressPresenter::kShowInterval);
    EXPECT_EQ(panel.text(), end);
}

} // namespace
