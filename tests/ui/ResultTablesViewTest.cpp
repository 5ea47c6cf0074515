#include "Main.h"

#include "FixtureMarketplace.h"
#include "GbkText.h"
#include "GridView.h"
#include "MyUtils.h"
#include "PaintRecorder.h"
#include "QtWait.h"
#include "RecordingDesktop.h"
#include "ResultTables.h"
#include "TestWindow.h"
#include "ThreadUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::FixtureItem;
using korvane::test::Gbk;

namespace {

class ResultTablesViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        TMainFormSettings settings;
        settings.SearchHost = Marketplace.Host();
        Form = test::ShowTestWindow(Desktop, settings);
    }
    void TearDown() override { test::CloseTestWindow(Form); }

    TGridView* View(const char* name) const {
        auto* view = Form->findChild<TGridView*>(QString::fromLatin1(name));
        EXPECT_NE(view, nullptr) << name;
        return view;
    }
    template <typename T> T* Find(const char* name) const {
        return Form->findChild<T*>(QString::fromLatin1(name));
    }

    void ShowTab(int index) {
        Find<QTabWidget>("MainPage")->setCurrentIndex(index);
        QApplication::processEvents();
    }

    // Writes ranking rows as the analysis does: number, title, sales, ...,
    // difference, verdict, id; then the empty bottom row.
    void FillRanking(const std::vector<std::vector<std::string>>& rows) {
        test::FillRankingRows(Form->Grid3(), rows);
    }

    std::vector<std::string> Column(int column) const {
        std::vector<std::string> cells;
        for (int r = 1; r < Form->Grid3().RowCount(); ++r)
            cells.push_back(Form->Grid3().Cell(column, r));
        return cells;
    }

    QPoint HeaderPoint(int gridColumn) const {
        QHeaderView* header = View("sgData3")->horizontalHeader();
        const int logical = gridColumn - 1;
        return {header->sectionViewportPosition(logical) + header->sectionSize(logical) / 2,
                header->height() / 2};
    }
    void PressHeader(int gridColumn, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(View("sgData3")->horizontalHeader()->viewport(), button, {},
                          HeaderPoint(gridColumn));
        QTest::mouseRelease(View("sgData3")->horizontalHeader()->viewport(), button, {},
                            HeaderPoint(gridColumn));
    }

    test::FixtureMarketplace Marketplace;
    test::TRecordingDesktop Desktop;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(ResultTablesViewTest, TablesShowTheirSetUp) {
    struct Expected {
        const char* name;
        int columns;
        std::vector<int> widths;
        std::vector<const char*> headers; // columns 1 and up
    };
    const std::vector<Expected> tables = {
        {"sgData1", 6, {35, 500, 60, 55, 0, 0}, {"宝贝", "成交量", "价格", "", ""}},
        {"sgData2", 5, {35, 500, 60, 55, 0}, {"宝贝", "成交量", "价格", ""}},
        {"sgData3",
         9,
         {35, 500, 60, 55, 65, 65, 50, 130, 0},
         {"宝贝", "成交量", "价格", "实际排名", "理论排名", "差值", "", ""}},
    };
    for (const Expected& t : tables) {
        SCOPED_TRACE(t.name);
        TGridView* view = View(t.name);
        ASSERT_EQ(view->model()->columnCount(), t.columns - 1);
        EXPECT_EQ(view->model()->rowCount(), 1); // the one empty row
        EXPECT_EQ(view->verticalHeader()->width(), t.widths[0]);
        for (int c = 1; c < t.columns; ++c) {
            const int width = t.widths[static_cast<std::size_t>(c)];
            EXPECT_EQ(view->isColumnHidden(c - 1), width == 0) << c;
            if (width > 0) {
                EXPECT_EQ(view->columnWidth(c - 1), width) << c;
            }
            EXPECT_EQ(view->model()->headerData(c - 1, Qt::Horizontal).toString(),
                      QString::fromUtf8(t.headers[static_cast<std::size_t>(c) - 1]));
        }
        EXPECT_EQ(view->rowHeight(0), 20);
        EXPECT_EQ(view->horizontalHeader()->height(), 20);
    }
    // Only the ranking table lets the user drag column widths.
    EXPECT_EQ(View("sgData3")->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_EQ(View("sgData1")->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
}

TEST_F(ResultTablesViewTest, RowsAndClearsReachTheScreenAndScrollBars) {
    TGridView* view = View("sgData1");
    TItemInfo item{"42", Gbk("连衣裙"), "9.90", 1, 3, 0, 0};
    for (int i = 0; i < 100; ++i) {
        item.Rank = i + 1;
        AddItemRow(Form->Grid1(), item);
    }
    // Appended rows reach the view together, within a few tens of milliseconds.
    ASSERT_TRUE(test::WaitUntil([view] { return view->model()->rowCount() == 101; }, 1000));
    QApplication::processEvents();
    EXPECT_EQ(view->model()->headerData(99, Qt::Vertical).toString(), QStringLiteral("100"));
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), QString::fromUtf8("连衣裙"));
    // 101 rows do not fit: the vertical bar shows; the columns fit.
    EXPECT_TRUE(Find<QScrollBar>("sgData1VSB")->isVisible());
    EXPECT_FALSE(Find<QScrollBar>("sgData1HSB")->isVisible());

    Method::ClearGrid(Form->Grid1(), kEmptyTableRowCount);
    QApplication::processEvents();
    EXPECT_EQ(view->model()->rowCount(), 1);
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), QString());
    EXPECT_EQ(view->model()->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("宝贝"));
    EXPECT_FALSE(Find<QScrollBar>("sgData1VSB")->isVisible());
}

