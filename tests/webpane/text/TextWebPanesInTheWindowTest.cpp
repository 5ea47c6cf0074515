// The window's three panes made of text panes, against a loopback site.
#include "Main.h"
#include "WebPane.h"

#include "LoopbackSite.h"
#include "QtWait.h"
#include "RecordingDesktop.h"

#include <QTabWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int kPageWaitMs = 20000;

// The window's panes are text panes here: each shows its page, and a link in
// one opens in the browser, not in the pane.
TEST(TextWebPanesInTheWindowTest, EachPaneShowsItsPageAndLinksOpenInTheBrowser) {
    LoopbackSite site;
    site.Put("/home.html", "text/html",
             "<html><body><p>home</p><a href=\"/shop/news.html\">news</a></body></html>");
    site.Put("/note.html", "text/html", "<html><body><p>note</p></body></html>");
    site.Put("/soft.html", "text/html", "<html><body><p>soft</p></body></html>");
    TRecordingDesktop desktop;
    TMainFormSettings settings;
    settings.VersionUrl.clear();
    settings.Desktop = &desktop;
    settings.HomeUrl = site.Url("/home.html");
    settings.DemotionNoteUrl = site.Url("/note.html");
    settings.SoftwareListUrl = site.Url("/soft.html");
    TMainForm form(settings);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    const struct {
        const char* name;
        const char* text;
    } panes[] = {{"adweb", "home"}, {"noteweb", "note"}, {"softweb", "soft"}};
    for (const auto& pane : panes) {
        auto* widget = form.findChild<TWebPane*>(QString::fromLatin1(pane.name));
        ASSERT_NE(widget, nullptr) << pane.name;
        EXPECT_TRUE(
            WaitUntil([&] { return widget->toPlainText().startsWith(QLatin1String(pane.text)); },
                      kPageWaitMs))
            << pane.name;
    }

    // The link taken from the keyboard, as a seller without a mouse would.
    form.findChild<QTabWidget*>(QStringLiteral("MainPage"))->setCurrentIndex(3);
    auto* shop = form.findChild<TWebPane*>(QStringLiteral("adweb"));
    shop->setFocus();
    QTest::keyClick(shop, Qt::Key_Tab);
    QTest::keyClick(shop, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return !desktop.Opened.empty(); }, 2000));
    EXPECT_EQ(desktop.Opened.front().Url, QString::fromStdString(site.Url("/shop/news.html")));
    EXPECT_FALSE(site.WasRequested("/shop/news.html"));
    EXPECT_TRUE(shop->toPlainText().startsWith(QLatin1String("home")));
}

} // namespace
