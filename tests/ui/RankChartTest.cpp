// The ranking chart on the ranking tab, through the real window and runs
// against a loopback marketplace.
#include "Main.h"
#include "RunWindowTest.h"

#include "FixtureMarketplace.h"
#include "GridView.h"
#include "QtWait.h"
#include "RankChart.h"
#include "RecordingDesktop.h"
#include "ResultTexts.h"
#include "RunProgressPresenter.h"
#include "TestWindow.h"
#include "ThreadUnit.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QScatterSeries>
#include <QTabWidget>
#include <QToolTip>
#include <QValueAxis>
#include <QWheelEvent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace korvane;
using korvane::test::FixtureItem;
using korvane::test::FixtureMarketplace;
using korvane::test::MakeItem;

namespace {

// The worked example: default order V, W, X, Y, Z; the sales listing leaves
// Y out. Ranked: W (sales rank 1, rank 2) and Z (2, 5) pushed down, X (3, 3)
// and V (4, 1) not.
const FixtureItem V = MakeItem("101", "V", "1.00", "5"), W = MakeItem("102", "W", "2.00", "9"),
                  X = MakeItem("103", "X", "3.00", "5"), Y = MakeItem("104", "Y", "4.00", "0"),
                  Z = MakeItem("105", "Z", "5.00", "9");

class RankChartTest : public test::RunWindowTest {
protected:
    void SetUp() override {
        RunWindowTest::SetUp();
        // Tooltips show only over the active window.
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
        Form->findChild<QTabWidget*>(QStringLiteral("MainPage"))->setCurrentIndex(2);
    }

    template <typename T> T* Find(const char* name) const {
        return test::FindControl<T>(*Form, name);
    }
    TRankChart* Chart() const { return Find<TRankChart>("chtRanking"); }
    QPushButton* ChartButton() const { return Find<QPushButton>("btnChart"); }
    QPushButton* SearchButton() const { return Find<QPushButton>("btnSearch"); }

    void RunWorkedExample() {
        Marketplace.SetShop(FixtureMarketplace::ShopPages({W, Z, V, X}),
                            FixtureMarketplace::ShopPages({V, W, X, Y, Z}));
        Run(QString::fromUtf8("韩都衣舍"));
    }
    void ShowChart() {
        if (Chart()->isHidden())
            ChartButton()->click();
        QApplication::processEvents();
    }

    // Every drawn point and its colour, by (sales rank, rank).
    std::map<std::pair<int, int>, QColor> Points() const {
        std::map<std::pair<int, int>, QColor> points;
        for (QAbstractSeries* series : Chart()->chart()->series())
            if (auto* scatter = qobject_cast<QScatterSeries*>(series))
                for (const QPointF& p : scatter->points())
                    points[{static_cast<int>(p.x()), static_cast<int>(p.y())}] = scatter->color();
        return points;
    }
    // Rows straight into the ranking table, more than fit on screen.
    void FillRanking(int rows) {
        TStringGrid& grid = Form->Grid3();
        for (int i = 0; i < rows; ++i) {
            const int r = grid.RowCount() - 1;
            grid.SetCell(0, r, std::to_string(r));
            grid.SetCell(1, r, "t" + std::to_string(r));
            grid.SetRowCount(r + 2);
        }
        // Appended rows reach the view in batches: wait until they have.
        auto* table = Find<TGridView>("sgData3");
        EXPECT_TRUE(test::WaitUntil(
            [&] { return table->model()->rowCount() == grid.RowCount() - 1; }, 2000));
    }
    QLabel* NothingRanked() const { return Find<QLabel>("labNothingRanked"); }

    // A shop of n ranked items, drawn as at the end of a run: each item at
    // its earned rank but for the top sellers 1, 3, 5, 7, 9, which swap
    // places with the next one down (and so are red, over their blue
    // neighbours), and 10, swapped with the item at rank 3000 when there is one.
    void DrawShop(int n) {
        std::vector<int> rankOf(static_cast<std::size_t>(n) + 1);
        for (int salesRank = 1; salesRank <= n; ++salesRank)
            rankOf[static_cast<std::size_t>(salesRank)] = salesRank;
        for (int k = 1; k < 10 && k < n; k += 2)
            std::swap(rankOf[static_cast<std::size_t>(k)], rankOf[static_cast<std::size_t>(k) + 1]);
        if (n >= 3000)
            std::swap(rankOf[10], rankOf[3000]);
        std::vector<std::vector<std::string>> rows;
        for (int salesRank = 1; salesRank <= n; ++salesRank) {
            const int rank = rankOf[static_cast<std::size_t>(salesRank)];
            std::string verdict;
            if (salesRank <= 10)
                verdict =
                    std::string(rank > salesRank ? texts::kDemotedVerdict : texts::kNormalVerdict);
            rows.push_back({"t" + std::to_string(salesRank), std::to_string(100000 - salesRank),
                            "1.00", std::to_string(rank), std::to_string(salesRank),
                            std::to_string(salesRank - rank), verdict,
                            std::to_string(5000 + salesRank)});
        }
        test::FillRankingRows(Form->Grid3(), rows);
        Form->FinishRun(test::ReadWholeReport()); // the end of a run draws the chart
        ShowChart();
        Settle();
    }
    // The chart lays itself out on later turns of the event loop, and sets
    // its axes after that.
    static void Settle() {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
    QCategoryAxis* Axis(Qt::Orientation orientation) const {
        return qobject_cast<QCategoryAxis*>(Chart()->chart()->axes(orientation).value(0));
    }
    QPushButton* ShowAllButton() const { return Find<QPushButton>("btnChartAll"); }
    QPushButton* HomeButton() const { return Find<QPushButton>("btnChartHome"); }
    QRectF Shown() const { return Chart()->View().Current(); }

    QWidget* ChartSurface() const { return Chart()->viewport(); }
    static QWidget* Focus() { return QApplication::focusWidget(); }
    static void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Focus(), static_cast<Qt::Key>(key), modifiers);
        Settle();
    }
    // The chart reached as a seller reaches it: Tab from 表格.
    void TabToChart() {
        ChartButton()->setFocus();
        Key(Qt::Key_Tab);
        ASSERT_EQ(Focus(), Chart());
    }
    static QMenu* OpenMenu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
    static QAction* MenuAction(QMenu* menu, const char* name) {
        auto* action = menu->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }
    // In the open menu, that entry with the arrows' highlight, then Enter.
    void ChooseInMenu(const char* name) {
        Settle();
        QMenu* menu = OpenMenu();
        ASSERT_NE(menu, nullptr);
        menu->setActiveAction(MenuAction(menu, name));
        QTest::keyClick(menu, Qt::Key_Return);
        Settle();
        EXPECT_EQ(OpenMenu(), nullptr);
        EXPECT_EQ(Focus(), Chart());
    }
    // A point of the viewport far from every point: the chart's top left corner.
    static QPoint Blank() { return {3, 3}; }
};