TEST_F(ResultTablesViewTest, OnlyRowsThatComeIntoViewArePainted) {
    TGridView* view = View("sgData1");
    QWidget* cells = view->viewport();
    auto* bar = Find<QScrollBar>("sgData1VSB");
    TItemInfo item{"42", Gbk("连衣裙"), "9.90", 1, 3, 0, 0};
    const auto append = [&](int rows) {
        const int before = view->model()->rowCount();
        for (int i = 0; i < rows; ++i) {
            item.Rank = before + i;
            AddItemRow(Form->Grid1(), item);
        }
        ASSERT_TRUE(
            test::WaitUntil([&] { return view->model()->rowCount() == before + rows; }, 1000));
        // Layout and paint come on later turns of the event loop.
        QTest::qWait(100);
    };

    // Rows into an empty table are in view: every cell is painted.
    auto painted = std::make_unique<test::TPaintRecorder>(cells);
    append(100);
    EXPECT_EQ(painted->Painted.boundingRect(), cells->rect());

    // Rows below a full view: the scroll range grows, no cell is painted
    // again but the strip under the placed scroll bar, which repaints.
    painted = std::make_unique<test::TPaintRecorder>(cells);
    const int maximum = bar->maximum();
    append(100);
    EXPECT_GT(bar->maximum(), maximum);
    const QRect under(cells->mapFrom(bar->parentWidget(), bar->geometry().topLeft()), bar->size());
    const QRegion beside = painted->Painted - QRegion(under);
    EXPECT_TRUE(beside.isEmpty()) << beside.boundingRect().width() << "x"
                                  << beside.boundingRect().height();

    // Scrolled to the end, the last rows show.
    bar->setValue(bar->maximum());
    QApplication::processEvents();
    EXPECT_EQ(view->rowAt(cells->height() - 1), 200); // the empty bottom row
    EXPECT_EQ(view->model()->headerData(199, Qt::Vertical).toString(), QStringLiteral("200"));
}

