// Not a check: with KORVANE_SCREENSHOT_DIR set, runs a detection against a
// sample shop and saves each result tab, and the ranking chart, as a PNG, to
// look at, and the chart and the ranking table with the keyboard's focus; the bottom of the
// ranking tab, a cut ending and a chart title on two lines after a partial comparison; then the
// chart of a shop of 4,200 items, as it opens, whole and zoomed.
#include "Main.h"

#include "FixtureMarketplace.h"
#include "QtWait.h"
#include "RankChart.h"
#include "RecordingDesktop.h"
#include "SampleShop.h"
#include "TestWindow.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QWheelEvent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace korvane;
using korvane::test::FixtureItem;
using korvane::test::FixtureMarketplace;
using korvane::test::MakeItem;

namespace {

// The window, with empty web panes (nothing may leave the machine), running
// a detection of the sample shop against marketplace.
std::unique_ptr<TMainForm> StartRun(const FixtureMarketplace& marketplace,
                                    test::TRecordingDesktop& desktop) {
    TMainFormSettings settings;
    settings.SearchHost = marketplace.Host();
    auto form = test::ShowTestWindow(desktop, settings);
    form->findChild<QLineEdit*>(QStringLiteral("txtID"))
        ->setText(QString::fromUtf8("韩都衣舍旗舰店"));
    form->findChild<QPushButton*>(QStringLiteral("btnSearch"))->click();
    return form;
}

// The shop of the screenshots, both its listings.
void ServeSampleShop(FixtureMarketplace& marketplace) {
    const test::TSampleShop shop = test::SampleShop();
    marketplace.SetShop(FixtureMarketplace::ShopPages(shop.BySales),
                        FixtureMarketplace::ShopPages(shop.ByDefault));
}

TEST(Screenshot, ResultTabs) {
    const QString dir = qEnvironmentVariable("KORVANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KORVANE_SCREENSHOT_DIR to save screenshots";

    FixtureMarketplace marketplace;
    ServeSampleShop(marketplace);
    // The default pass's second page loads slowly, to show the run under way.
    marketplace.SetPageDelay(false, 2, std::chrono::milliseconds(1500));
    test::TRecordingDesktop desktop;
    const auto form = StartRun(marketplace, desktop);
    auto* button = form->findChild<QPushButton*>(QStringLiteral("btnSearch"));
    auto* status = form->findChild<QLabel*>(QStringLiteral("sbar"));
    ASSERT_TRUE(test::WaitUntil(
        [status] { return status->text().startsWith(QString::fromUtf8("正在读取默认排序第2页")); },
        20000));
    QTest::qWait(100);
    EXPECT_TRUE(form->grab().save(QStringLiteral("%1/korvane-running.png").arg(dir)));
    ASSERT_TRUE(test::WaitUntil([button] { return button->isEnabled(); }, 20000));

    auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("MainPage"));
    for (int tab = 0; tab < 3; ++tab) {
        tabs->setCurrentIndex(tab);
        QTest::qWait(100);
        EXPECT_TRUE(form->grab().save(QStringLiteral("%1/korvane-tab%2.png").arg(dir).arg(tab)));
    }
    // The ranking tab once more, as a chart.
    auto* chartButton = form->findChild<QPushButton*>(QStringLiteral("btnChart"));
    chartButton->click();
    QTest::qWait(100);
    EXPECT_TRUE(form->grab().save(QStringLiteral("%1/korvane-chart.png").arg(dir)));

    // Where the keyboard is, as the keys leave it: the chart reached by Tab
    // from 表格 and zoomed in by +; then the table, back by 表格, with the
    // focus on its fourth row.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const auto key = [](Qt::Key pressed) {
        QTest::keyClick(QApplication::focusWidget(), pressed);
        QTest::qWait(50);
    };
    chartButton->setFocus();
    key(Qt::Key_Tab);
    key(Qt::Key_Plus);
    QTest::qWait(100);
    EXPECT_TRUE(form->grab().save(QStringLiteral("%1/korvane-focus-chart.png").arg(dir)));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Space);
    key(Qt::Key_Tab);
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Down);
    QTest::qWait(100);
    EXPECT_TRUE(form->grab().save(QStringLiteral("%1/korvane-focus-table.png").arg(dir)));
}

// The bottom of the window: the ranking table's last rows above the status bar.
QImage Bottom(QWidget& form, int height) {
    return form.grab(QRect(0, form.height() - height, form.width(), height)).toImage();
}

