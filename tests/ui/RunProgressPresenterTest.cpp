#include "RunProgressPresenter.h"

#include "GbkText.h"
#include "QtWait.h"

#include <QLabel>
#include <QProgressBar>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct EndCase {
    TPassOutcome sales;
    TPassOutcome defaults;
    const char* text;
};

TEST(RunProgressPresenterTest, EndOfRunTexts) {
    using E = TPassEnd;
    const EndCase cases[] = {
        {{E::EndMarker, 3, 120}, {E::EndMarker, 3, 120}, ""},
        {{E::Stopped, 2}, {E::Stopped, 0}, "已停止：销量排序只读到第2页，未做比较。"},
        // A stop during the first page leaves no page read to name.
        {{E::Stopped, 0}, {E::Stopped, 0}, "已停止：销量排序第1页未读完，未做比较。"},
        {{E::EndMarker, 3}, {E::Stopped, 4}, "已停止：默认排序只读到第4页，结果只含前4页的宝贝。"},
        {{E::EndMarker, 3}, {E::Stopped, 0}, "已停止：默认排序第1页未读完，未做比较。"},
        // The stop is what the seller did last: it wins over a bound.
        {{E::NoItems, 7}, {E::Stopped, 2}, "已停止：默认排序只读到第2页，结果只含前2页的宝贝。"},
        {{E::PageLimit, 100},
         {E::EndMarker, 9},
         "销量排序读到第100页仍未到最后一页，已停止读取，结果可能不完整。"},
        {{E::EndMarker, 2},
         {E::NoItems, 5},
         "默认排序读到第5页时已连续5页没有读到宝贝，已停止读取，结果可能不完整。"},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TRunProgressPresenter::EndText({c.sales, c.defaults}), QString::fromUtf8(c.text));
    }
}

TFetchFailure Failure(int page, TFetchFailureKind kind, int status = 0) {
    TFetchFailure failure;
    failure.Page = page;
    failure.Kind = kind;
    failure.StatusCode = status;
    return failure;
}

// A pass outcome with failed pages, the last of them given.
TPassOutcome Failed(TPassEnd end, int lastPage, int items, int failedPages,
                    const TFetchFailure& last) {
    TPassOutcome outcome{end, lastPage, items};
    outcome.FailedPages = failedPages;
    outcome.LastFailure = last;
    return outcome;
}

TEST(RunProgressPresenterTest, FailuresTakeThePlaceOfTheBoundAndNothingReadIsNotAnAllClear) {
    using E = TPassEnd;
    using K = TFetchFailureKind;
    TPassOutcome emptyShop{E::EndMarker, 1, 0};
    emptyShop.Nick = test::Gbk("小店 a");
    const EndCase cases[] = {
        // The default listing could not be read: no comparison, and why.
        {Failed(E::NoItems, 5, 0, 5, Failure(5, K::ConnectionRefused)),
         Failed(E::NoItems, 5, 0, 5, Failure(5, K::ConnectionRefused)),
         "无法读取淘宝的宝贝列表（连接被拒绝），未做比较，请检查网络后重试。"},
        {{E::EndMarker, 2, 60},
         Failed(E::EndMarker, 1, 0, 1, Failure(1, K::ReadTimeout)),
         "无法读取淘宝的宝贝列表（读取超时），未做比较，请检查网络后重试。"},
        // The latest failure is the reason given.
        {Failed(E::NoItems, 5, 0, 5, Failure(5, K::HostNotFound)),
         {E::EndMarker, 1, 0},
         "无法读取淘宝的宝贝列表（找不到服务器），未做比较，请检查网络后重试。"},
        // Read in part: the pass, the page and the reason, and that the result is incomplete.
        {{E::EndMarker, 3, 120},
         Failed(E::EndMarker, 3, 80, 1, Failure(2, K::ServerError, 500)),
         "默认排序第2页读取失败（服务器返回错误 500），结果不完整。"},
        {{E::EndMarker, 3, 120},
         Failed(E::NoItems, 9, 80, 6, Failure(9, K::ConnectTimeout)),
         "默认排序有6页读取失败（最后是第9页：连接超时），结果不完整。"},
        // A sales page not read makes its items look demoted.
        {Failed(E::EndMarker, 3, 80, 1, Failure(2, K::ConnectionLost)),
         {E::EndMarker, 3, 120},
         "销量排序第2页读取失败（连接中断），结果不完整，降权宝贝可能有误。"},
        {Failed(E::EndMarker, 3, 80, 1, Failure(2, K::NetworkUnreachable)),
         Failed(E::EndMarker, 3, 80, 2, Failure(3, K::Other)),
         "销量排序第2页读取失败（网络不通）；默认排序有2页读取失败（最后是第3页：网络错误），"
         "结果不完整，降权宝贝可能有误。"},
        // Stop notices stay as they are.
        {Failed(E::Stopped, 2, 40, 1, Failure(1, K::ReadTimeout)),
         {E::Stopped, 0},
         "已停止：销量排序只读到第2页，未做比较。"},
        {{E::EndMarker, 3, 120},
         Failed(E::Stopped, 2, 0, 2, Failure(2, K::ReadTimeout)),
         "已停止：默认排序只读到第2页，未做比较。"},
        // Nothing failed and nothing found: the nick may be wrong.
        {{E::EndMarker, 1, 0}, emptyShop, "没有找到卖家“小店 a”的宝贝，请检查卖家ID是否正确。"},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TRunProgressPresenter::EndText({c.sales, c.defaults}).toStdString(), c.text);
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
        {[&] { presenter.PageFailed(s, Failure(1, K::ReadTimeout)); },
         "销量排序第1页读取失败（读取超时），继续…"},
        {[&] {
             presenter.PageStarted({s, 2, 0, 0});
         },
         "正在读取销量排序第2页，已找到0件宝贝（第1页读取失败：读取超时）"},
        {[&] { presenter.PageFailed(s, Failure(2, K::ServerError, 502)); },
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
        {[&] { presenter.PageFailed(d, Failure(1, K::ConnectionRefused)); },
         "默认排序第1页读取失败（连接被拒绝），继续…"},
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
    auto* bar = panel.findChild<QProgressBar*>("pbRun");
    const auto text = [](const TRunProgress& p) { return TRunProgressPresenter::ProgressText(p); };
    const TRunProgress first{TPass::Sales, 1, 0, 0}, second{TPass::Default, 1, 0, 3},
        third{TPass::Default, 3, 84, 3};
    presenter.RunStarted();
    presenter.PageStarted(first);
    EXPECT_EQ(panel.text(), text(first)); // after a quiet spell: at once

    presenter.PageStarted(second);
    presenter.PageStarted(third);
    EXPECT_EQ(panel.text(), text(first));
    ASSERT_TRUE(test::WaitUntil([&] { return panel.text() == text(third); }, 2000));
    EXPECT_EQ(bar->maximum(), 3);
    EXPECT_EQ(bar->value(), 2);

    // A page still waiting when the run ends is not shown over the end text.
    presenter.PageStarted(first);
    presenter.RunEnded({{TPassEnd::Stopped, 2}, {TPassEnd::Stopped, 0}});
    const QString end = QString::fromUtf8("已停止：销量排序只读到第2页，未做比较。");
    EXPECT_EQ(panel.text(), end);
    QTest::qWait(3 * TRunProgressPresenter::kShowInterval);
    EXPECT_EQ(panel.text(), end);
}

} // namespace