TEST_F(RankChartTest, ButtonSwitchesTheTableAndTheChart) {
    EXPECT_EQ(ChartButton()->geometry(), QRect(258, 8, 75, 25));
    EXPECT_EQ(ChartButton()->text(), QString::fromUtf8("图表"));
    EXPECT_TRUE(ChartButton()->isEnabled());
    auto* table = Find<TGridView>("sgData3");
    EXPECT_TRUE(table->isVisible());
    EXPECT_FALSE(Chart()->isVisible());
    FillRanking(60); // more rows than fit: the table's scroll bar shows
    // It follows the view's layout, which comes after the rows.
    EXPECT_TRUE(test::WaitUntil([this] { return Find<QWidget>("sgData3VSB")->isVisible(); }, 5000));

    ChartButton()->click();
    EXPECT_EQ(ChartButton()->text(), QString::fromUtf8("表格"));
    // The table's scroll bars go with it: they stick out of its area.
    EXPECT_FALSE(Find<QWidget>("sgData3VSB")->isVisible());
    EXPECT_TRUE(Chart()->isVisible());
    EXPECT_FALSE(table->isVisible());
    EXPECT_EQ(Chart()->geometry(), table->geometry());
    // No run yet: the line that nothing is ranked, no axes.
    EXPECT_TRUE(NothingRanked()->isVisible());
    EXPECT_EQ(NothingRanked()->text(), QString::fromUtf8("没有参与排名的宝贝"));
    EXPECT_TRUE(Chart()->chart()->axes().isEmpty());

    // The chart follows the layout rule with the table it replaces.
    const QRect before = table->geometry();
    Form->resize(1400, 900);
    QApplication::processEvents();
    EXPECT_NE(table->geometry(), before);
    EXPECT_EQ(Chart()->geometry(), table->geometry());

    ChartButton()->click();
    EXPECT_EQ(ChartButton()->text(), QString::fromUtf8("图表"));
    EXPECT_TRUE(table->isVisible());
    EXPECT_FALSE(Chart()->isVisible());
    EXPECT_TRUE(test::WaitUntil([this] { return Find<QWidget>("sgData3VSB")->isVisible(); }, 5000));

    // Usable exactly when a run may start: not while one goes on.
    Marketplace.SetShop(FixtureMarketplace::ShopPages({X}), FixtureMarketplace::ShopPages({X}));
    Press("shop");
    EXPECT_FALSE(SearchButton()->isEnabled());
    EXPECT_FALSE(ChartButton()->isEnabled());
    ASSERT_TRUE(test::WaitUntil([this] { return SearchButton()->isEnabled(); }, test::kRunWaitMs));
    EXPECT_TRUE(ChartButton()->isEnabled());
}

TEST_F(RankChartTest, WorkedExampleGivesOnePointPerRankedItem) {
    RunWorkedExample();
    ShowChart();

    const auto points = Points();
    const QColor red(255, 0, 0);
    ASSERT_EQ(points.size(), 4u); // Y is demoted: no point
    // W ties with Z: at rank 2 it stands where its sales may place it.
    EXPECT_EQ(points.at({2, 5}), red);
    const QColor calm = points.at({3, 3});
    EXPECT_EQ(points.at({1, 2}), calm);
    EXPECT_EQ(points.at({4, 1}), calm);
    EXPECT_NE(calm, red);

    QChart* chart = Chart()->chart();
    EXPECT_EQ(chart->title(), QString::fromUtf8("韩都衣舍：参与排名宝贝4个，降权宝贝1个"));
    EXPECT_FALSE(NothingRanked()->isVisible());
    auto* x = qobject_cast<QValueAxis*>(chart->axes(Qt::Horizontal).value(0));
    auto* y = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
    ASSERT_TRUE(x && y);
    EXPECT_EQ(x->titleText(), QString::fromUtf8("理论排名（按销量）"));
    EXPECT_EQ(y->titleText(), QString::fromUtf8("实际排名（默认排序）"));
    // Both from rank 1 to the last, rank 1 at the top.
    for (QValueAxis* axis : {x, y}) {
        EXPECT_LT(axis->min(), 1);
        EXPECT_GT(axis->min(), 0);
        EXPECT_GE(axis->max(), 5);
        EXPECT_LT(axis->max(), 6);
    }
    EXPECT_TRUE(y->isReverse());
    EXPECT_FALSE(x->isReverse());
    EXPECT_LT(Chart()->PointPosition(4, 1).y(), Chart()->PointPosition(2, 5).y());
    // The diagonal where both ranks agree.
    QLineSeries* diagonal = nullptr;
    for (QAbstractSeries* series : chart->series())
        if (series->type() == QAbstractSeries::SeriesTypeLine)
            diagonal = static_cast<QLineSeries*>(series);
    ASSERT_NE(diagonal, nullptr);
    for (const QPointF& p : diagonal->points())
        EXPECT_EQ(p.x(), p.y());
}

