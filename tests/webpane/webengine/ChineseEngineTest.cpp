// The web engine in Chinese, as the program starts it: its own error pages,
// its menus and the language its pages see. A program of its own, since
// the engine takes its locale once, when it first starts.
#include "ChineseTranslations.h"
#include "WebPane.h"

#include "LoopbackServer.h"
#include "LoopbackSite.h"
#include "PaneWait.h"

#include <QAction>
#include <QApplication>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

TEST(ChineseEngineTest, ErrorPagesMenusAndLanguageAreChinese) {
    ASSERT_TRUE(TChineseTranslations::Install(*qApp));
    LoopbackSite site;
    site.Put("/home.html", "text/html", "<html><body>shop</body></html>");
    QWidget window;
    window.resize(640, 480);
    auto* layout = new QVBoxLayout(&window);
    auto* pane = new TWebPane(&window);
    layout->addWidget(pane);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    ASSERT_TRUE(LoadAndWait(*pane, site.Url("/home.html")));
    EXPECT_EQ(Eval(*pane, "navigator.language").toString(), QStringLiteral("zh-CN"));

    // The engine's menu entries.
    EXPECT_EQ(pane->pageAction(QWebEnginePage::Back)->text(), QString::fromUtf8("后退"));
    EXPECT_EQ(pane->pageAction(QWebEnginePage::Reload)->text(), QString::fromUtf8("重新加载"));

    // The engine's own page for a site that cannot be reached.
    std::uint16_t closedPort = 0;
    {
        LoopbackServer gone;
        gone.Start();
        closedPort = gone.Port();
    }
    LoadAndWait(*pane, "http://127.0.0.1:" + std::to_string(closedPort) + "/");
    ASSERT_TRUE(WaitForScript(*pane, "document.body && document.body.innerText.length > 0"));
    const QString text = Eval(*pane, "document.body.innerText").toString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("无法访问此网站"))) << text.toStdString();
}

} // namespace