TEST_F(ResultTablesViewTest, HeaderPressesToggleTheSortAndTheGatesHold) {
    ShowTab(2);
    FillRanking({{"a", "5"}, {"b", "12"}, {"c", "7"}});
    EXPECT_EQ(Column(2), (std::vector<std::string>{"5", "12", "7", ""}));

    PressHeader(2); // some value is greater than one above it: descending
    EXPECT_EQ(Column(2), (std::vector<std::string>{"12", "7", "5", ""}));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2", "3", ""})); // numbers stay
    PressHeader(2); // already never increasing: ascending
    EXPECT_EQ(Column(2), (std::vector<std::string>{"5", "7", "12", ""}));

    // Right button, and a run in progress, sort nothing.
    PressHeader(2, Qt::RightButton);
    EXPECT_EQ(Column(2), (std::vector<std::string>{"5", "7", "12", ""}));
    Find<QPushButton>("btnSearch")->setEnabled(false);
    PressHeader(2);
    Find<QPushButton>("btnSort")->click();
    EXPECT_EQ(Column(2), (std::vector<std::string>{"5", "7", "12", ""}));
    Find<QPushButton>("btnSearch")->setEnabled(true);

    // A press on a column border starts a resize and does not sort.
    QHeaderView* header = View("sgData3")->horizontalHeader();
    const int border = header->sectionViewportPosition(1) + header->sectionSize(1) - 1;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, {border, 10});
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, {border, 10});
    EXPECT_EQ(Column(2), (std::vector<std::string>{"5", "7", "12", ""}));
}

TEST_F(ResultTablesViewTest, BorderDoubleClickFitsNoColumn) {
    ShowTab(2);
    // Texts far narrower and far wider than their columns, so fitting any
    // column to its contents would show.
    FillRanking({{"a", "5", "123456789012345.00", "1", "1", "0", "", "1001"},
                 {"b", "3", "7", "2", "2", "0", Gbk("重要宝贝权值正常重要宝贝权值正常"), "1002"}});
    TGridView* view = View("sgData3");
    QHeaderView* header = view->horizontalHeader();
    const std::vector<std::string> sales = Column(2);
    for (const int gridColumn : {ranking::kTitle, ranking::kPrice, ranking::kVerdict}) {
        SCOPED_TRACE(gridColumn);
        const int logical = gridColumn - 1;
        const int width = view->columnWidth(logical);
        const int border = header->sectionViewportPosition(logical) + width - 1;
        const std::size_t opened = Desktop.Opened.size();
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, {border, 10});
        QApplication::processEvents();
        EXPECT_EQ(view->columnWidth(logical), width);
        EXPECT_EQ(Column(2), sales); // a border press sorts nothing
        // Still a double click in the table: the selected row's item opens.
        ASSERT_EQ(Desktop.Opened.size(), opened + 1);
        EXPECT_EQ(Desktop.Opened.back().Url,
                  QStringLiteral("http://item.taobao.com/item.htm?id=1001"));
    }
}

TEST_F(ResultTablesViewTest, SortButtonAppliesEachChoice) {
    ShowTab(2);
    // sales, price, rank, sales rank, difference
    FillRanking({{"a", "5", "1", "1", "3", "2"},
                 {"b", "12", "1", "3", "1", "-2"},
                 {"c", "7", "1", "2", "2", "0"}});
    auto* choice = Find<QComboBox>("cbSort");
    auto* button = Find<QPushButton>("btnSort");

    choice->setCurrentIndex(0); // difference, descending
    button->click();
    EXPECT_EQ(Column(1), (std::vector<std::string>{"a", "c", "b", ""}));
    choice->setCurrentIndex(1); // difference, ascending
    button->click();
    EXPECT_EQ(Column(1), (std::vector<std::string>{"b", "c", "a", ""}));
    choice->setCurrentIndex(2);                                          // sales, descending
    EXPECT_EQ(Column(1), (std::vector<std::string>{"b", "c", "a", ""})); // choosing alone: nothing
    button->click();
    EXPECT_EQ(Column(1), (std::vector<std::string>{"b", "c", "a", ""}));
    choice->setCurrentIndex(1);
    button->click();
    choice->setCurrentIndex(2);
    button->click();
    EXPECT_EQ(Column(2), (std::vector<std::string>{"12", "7", "5", ""}));
}