TEST_F(RankChartTest, HiddenChartIsDrawnWhenShownFromTheTablesOfTheLastRun) {
    auto* tabs = Find<QTabWidget>("MainPage");
    tabs->setCurrentIndex(0);
    RunWorkedExample();
    // Nothing drawn while nobody looks; the table sorted meanwhile.
    EXPECT_TRUE(Chart()->chart()->series().isEmpty());
    Find<QComboBox>("cbSort")->setCurrentIndex(0);
    Find<QPushButton>("btnSort")->click();
    // A second run before the chart was ever shown: only its results count.
    Marketplace.SetShop(FixtureMarketplace::ShopPages({W, X}),
                        FixtureMarketplace::ShopPages({X, W}));
    Run("second");
    EXPECT_TRUE(Chart()->chart()->series().isEmpty());

    tabs->setCurrentIndex(2);
    ShowChart();
    const auto points = Points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_TRUE(points.contains({2, 1})); // X: sales rank 2, first by default
    EXPECT_TRUE(points.contains({1, 2})); // W
    EXPECT_EQ(Chart()->chart()->title(), QString::fromUtf8("second：参与排名宝贝2个，降权宝贝0个"));

    // Drawn once: leaving the tab and coming back keeps the same chart.
    QAbstractSeries* first = Chart()->chart()->series().value(0);
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(2);
    EXPECT_EQ(Chart()->chart()->series().value(0), first);
}

// Counts the tooltip requests the application sends a widget once the
// pointer rests on it.
class TToolTipRequests final : public QObject {
public:
    explicit TToolTipRequests(QWidget* widget) { widget->installEventFilter(this); }
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        Count += event->type() == QEvent::ToolTip;
        return false;
    }
};

TEST_F(RankChartTest, HoverNamesTheItemEvenAfterTheTableIsSorted) {
    RunWorkedExample();
    ShowChart();
    // Sorted by difference: the rows move, the points do not.
    const auto before = Points();
    Find<QComboBox>("cbSort")->setCurrentIndex(0);
    Find<QPushButton>("btnSort")->click();
    EXPECT_EQ(Points(), before);

    TToolTipRequests requests(ChartSurface());
    // The pointer rests: the application asks for the tooltip, which must
    // then show (and not be taken away by the request).
    const auto rest = [&](QPoint at) {
        const int asked = requests.Count;
        QTest::mouseMove(ChartSurface(), at);
        EXPECT_TRUE(test::WaitUntil([&] { return requests.Count > asked; }, 5000));
        QApplication::processEvents();
    };
    struct Case {
        int salesRank, rank;
        const char* text;
    };
    for (const Case& c : {Case{1, 2, "W\n实际排名：2　理论排名：1\n成交量：9"},
                          Case{2, 5, "Z\n实际排名：5　理论排名：2\n成交量：9"},
                          Case{4, 1, "V\n实际排名：1　理论排名：4\n成交量：5"}}) {
        SCOPED_TRACE(c.text);
        // Two pixels off the centre still picks the point, and one more
        // pixel keeps the tooltip.
        const QPoint point = Chart()->PointPosition(c.salesRank, c.rank);
        for (const QPoint offset : {QPoint(2, -2), QPoint(1, -2)}) {
            rest(point + offset);
            EXPECT_TRUE(QToolTip::isVisible());
            EXPECT_EQ(QToolTip::text().toStdString(), c.text);
        }
    }
    QTest::mouseMove(ChartSurface(), Blank());
    EXPECT_TRUE(test::WaitUntil([] { return !QToolTip::isVisible(); }, 2000));
    rest(Blank() + QPoint(1, 0));
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(RankChartTest, DoubleClickOnAPointOpensTheItemPage) {
    RunWorkedExample();
    ShowChart();
    QTest::mouseDClick(ChartSurface(), Qt::LeftButton, {}, Chart()->PointPosition(2, 5));
    ASSERT_EQ(Desktop.Opened.size(), 1u);
    EXPECT_EQ(Desktop.Opened[0].Url, QStringLiteral("http://item.taobao.com/item.htm?id=105"));
    EXPECT_EQ(Desktop.Opened[0].Mode, TDesktopServices::TShowMode::Normal);

    // Beside the points: nothing.
    QTest::mouseDClick(ChartSurface(), Qt::LeftButton, {}, Blank());
    const QPoint v = Chart()->PointPosition(4, 1);
    QTest::mouseDClick(ChartSurface(), Qt::LeftButton, {},
                       v + QPoint(static_cast<int>(TRankChart::kPickRadius) + 3, 0));
    EXPECT_EQ(Desktop.Opened.size(), 1u);
}

TEST_F(RankChartTest, TitleCountsAndTheEmptyCase) {
    const FixtureItem a = MakeItem("1", "a", "1.00", "3"), b = MakeItem("2", "b", "1.00", "2");
    struct Case {
        const char* name;
        std::vector<FixtureItem> sales, byDefault;
        int ranked, demoted;
    };
    const std::vector<Case> cases = {
        // The notice that nothing was demoted is not a demoted item.
        {"nothing demoted", {a, b}, {a, b}, 2, 0},
        {"one demoted", {a}, {a, b}, 1, 1},
        {"empty shop", {}, {}, 0, 0},
    };
    ShowChart();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Marketplace.SetShop(FixtureMarketplace::ShopPages(c.sales),
                            FixtureMarketplace::ShopPages(c.byDefault));
        Run("shop");
        EXPECT_EQ(
            Chart()->chart()->title(),
            QString::fromUtf8("shop：参与排名宝贝%1个，降权宝贝%2个").arg(c.ranked).arg(c.demoted));
        EXPECT_EQ(static_cast<int>(Points().size()), c.ranked);
        EXPECT_EQ(NothingRanked()->isVisible(), c.ranked == 0);
        // Nothing ranked: a line instead of empty axes.
        EXPECT_EQ(Chart()->chart()->axes().isEmpty(), c.ranked == 0);
    }
}

