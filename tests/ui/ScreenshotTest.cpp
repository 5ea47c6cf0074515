// Not a check: with KORVANE_SCREENSHOT_DIR set, runs a detection against a
// sample shop and saves each result tab, and the ranking chart, as a PNG, to
// look at.
#include "Main.h"

#include "EmptyWebPanes.h"
#include "FixtureMarketplace.h"
#include "QtWait.h"
#include "RecordingDesktop.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

using namespace korvane;
using korvane::test::FixtureItem;
using korvane::test::FixtureMarketplace;
using korvane::test::MakeItem;

namespace {

TEST(Screenshot, ResultTabs) {
    const QString dir = qEnvironmentVariable("KORVANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "set KORVANE_SCREENSHOT_DIR to save screenshots";

    const char* titles[] = {"2012秋装新款韩版修身长袖连衣裙", "纯棉宽松短袖T恤 男女同款",
                            "真皮商务男士钱包 短款",          "加厚保暖羽绒服 中长款",
                            "复古帆布双肩包 学生书包",        "夏季新款雪纺碎花半身裙"};
    std::vector<FixtureItem> byDefault;
    for (int i = 0; i < 60; ++i)
        byDefault.push_back(MakeItem(std::to_string(15000000000LL + i * 7919),
                                     std::string(titles[i % 6]) + " " + std::to_string(i + 1),
                                     std::to_string(39 + (i * 17) % 200) + ".00",
                                     std::to_string((i * 37) % 90)));
    // Sorted by position: moving whole items through stable_sort draws a false
    // "may be used uninitialized" from GCC 12 at -O3.
    std::vector<std::size_t> order(byDefault.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::stoi(*byDefault[a].SalesText) > std::stoi(*byDefault[b].SalesText);
    });
    std::vector<FixtureItem> bySales;
    for (std::size_t i : order)
        bySales.push_back(byDefault[i]);
    bySales.erase(bySales.begin() + 3);  // two top sellers go missing from
    bySales.erase(bySales.begin() + 10); // the sales listing: demoted

    FixtureMarketplace marketplace;
    marketplace.SetShop(FixtureMarketplace::ShopPages(bySales),
                        FixtureMarketplace::ShopPages(byDefault));
    // The default pass's second page loads slowly, to show the run under way.
    marketplace.SetPageDelay(false, 2, std::chrono::milliseconds(1500));
    test::TRecordingDesktop desktop;
    TMainFormSettings settings;
    settings.VersionUrl = "";
    settings.SearchHost = marketplace.Host();
    settings.Desktop = &desktop;
    test::LeaveWebPanesEmpty(settings); // nothing may leave the machine
    TMainForm form(settings);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.findChild<QLineEdit*>("txtID")->setText(QString::fromUtf8("韩都衣舍旗舰店"));
    auto* button = form.findChild<QPushButton*>("btnSearch");
    button->click();
    auto* status = form.findChild<QLabel*>("sbar");
    ASSERT_TRUE(test::WaitUntil(
        [status] { return status->text().startsWith(QString::fromUtf8("正在读取默认排序第2页")); },
        20000));
    QTest::qWait(100);
    EXPECT_TRUE(form.grab().save(QString("%1/korvane-running.png").arg(dir)));
    ASSERT_TRUE(test::WaitUntil([button] { return button->isEnabled(); }, 20000));

    auto* tabs = form.findChild<QTabWidget*>("MainPage");
    for (int tab = 0; tab < 3; ++tab) {
        tabs->setCurrentIndex(tab);
        QTest::qWait(100);
        EXPECT_TRUE(form.grab().save(QString("%1/korvane-tab%2.png").arg(dir).arg(tab)));
    }
    // The ranking tab once more, as a chart.
    form.findChild<QPushButton*>("btnChart")->click();
    QTest::qWait(100);
    EXPECT_TRUE(form.grab().save(QString("%1/korvane-chart.png").arg(dir)));
}

} // namespace