// Whether the numbers of a ranking column run the given way, top to bottom.
bool Ordered(const std::vector<std::string>& cells, bool descending) {
    for (std::size_t r = 1; r + 1 < cells.size(); ++r) { // not the empty bottom row
        const double above = std::stod(cells[r - 1]), below = std::stod(cells[r]);
        if (descending ? below > above : below < above)
            return false;
    }
    return true;
}

TEST_F(ResultTablesViewTest, HeaderArrowAndSortListShowTheTablesOrder) {
    ShowTab(2);
    // sales, price, rank, sales rank, difference
    FillRanking({{"a", "5", "30.00", "1", "3", "2"},
                 {"b", "12", "10.00", "3", "1", "-2"},
                 {"c", "7", "20.00", "2", "2", "0"}});
    TGridView* view = View("sgData3");
    QHeaderView* header = view->horizontalHeader();
    auto* choice = Find<QComboBox>("cbSort");
    const auto sectionImage = [&](int gridColumn) {
        const int logical = gridColumn - 1;
        return header
            ->grab(QRect(header->sectionViewportPosition(logical), 0, header->sectionSize(logical),
                         header->height()))
            .toImage();
    };
    // Filled anew: no arrow anywhere.
    EXPECT_FALSE(header->isSortIndicatorShown());
    const QImage plainSales = sectionImage(ranking::kSales);
    const QImage plainDifference = sectionImage(ranking::kDifference);

    enum TAction { Header, Choice };
    struct Step {
        const char* name;
        TAction action;
        int what; // grid column pressed, or sort list index applied
        int sortedColumn;
        bool descending;
        int listShows; // -1: blank
    };
    const std::vector<Step> steps = {
        {"sales header: descending, the list's sales choice", Header, ranking::kSales,
         ranking::kSales, true, 2},
        {"sales header again: ascending, no choice gives it", Header, ranking::kSales,
         ranking::kSales, false, -1},
        // The prices already fall in that order: the press turns them round.
        {"price header", Header, ranking::kPrice, ranking::kPrice, false, -1},
        {"difference, descending, with 确定", Choice, 0, ranking::kDifference, true, 0},
        {"difference header: ascending, as the second choice", Header, ranking::kDifference,
         ranking::kDifference, false, 1},
        {"difference header again", Header, ranking::kDifference, ranking::kDifference, true, 0},
        {"sales with 确定", Choice, 2, ranking::kSales, true, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.action == Header) {
            PressHeader(step.what);
        } else {
            choice->setCurrentIndex(step.what);
            Find<QPushButton>("btnSort")->click();
        }
        QApplication::processEvents();
        EXPECT_TRUE(Ordered(Column(step.sortedColumn), step.descending));
        EXPECT_TRUE(header->isSortIndicatorShown());
        EXPECT_EQ(header->sortIndicatorSection(), step.sortedColumn - 1);
        EXPECT_EQ(header->sortIndicatorOrder(),
                  step.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        EXPECT_EQ(choice->currentIndex(), step.listShows);
        if (step.listShows < 0) {
            EXPECT_EQ(choice->currentText(), QString());
            EXPECT_EQ(choice->placeholderText(), QString::fromUtf8("按表头排序"));
        }
    }
    // The arrow is drawn on the sorted column's header, and only there.
    EXPECT_NE(sectionImage(ranking::kSales), plainSales);
    EXPECT_EQ(sectionImage(ranking::kDifference), plainDifference);

    // Presses that sort nothing change nothing shown.
    PressHeader(ranking::kPrice, Qt::RightButton);
    Find<QPushButton>("btnSearch")->setEnabled(false);
    PressHeader(ranking::kPrice);
    Find<QPushButton>("btnSearch")->setEnabled(true);
    EXPECT_EQ(header->sortIndicatorSection(), ranking::kSales - 1);
    EXPECT_EQ(choice->currentIndex(), 2);
    // A blank list applies nothing.
    PressHeader(ranking::kPrice);
    const std::vector<std::string> byPrice = Column(ranking::kPrice);
    Find<QPushButton>("btnSort")->click();
    EXPECT_EQ(Column(ranking::kPrice), byPrice);
    EXPECT_EQ(header->sortIndicatorSection(), ranking::kPrice - 1);

    // A run empties the table (no arrow) and sorts it by sales at its end,
    // which the list then names.
    choice->setCurrentIndex(0);
    const FixtureItem v = test::MakeItem("1", "v", "1.00", "5"),
                      w = test::MakeItem("2", "w", "1.00", "9");
    Marketplace.SetShop(test::FixtureMarketplace::ShopPages({w, v}),
                        test::FixtureMarketplace::ShopPages({v, w}));
    Marketplace.SetDelay(std::chrono::milliseconds(50));
    Find<QLineEdit>("txtID")->setText(QStringLiteral("shop"));
    Find<QPushButton>("btnSearch")->click();
    EXPECT_FALSE(header->isSortIndicatorShown());
    ASSERT_TRUE(
        test::WaitUntil([this] { return Find<QPushButton>("btnSearch")->isEnabled(); }, 20000));
    EXPECT_EQ(Column(ranking::kSales), (std::vector<std::string>{"9", "5", ""}));
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), ranking::kSales - 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(choice->currentIndex(), 2);
}