TEST_F(RankChartTest, NewRunClearsTheChartUntilItEnds) {
    RunWorkedExample();
    ShowChart();
    ASSERT_EQ(Points().size(), 4u);

    Marketplace.SetShop(FixtureMarketplace::ShopPages({X}), FixtureMarketplace::ShopPages({X}));
    Marketplace.SetDelay(std::chrono::milliseconds(100));
    Press("next");
    EXPECT_FALSE(ChartButton()->isEnabled());
    EXPECT_TRUE(Chart()->chart()->series().isEmpty());
    EXPECT_TRUE(Chart()->chart()->title().isEmpty());
    EXPECT_FALSE(NothingRanked()->isVisible());
    // Still the chart on screen; its caption stays.
    EXPECT_TRUE(Chart()->isVisible());
    EXPECT_EQ(ChartButton()->text(), QString::fromUtf8("表格"));

    ASSERT_TRUE(test::WaitUntil([this] { return SearchButton()->isEnabled(); }, test::kRunWaitMs));
    EXPECT_TRUE(ChartButton()->isEnabled());
    const auto points = Points();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points.begin()->first, std::make_pair(1, 1));
    EXPECT_EQ(Chart()->chart()->title(), QString::fromUtf8("next：参与排名宝贝1个，降权宝贝0个"));
}

// The chart shows only what the run compared, and says what limits it as
// the status bar does: a run that compared nothing leaves it off, and the
// table back in its place.
TEST_F(RankChartTest, ChartFollowsWhatTheRunCompared) {
    // The default listing's second page fails: the others are compared.
    Marketplace.SetShop(FixtureMarketplace::ShopPages({W, Z, V, X}),
                        FixtureMarketplace::ShopPages({V, W, X, Y, Z}, 2));
    Marketplace.SetFault(false, 2, FixtureMarketplace::TFault::ServerError);
    Run(QString::fromUtf8("partial"));
    ShowChart();
    const auto* status = Find<QLabel>("sbar");
    EXPECT_EQ(Chart()->Title().toStdString(),
              (QString::fromUtf8("partial：参与排名宝贝3个，降权宝贝0个（") +
               TRunProgressPresenter::LeadOf(status->text()) + QString::fromUtf8("）"))
                  .toStdString());
    EXPECT_TRUE(status->text().startsWith(
        QString::fromUtf8("结果不完整：默认排序第2页读取失败（服务器返回错误 500）。")));

    Marketplace.ClearFaults();
    Marketplace.SetShop({}, {});
    Run(QString::fromUtf8("nothing"));
    EXPECT_FALSE(ChartButton()->isEnabled());
    EXPECT_EQ(ChartButton()->text(), QString::fromUtf8("图表"));
    EXPECT_FALSE(Chart()->isVisible());
    // A line in the table's place, and on the greyed button, says why, in
    // the status line's words.
    const auto* notice = Find<QLabel>("labNoRanking");
    EXPECT_FALSE(Find<TGridView>("sgData3")->isVisible());
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->geometry(), Find<TGridView>("sgData3")->geometry());
    EXPECT_EQ(notice->text(),
              TRunProgressPresenter::LeadOf(status->text()) + QString::fromUtf8("。"));
    EXPECT_TRUE(notice->text().startsWith(QString::fromUtf8("未做比较")) ||
                notice->text().startsWith(QString::fromUtf8("无法读取")))
        << notice->text().toStdString();
    EXPECT_EQ(ChartButton()->toolTip(), notice->text());

    // The next run that compares brings the table back.
    Marketplace.SetShop(FixtureMarketplace::ShopPages({W, Z, V, X}),
                        FixtureMarketplace::ShopPages({V, W, X, Y, Z}));
    Run("shop");
    EXPECT_TRUE(Find<TGridView>("sgData3")->isVisible());
    EXPECT_FALSE(notice->isVisible());
    EXPECT_TRUE(ChartButton()->toolTip().isEmpty());
}