TEST(Screenshot, CutEndingAndWrappedTitle) {
    const QString dir = qEnvironmentVariable("KORVANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KORVANE_SCREENSHOT_DIR to save screenshots";

    // The default listing's second page fails: a partial comparison, whose
    // ending is longer than the status bar, of a shop with a long nick.
    FixtureMarketplace marketplace;
    ServeSampleShop(marketplace);
    marketplace.SetFault(false, 2, FixtureMarketplace::TFault::ServerError);
    test::TRecordingDesktop desktop;
    TMainFormSettings settings;
    settings.SearchHost = marketplace.Host();
    const auto form = test::ShowTestWindow(desktop, settings);
    form->findChild<QLineEdit*>(QStringLiteral("txtID"))
        ->setText(QString::fromUtf8("韩都衣舍旗舰店官方直营女装店铺"));
    auto* button = form->findChild<QPushButton*>(QStringLiteral("btnSearch"));
    button->click();
    ASSERT_TRUE(test::WaitUntil([button] { return button->isEnabled(); }, 20000));

    form->findChild<QTabWidget*>(QStringLiteral("MainPage"))->setCurrentIndex(2);
    QTest::qWait(100);
    EXPECT_TRUE(Bottom(*form, 160).save(QStringLiteral("%1/korvane-ranking-bottom.png").arg(dir)));
    // The status line with the focus, its ending cut with "…".
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->findChild<QLabel*>(QStringLiteral("sbar"))->setFocus();
    QTest::qWait(100);
    EXPECT_TRUE(Bottom(*form, 60).save(QStringLiteral("%1/korvane-cut-ending.png").arg(dir)));
    form->findChild<QPushButton*>(QStringLiteral("btnChart"))->click();
    QTest::qWait(200);
    EXPECT_TRUE(form->grab().save(QStringLiteral("%1/korvane-chart-title.png").arg(dir)));
}

TEST(Screenshot, LargeShopChart) {
    const QString dir = qEnvironmentVariable("KORVANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KORVANE_SCREENSHOT_DIR to save screenshots";

    // 4,200 items, item i the (i+1)th seller. The default listing keeps
    // them near their sales rank, less near further down; the ten top
    // sellers are scattered down the listing, and a few items are missing
    // from the sales listing.
    constexpr int kItems = 4200;
    QRandomGenerator random(24);
    std::vector<FixtureItem> bySales;
    std::vector<std::pair<double, int>> placed;
    for (int i = 0; i < kItems; ++i) {
        bySales.push_back(MakeItem(std::to_string(20000000000LL + i),
                                   QString::fromUtf8("宝贝 %1").arg(i + 1).toStdString(), "19.90",
                                   std::to_string(10 * (kItems - i))));
        const double spread = 10 + i * 0.15;
        double at = i + (random.generateDouble() * 2 - 1) * spread;
        if (i < 10)
            at = 150 + random.bounded(kItems - 150);
        placed.emplace_back(at, i);
    }
    std::sort(placed.begin(), placed.end());
    std::vector<FixtureItem> byDefault;
    for (const auto& [at, i] : placed)
        byDefault.push_back(bySales[static_cast<std::size_t>(i)]);
    for (const int gone : {2000, 1500, 700, 30})
        bySales.erase(bySales.begin() + gone);

    FixtureMarketplace marketplace;
    marketplace.SetShop(FixtureMarketplace::ShopPages(bySales),
                        FixtureMarketplace::ShopPages(byDefault));
    test::TRecordingDesktop desktop;
    const auto form = StartRun(marketplace, desktop);
    auto* button = form->findChild<QPushButton*>(QStringLiteral("btnSearch"));
    ASSERT_TRUE(test::WaitUntil([button] { return button->isEnabled(); }, 120000));

    form->findChild<QTabWidget*>(QStringLiteral("MainPage"))->setCurrentIndex(2);
    form->findChild<QPushButton*>(QStringLiteral("btnChart"))->click();
    QTest::qWait(200);
    EXPECT_TRUE(form->grab().save(QStringLiteral("%1/korvane-chart-large.png").arg(dir)));
    form->findChild<QPushButton*>(QStringLiteral("btnChartAll"))->click();
    QTest::qWait(200);
    EXPECT_TRUE(form->grab().save(QStringLiteral("%1/korvane-chart-large-all.png").arg(dir)));
    // Three notches of the wheel over the top left corner of the whole shop.
    QWidget* surface = form->findChild<TRankChart*>(QStringLiteral("chtRanking"))->viewport();
    const QPoint corner(140, 90);
    QWheelEvent wheel(corner, surface->mapToGlobal(corner), {}, {0, 360}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(surface, &wheel);
    QTest::qWait(200);
    EXPECT_TRUE(form->grab().save(QStringLiteral("%1/korvane-chart-large-zoomed.png").arg(dir)));
}

} // namespace