// Where the sort arrow of a header section points, from the pixels that the
// arrow changes: +1 up (its rows widen downwards), -1 down, 0 no arrow. A
// row's width is its span, as a style may draw the arrow in outline.
int ArrowDirection(const QImage& plain, const QImage& sorted) {
    int firstWidth = 0, lastWidth = 0;
    for (int y = 0; y < sorted.height(); ++y) {
        int from = -1, to = -1;
        for (int x = 0; x < sorted.width(); ++x)
            if (sorted.pixel(x, y) != plain.pixel(x, y)) {
                from = from < 0 ? x : from;
                to = x;
            }
        if (from < 0)
            continue;
        if (firstWidth == 0)
            firstWidth = to - from + 1;
        lastWidth = to - from + 1;
    }
    return firstWidth == lastWidth ? 0 : firstWidth < lastWidth ? 1 : -1;
}

TEST_F(ResultTablesViewTest, SortArrowPointsUpForAscendingOnLinuxAndWindowsStyles) {
    ShowTab(2);
    FillRanking({{"a", "5", "30.00", "1", "3", "2"},
                 {"b", "12", "10.00", "3", "1", "-2"},
                 {"c", "7", "20.00", "2", "2", "0"}});
    QHeaderView* header = View("sgData3")->horizontalHeader();
    for (const char* name : {"Fusion", "Windows"}) {
        SCOPED_TRACE(name);
        std::unique_ptr<QStyle> style(QStyleFactory::create(QString::fromLatin1(name)));
        ASSERT_NE(style, nullptr);
        header->setStyle(style.get());
        // Back to the window's own before the style goes, pass or fail.
        const std::unique_ptr<QHeaderView, void (*)(QHeaderView*)> restore(
            header, [](QHeaderView* h) { h->setStyle(nullptr); });
        const int logical = ranking::kDifference - 1;
        const auto section = [&] {
            QApplication::processEvents();
            return header
                ->grab(QRect(header->sectionViewportPosition(logical), 0,
                             header->sectionSize(logical), header->height()))
                .toImage();
        };
        // Wide enough that the label keeps its place beside the arrow.
        header->resizeSection(logical, 120);
        header->setSortIndicatorShown(false);
        const QImage plain = section();
        // Each press turns the order round: the order the header names is
        // the table's, and the arrow follows it.
        for (int press = 0; press < 3; ++press) {
            PressHeader(ranking::kDifference);
            ASSERT_EQ(header->sortIndicatorSection(), logical);
            const bool descending = header->sortIndicatorOrder() == Qt::DescendingOrder;
            SCOPED_TRACE(descending ? "descending" : "ascending");
            EXPECT_TRUE(Ordered(Column(ranking::kDifference), descending));
            const QImage sorted = section();
            EXPECT_EQ(ArrowDirection(plain, sorted), descending ? -1 : 1);
        }
    }
}