TEST_F(RankChartTest, LongTitleWrapsWholeWithItsTooltipAndItsPicture) {
    // A long nick and a partial comparison: one line would be cut.
    Marketplace.SetShop(FixtureMarketplace::ShopPages({W, Z, V, X}),
                        FixtureMarketplace::ShopPages({V, W, X, Y, Z}, 2));
    Marketplace.SetFault(false, 2, FixtureMarketplace::TFault::ServerError);
    const QString nick = QString::fromUtf8("一家名字起得特别长的女装旗舰店<官方>&直营店铺");
    Run(nick);
    ShowChart();
    const QString counts = nick + QString::fromUtf8("：参与排名宝贝3个，降权宝贝0个");
    const QString scope = QString::fromUtf8("（") +
                          TRunProgressPresenter::LeadOf(Find<QLabel>("sbar")->text()) +
                          QString::fromUtf8("）");
    EXPECT_EQ(Chart()->Title(), counts + scope);
    EXPECT_EQ(Chart()->chart()->title(),
              counts.toHtmlEscaped() + QStringLiteral("<br>") + scope.toHtmlEscaped());
    // As the chart draws it (and so copies it): both lines whole.
    QString drawn;
    for (QGraphicsItem* item : Chart()->scene()->items())
        if (auto* text = dynamic_cast<QGraphicsTextItem*>(item))
            if (text->toPlainText().startsWith(nick))
                drawn = text->toPlainText();
    EXPECT_EQ(drawn.toStdString(), (counts + QLatin1Char('\n') + scope).toStdString());
    // The pointer on the title: the whole title.
    QWidget* surface = ChartSurface();
    const QPoint onTitle(surface->width() / 2, Chart()->PlotRect().top() / 2);
    QHelpEvent help(QEvent::ToolTip, onTitle, surface->mapToGlobal(onTitle));
    QApplication::sendEvent(surface, &help);
    EXPECT_EQ(QToolTip::text(), Chart()->Title());
    QToolTip::hideText();

    // A title that fits stays on one line.
    Marketplace.ClearFaults();
    Marketplace.SetShop(FixtureMarketplace::ShopPages({W, Z, V, X}),
                        FixtureMarketplace::ShopPages({V, W, X, Y, Z}));
    Run("shop");
    EXPECT_EQ(Chart()->chart()->title(), Chart()->Title());
}

// Whether a point's whole disc lies inside the plot, where it is not clipped.
::testing::AssertionResult WholeDisc(const TRankChart& chart, QPoint centre, qreal size) {
    const qreal half = size / 2;
    const QRectF disc(centre.x() - half, centre.y() - half, size, size);
    // The plot's edges are pixel-rounded: half a pixel either way.
    const QRectF plot = QRectF(chart.PlotRect()).adjusted(-0.5, -0.5, 0.5, 0.5);
    if (plot.contains(disc))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "disc (" << disc.left() << "," << disc.top() << " " << disc.width() << "x"
           << disc.height() << ") outside the plot (" << plot.left() << "," << plot.top() << " "
           << plot.width() << "x" << plot.height() << ")";
}

TEST_F(RankChartTest, EndRanksAreWhollyShownWithATickAtOne) {
    struct Case {
        const char* name;
        int items;
        bool showAll;
        std::vector<std::pair<int, int>> red, blue; // at the ends of the ranks shown
        int lastAcross, lastDown;
    };
    const std::vector<Case> cases = {
        {"small shop", 60, false, {{1, 2}}, {{2, 1}, {60, 60}}, 60, 60},
        {"large shop, top sellers",
         4200,
         false,
         {{1, 2}, {10, 3000}},
         {{2, 1}, {100, 100}},
         100,
         3000},
        {"large shop, all",
         4200,
         true,
         {{1, 2}, {10, 3000}},
         {{2, 1}, {4200, 4200}, {3000, 10}},
         4200,
         4200},
    };
    for (const QSize size : {QSize(1009, 615), QSize(1400, 900)}) {
        Form->resize(size);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(size.width()));
            DrawShop(c.items);
            if (c.showAll) {
                ShowAllButton()->click();
                Settle();
            }
            EXPECT_EQ(Shown(), QRectF(QPointF(1, 1), QPointF(c.lastAcross, c.lastDown)));
            for (const auto& [salesRank, rank] : c.red)
                EXPECT_TRUE(WholeDisc(*Chart(), Chart()->PointPosition(salesRank, rank),
                                      TRankChart::kRedMarkerSize))
                    << salesRank << "," << rank;
            for (const auto& [salesRank, rank] : c.blue)
                EXPECT_TRUE(WholeDisc(*Chart(), Chart()->PointPosition(salesRank, rank),
                                      TRankChart::kMarkerSize))
                    << salesRank << "," << rank;
            // Rank 1 labelled on both axes, at its place; no label past the end.
            for (QCategoryAxis* axis : {Axis(Qt::Horizontal), Axis(Qt::Vertical)}) {
                ASSERT_NE(axis, nullptr);
                const QStringList labels = axis->categoriesLabels();
                ASSERT_FALSE(labels.isEmpty());
                EXPECT_EQ(labels.first(), QStringLiteral("1"));
                EXPECT_EQ(axis->endValue(QStringLiteral("1")), 1);
                EXPECT_GT(axis->endValue(QStringLiteral("1")), axis->min());
                EXPECT_LE(axis->endValue(labels.last()), axis->max());
                EXPECT_GE(labels.size(), 3);
                EXPECT_LE(labels.size(), TRankChart::kMaxAxisSteps + 2);
            }
            // The room beyond the end ranks is the largest point's, no more.
            const QRect plot = Chart()->PlotRect();
            const QPoint first = Chart()->PointPosition(1, 1);
            const QPoint last = Chart()->PointPosition(c.lastAcross, c.lastDown);
            for (const int room : {first.x() - plot.left(), plot.right() - last.x(),
                                   first.y() - plot.top(), plot.bottom() - last.y()})
                EXPECT_LE(room, TRankChart::kEdgeRoom + 1.5);
        }
    }
}

bool IsRed(QColor c) {
    return c.red() > 200 && c.green() < 80 && c.blue() < 80;
}
bool IsGrey(QColor c) {
    return c.red() > 60 && c.red() < 200 && std::abs(c.red() - c.green()) < 16 &&
           std::abs(c.green() - c.blue()) < 16;
}

TEST_F(RankChartTest, RedPointsAreLargerAndDrawnOverTheOthersAndTheDiagonalOverTheCrowd) {
    DrawShop(4200);
    ShowAllButton()->click(); // every item: the points crowd each other
    Settle();
    const QList<QAbstractSeries*> series = Chart()->chart()->series();
    ASSERT_EQ(series.size(), 3);
    // Drawn in the order added.
    auto* others = qobject_cast<QScatterSeries*>(series[0]);
    auto* red = qobject_cast<QScatterSeries*>(series[2]);
    ASSERT_TRUE(others && red);
    EXPECT_EQ(series[1]->type(), QAbstractSeries::SeriesTypeLine);
    EXPECT_EQ(red->color(), QColor(255, 0, 0));
    EXPECT_GT(red->markerSize(), others->markerSize());

    const QImage image = ChartSurface()->grab().toImage();
    // Each red point lies a rank from a blue one, less than a pixel apart
    // here: red shows at its centre.
    for (const int salesRank : {1, 3, 5, 7, 9}) {
        const QPoint at = Chart()->PointPosition(salesRank, salesRank + 1);
        EXPECT_TRUE(IsRed(image.pixelColor(at))) << salesRank;
    }
    // The diagonal runs through the centres of the crowd of blue points:
    // its dashes show between them.
    int grey = 0, samples = 0;
    for (int rank = 200; rank <= 4000; rank += 19, ++samples) {
        const QPoint at = Chart()->PointPosition(rank, rank);
        bool seen = false;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                seen = seen || IsGrey(image.pixelColor(at + QPoint(dx, dy)));
        grey += seen;
    }
    if (!qEnvironmentVariableIsEmpty("KORVANE_CHART_IMAGE"))
        image.save(qEnvironmentVariable("KORVANE_CHART_IMAGE"));
    EXPECT_GT(grey, samples / 2) << grey << " of " << samples;
}

TEST_F(RankChartTest, LargeShopOpensOnItsTopSellersAndShowsAllOnRequest) {
    DrawShop(60);
    EXPECT_FALSE(ShowAllButton()->isVisible()); // nothing more to see
    EXPECT_TRUE(HomeButton()->isVisible());
    EXPECT_FALSE(HomeButton()->isEnabled());

    DrawShop(4200);
    ASSERT_TRUE(ShowAllButton()->isVisible());
    const QRectF top(QPointF(1, 1), QPointF(100, 3000));
    const QRectF all(QPointF(1, 1), QPointF(4200, 4200));
    struct Step {
        QRectF shown;
        const char* button;
        const char* across;
    };
    for (const Step& step : {Step{top, "显示全部", "理论排名（按销量，前100名）"},
                             Step{all, "前100名", "理论排名（按销量）"},
                             Step{top, "显示全部", "理论排名（按销量，前100名）"}}) {
        EXPECT_EQ(Shown(), step.shown);
        EXPECT_EQ(ShowAllButton()->text().toStdString(), step.button);
        EXPECT_EQ(Axis(Qt::Horizontal)->titleText().toStdString(), step.across);
        EXPECT_FALSE(HomeButton()->isEnabled());
        ShowAllButton()->click();
        Settle();
    }
    // A new run starts on the top sellers again; one with no items shows no buttons.
    ShowAllButton()->click();
    DrawShop(4200);
    EXPECT_EQ(Shown(), top);
    Press("next");
    EXPECT_FALSE(ShowAllButton()->isVisible());
    EXPECT_FALSE(HomeButton()->isVisible());
    ASSERT_TRUE(test::WaitUntil([this] { return SearchButton()->isEnabled(); }, test::kRunWaitMs));
    EXPECT_FALSE(ShowAllButton()->isVisible());
    EXPECT_FALSE(HomeButton()->isVisible());
}