TEST_F(ResultTablesViewTest, DoubleClickAndEnterOpenTheSelectedItem) {
    ShowTab(2);
    FillRanking({{"a", "5", "", "", "", "", "", "1001"}, {"b", "3", "", "", "", "", "", "1002"}});
    TGridView* view = View("sgData3");
    const QRect second = view->visualRect(view->model()->index(1, 2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_EQ(Desktop.Opened.size(), 1u);
    EXPECT_EQ(Desktop.Opened[0].Url, QStringLiteral("http://item.taobao.com/item.htm?id=1002"));
    EXPECT_EQ(Desktop.Opened[0].Mode, TDesktopServices::TShowMode::Normal);

    // Enter, of either keyboard, is the keyboard's double click; with a
    // modifier it is no such thing.
    view->setFocus();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::size_t opened;
    } keys[] = {{Qt::Key_Return, Qt::NoModifier, 2},
                {Qt::Key_Enter, Qt::KeypadModifier, 3},
                {Qt::Key_Return, Qt::ControlModifier, 3}};
    for (const auto& k : keys) {
        QTest::keyClick(view, k.key, k.modifiers);
        ASSERT_EQ(Desktop.Opened.size(), k.opened);
        EXPECT_EQ(Desktop.Opened.back().Url,
                  QStringLiteral("http://item.taobao.com/item.htm?id=1002"));
    }

    // The empty bottom row opens nothing.
    const QRect bottom = view->visualRect(view->model()->index(2, 2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, bottom.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, bottom.center());
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(Desktop.Opened.size(), 3u);

    // The notice row of the demoted table has no id either.
    Form->AnalyseRanks(); // empty lists: the notice
    ShowTab(1);
    TGridView* demoted = View("sgData2");
    EXPECT_EQ(Form->Grid2().Cell(1, 1), Gbk("店铺宝贝共0个 ，没有被降权宝贝"));
    const QRect notice = demoted->visualRect(demoted->model()->index(0, 0));
    QTest::mouseDClick(demoted->viewport(), Qt::LeftButton, {}, notice.center());
    EXPECT_EQ(Desktop.Opened.size(), 3u);
}

// Counts red pixels in a cell of the rendered ranking table, and the longest
// red horizontal run (the underline).
struct RedInk {
    int pixels = 0;
    int longestRun = 0;
};

RedInk RedIn(const QImage& image, const QRect& cell) {
    RedInk ink;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        int run = 0;
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const bool red = c.red() > 200 && c.green() < 80 && c.blue() < 80;
            ink.pixels += red;
            run = red ? run + 1 : 0;
            ink.longestRun = std::max(ink.longestRun, run);
        }
    }
    return ink;
}

TEST_F(ResultTablesViewTest, DemotedVerdictIsRedAndUnderlined) {
    ShowTab(2);
    FillRanking({{"a", "5", "", "2", "1", "-1", Gbk("重要宝贝被隐性降权"), "1"},
                 {"b", "3", "", "1", "2", "1", Gbk("重要宝贝权值正常"), "2"}});
    TGridView* view = View("sgData3");
    view->clearSelection();
    view->setCurrentIndex({});
    const QImage image = view->viewport()->grab().toImage();
    const RedInk demoted = RedIn(image, view->visualRect(view->model()->index(0, 6)));
    const RedInk normal = RedIn(image, view->visualRect(view->model()->index(1, 6)));
    EXPECT_GT(demoted.pixels, 50);
    EXPECT_GT(demoted.longestRun, 40); // the underline runs under the words
    EXPECT_EQ(normal.pixels, 0);
}

} // namespace