TEST_F(RankChartTest, WheelAndRectangleZoomAndTheWayBack) {
    DrawShop(4200);
    const QRectF top = Shown();
    QWidget* surface = ChartSurface();
    const auto wheel = [&](QPoint at, int notches) {
        QWheelEvent event(at, surface->mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(surface, &event);
        Settle();
    };
    const auto drag = [&](QPoint from, QPoint to) {
        QTest::mousePress(surface, Qt::LeftButton, {}, from);
        QTest::mouseMove(surface, (from + to) / 2);
        QTest::mouseMove(surface, to);
        QTest::mouseRelease(surface, Qt::LeftButton, {}, to);
        Settle();
    };
    const auto near = [](QRectF a, QRectF b, qreal ranks) {
        return std::abs(a.left() - b.left()) <= ranks && std::abs(a.right() - b.right()) <= ranks &&
               std::abs(a.top() - b.top()) <= ranks && std::abs(a.bottom() - b.bottom()) <= ranks;
    };

    // A drawn rectangle: those ranks, the points in it where they can be
    // pointed at, the points out of it not.
    const QPoint from = Chart()->PointPosition(20, 20), to = Chart()->PointPosition(60, 60);
    drag(from, to);
    const QRectF zoomed = Shown();
    // Within a rank, or the ranks of two pixels where a pixel spans more.
    const QRect plot = Chart()->PlotRect();
    const qreal reach =
        std::max<qreal>(1, 2 * std::max(top.width() / plot.width(), top.height() / plot.height()));
    EXPECT_TRUE(near(zoomed, QRectF(QPointF(20, 20), QPointF(60, 60)), reach))
        << zoomed.left() << " " << zoomed.right() << " " << zoomed.top() << " " << zoomed.bottom();
    EXPECT_TRUE(HomeButton()->isEnabled());
    EXPECT_TRUE(WholeDisc(*Chart(), Chart()->PointPosition(40, 40), TRankChart::kMarkerSize));
    QTest::mouseDClick(surface, Qt::LeftButton, {}, Chart()->PointPosition(40, 40));
    ASSERT_EQ(Desktop.Opened.size(), 1u);
    EXPECT_EQ(Desktop.Opened[0].Url, QStringLiteral("http://item.taobao.com/item.htm?id=5040"));
    EXPECT_EQ(Chart()->RowAt(Chart()->PointPosition(2, 1)), 0);

    // The wheel: a notch in shows 0.8 of the ranks, about the pointer.
    const QPoint at = Chart()->PointPosition(30, 50);
    wheel(at, 1);
    EXPECT_NEAR(Shown().width(), zoomed.width() * TRankChart::kWheelZoom, 0.01);
    EXPECT_NEAR(Shown().height(), zoomed.height() * TRankChart::kWheelZoom, 0.01);
    const QPoint after = Chart()->PointPosition(30, 50);
    EXPECT_LE((after - at).manhattanLength(), 2);
    const QRectF wheeled = Shown();

    // Slips of the hand zoom nothing: a click, a rectangle too thin.
    QTest::mouseClick(surface, Qt::LeftButton, {}, at);
    drag(at, at + QPoint(40, TRankChart::kMinBand - 2));
    EXPECT_EQ(Shown(), wheeled);
    // A small rectangle shows a few ranks at least.
    drag(at, at + QPoint(TRankChart::kMinBand + 1, TRankChart::kMinBand + 1));
    EXPECT_NEAR(Shown().width(), TRankView::kMinSpan, 0.01);
    EXPECT_NEAR(Shown().height(), TRankView::kMinSpan, 0.01);

    // The right button goes back a rectangle at a time, then to the start.
    QTest::mouseClick(surface, Qt::RightButton, {}, at);
    Settle();
    EXPECT_EQ(Shown(), wheeled);
    QTest::mouseClick(surface, Qt::RightButton, {}, at);
    Settle();
    EXPECT_EQ(Shown(), top);
    EXPECT_FALSE(HomeButton()->isEnabled());
    QTest::mouseClick(surface, Qt::RightButton, {}, at);
    Settle();
    EXPECT_EQ(Shown(), top);

    // 还原 from deep in, and the wheel out no further than the whole shop.
    drag(from, to);
    wheel(at, 3);
    ASSERT_TRUE(HomeButton()->isEnabled());
    HomeButton()->click();
    Settle();
    EXPECT_EQ(Shown(), top);
    wheel(at, -30);
    EXPECT_EQ(Shown(), QRectF(QPointF(1, 1), QPointF(4200, 4200)));
}

TEST_F(RankChartTest, ChartWithTheFocusShowsItAndAnswersItsKeys) {
    DrawShop(4200);
    const QRectF top = Shown();
    TabToChart();
    // The frame in the highlight colour beside it, only while it has the focus.
    const auto frameShown = [this] {
        QApplication::processEvents();
        const QImage page = Chart()->parentWidget()->grab().toImage();
        const QColor beside = page.pixelColor(Chart()->x() - 1, Chart()->y() + 50);
        return beside == Chart()->palette().color(QPalette::Active, QPalette::Highlight);
    };
    EXPECT_TRUE(frameShown());

    const auto near = [](QRectF a, QRectF b) {
        return std::abs(a.left() - b.left()) < 0.01 && std::abs(a.right() - b.right()) < 0.01 &&
               std::abs(a.top() - b.top()) < 0.01 && std::abs(a.bottom() - b.bottom()) < 0.01;
    };
    const auto scaled = [](QRectF r, qreal f) {
        const QPointF c = r.center();
        return QRectF(QPointF(c.x() - (c.x() - r.left()) * f, c.y() - (c.y() - r.top()) * f),
                      QPointF(c.x() + (r.right() - c.x()) * f, c.y() + (r.bottom() - c.y()) * f));
    };
    const qreal in = TRankChart::kWheelZoom;
    const QRectF zoomed = scaled(top, in);
    const QRectF twice = scaled(zoomed, in);
    const qreal step = TRankChart::kPanStep;
    struct Step {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
        QRectF shown;
    };
    const std::vector<Step> steps = {
        {"+ zooms in about the centre", Qt::Key_Plus, Qt::NoModifier, zoomed},
        {"- zooms out about it", Qt::Key_Minus, Qt::NoModifier, top},
        {"Backspace undoes the -", Qt::Key_Backspace, Qt::NoModifier, zoomed},
        {"and then the +", Qt::Key_Backspace, Qt::NoModifier, top},
        {"+ as the main keyboard gives it", Qt::Key_Plus, Qt::ShiftModifier, zoomed},
        {"the keypad's +", Qt::Key_Plus, Qt::KeypadModifier, twice},
        {"Right", Qt::Key_Right, Qt::NoModifier, twice.translated(step * twice.width(), 0)},
        {"Down", Qt::Key_Down, Qt::NoModifier,
         twice.translated(step * twice.width(), step * twice.height())},
        {"Left", Qt::Key_Left, Qt::NoModifier, twice.translated(0, step * twice.height())},
        {"Up", Qt::Key_Up, Qt::NoModifier, twice},
        {"Esc undoes one zoom", Qt::Key_Escape, Qt::NoModifier, zoomed},
        {"Backspace the one before", Qt::Key_Backspace, Qt::NoModifier, top},
        {"Left at rank 1 goes no further", Qt::Key_Left, Qt::NoModifier, top},
        {"and, with nothing to go back to, is the window's", Qt::Key_Escape, Qt::NoModifier, top},
        {"+", Qt::Key_Plus, Qt::NoModifier, zoomed},
        {"+", Qt::Key_Equal, Qt::NoModifier, twice},
        {"Home is 还原", Qt::Key_Home, Qt::NoModifier, top},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        Key(s.key, s.modifiers);
        const QRectF shown = Shown();
        EXPECT_TRUE(near(shown, s.shown))
            << shown.left() << " " << shown.right() << " " << shown.top() << " " << shown.bottom();
        EXPECT_EQ(HomeButton()->isEnabled(), shown != top);
        EXPECT_EQ(Focus(), Chart());
    }

    // Ctrl+C: the chart as it is shown, without its buttons.
    QGuiApplication::clipboard()->clear();
    Key(Qt::Key_C, Qt::ControlModifier);
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), ChartSurface()->size());
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32),
              Chart()->Picture().convertToFormat(QImage::Format_RGB32));

    // Tab goes on to the status line, Shift+Tab back to the chart and 表格.
    Key(Qt::Key_Tab);
    EXPECT_EQ(Focus()->objectName(), QStringLiteral("sbar"));
    EXPECT_FALSE(frameShown());
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Focus(), Chart());
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Focus(), ChartButton());
}

TEST_F(RankChartTest, HomeAndShowAllLeaveTheFocusOnTheChart) {
    DrawShop(4200);
    TabToChart();
    Key(Qt::Key_Plus);
    ASSERT_TRUE(HomeButton()->isEnabled());
    QTest::mouseClick(HomeButton(), Qt::LeftButton);
    Settle();
    EXPECT_FALSE(HomeButton()->isEnabled()); // greyed out, and the focus stays
    EXPECT_EQ(Focus(), Chart());
    // From elsewhere too: pressing a button of the chart is using the chart.
    Find<QLineEdit>("txtID")->setFocus();
    QTest::mouseClick(ShowAllButton(), Qt::LeftButton);
    Settle();
    EXPECT_TRUE(Chart()->View().ShowsAll());
    EXPECT_EQ(Focus(), Chart());
    // Neither is a stop of its own: the chart's keys and menu do what they do.
    for (QPushButton* button : {HomeButton(), ShowAllButton()})
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
}

TEST_F(RankChartTest, ShiftF10AndTheMenuKeyOpenTheChartsMenu) {
    DrawShop(4200);
    const QRectF top = Shown();
    TabToChart();
    Key(Qt::Key_F10, Qt::ShiftModifier);
    QMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->objectName(), QStringLiteral("ChartMenu"));
    EXPECT_EQ(menu->parentWidget(), Chart());
    const QRect chartOnScreen(Chart()->mapToGlobal(QPoint(0, 0)), Chart()->size());
    EXPECT_TRUE(chartOnScreen.contains(menu->pos()));
    // Nothing to go back to yet.
    EXPECT_TRUE(MenuAction(menu, "actZoomIn")->isEnabled());
    EXPECT_TRUE(MenuAction(menu, "actZoomOut")->isEnabled());
    EXPECT_FALSE(MenuAction(menu, "actBack")->isEnabled());
    EXPECT_FALSE(MenuAction(menu, "actHome")->isEnabled());
    EXPECT_EQ(MenuAction(menu, "actShowAll")->text(), QString::fromUtf8("显示全部"));
    EXPECT_TRUE(MenuAction(menu, "actCopyChart")->isEnabled());
    // Its first entry by the keyboard: 放大.
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    Settle();
    EXPECT_EQ(OpenMenu(), nullptr);
    EXPECT_NEAR(Shown().width(), top.width() * TRankChart::kWheelZoom, 0.01);
    EXPECT_EQ(Focus(), Chart());

    // The Menu key reaches a control as a keyboard context menu event.
    struct Entry {
        const char* action;
        bool zoomed;   // the view differs from where the chart opened
        bool showsAll; // afterwards
    };
    // 退回 undoes one 放大 at a time.
    for (const Entry& e : {Entry{"actZoomIn", true, false}, Entry{"actBack", true, false},
                           Entry{"actBack", false, false}, Entry{"actZoomIn", true, false},
                           Entry{"actHome", false, false}, Entry{"actShowAll", false, true},
                           Entry{"actShowAll", false, false}}) {
        SCOPED_TRACE(e.action);
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                  Chart()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(Chart(), &menuKey);
        ChooseInMenu(e.action);
        EXPECT_EQ(Chart()->View().Zoomed(), e.zoomed);
        EXPECT_EQ(Chart()->View().ShowsAll(), e.showsAll);
    }
    Key(Qt::Key_F10, Qt::ShiftModifier);
    QGuiApplication::clipboard()->clear();
    ChooseInMenu("actCopyChart");
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), ChartSurface()->size());

    // The right button goes back, and opens no menu.
    Key(Qt::Key_Plus);
    QTest::mouseClick(ChartSurface(), Qt::RightButton, {}, Blank());
    Settle();
    EXPECT_EQ(OpenMenu(), nullptr);
    EXPECT_FALSE(Chart()->View().Zoomed());

    // A small shop has no 显示全部 in its menu.
    DrawShop(60);
    Chart()->setFocus();
    Key(Qt::Key_F10, Qt::ShiftModifier);
    menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->findChild<QAction*>(QStringLiteral("actShowAll")), nullptr);
    QTest::keyClick(menu, Qt::Key_Escape);
    Settle();
    EXPECT_EQ(OpenMenu(), nullptr);
    EXPECT_EQ(Focus(), Chart());
}

TEST_F(RankChartTest, EscWithTheFocusOnTheChartStillStopsARun) {
    DrawShop(4200);
    TabToChart();
    Key(Qt::Key_Plus); // a chart that had somewhere to go back to
    Marketplace.SetShop(FixtureMarketplace::ShopPages({W, Z, V, X}),
                        FixtureMarketplace::ShopPages({V, W, X, Y, Z}));
    Marketplace.SetDelay(std::chrono::milliseconds(300));
    Press("shop");
    ASSERT_FALSE(SearchButton()->isEnabled());
    Chart()->setFocus();
    Key(Qt::Key_Escape);
    WaitForRunEnd();
    EXPECT_EQ(StatusText().rfind("已停止", 0), 0u) << StatusText();
}

} // namespace
