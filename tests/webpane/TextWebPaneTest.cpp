// The pane that shows a page as rich text, fetched through the program's own
// HTTP client (the build without a web engine), against a loopback site; and
// the window's three panes made of it.
#include "Main.h"
#include "WebPane.h"

#include "GbkText.h"
#include "LoopbackServer.h"
#include "LoopbackSite.h"
#include "QtWait.h"
#include "RecordingDesktop.h"
#include "ServerErrors.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int kPageWaitMs = 20000;

// A 2x120 PNG: tall enough that a laid-out page with it grows by its height.
std::string TallPng() {
    QImage image(2, 120, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// Navigates pane and waits until the page and its images have settled.
bool LoadAndWait(TWebPane& pane, const std::string& url) {
    bool settled = false;
    const auto connection =
        QObject::connect(&pane, &TWebPane::ImagesSettled, [&settled] { settled = true; });
    pane.Navigate(QString::fromStdString(url));
    const bool ended = WaitUntil([&] { return settled; }, kPageWaitMs);
    QObject::disconnect(connection);
    return ended;
}

class TextWebPaneTest : public ::testing::Test {
protected:
    TextWebPaneTest() {
        Window.resize(640, 480);
        auto* layout = new QVBoxLayout(&Window);
        Pane = new TWebPane(&Window);
        layout->addWidget(Pane);
        Window.show();
    }
    LoopbackSite Site;
    QWidget Window;
    TWebPane* Pane = nullptr;
};

TEST_F(TextWebPaneTest, PagesAreDecodedByTheirCharacterSet) {
    struct Case {
        const char* name;
        std::string contentType;
        std::string body;
    };
    const std::string chinese = "降权说明";
    const Case cases[] = {
        {"GBK named in the header", "text/html; charset=GBK",
         "<html><body><p>" + Gbk(chinese) + "</p></body></html>"},
        {"GB2312 named in a meta tag", "text/html",
         "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
         "</head><body><p>" +
             Gbk(chinese) + "</p></body></html>"},
        {"nothing named: UTF-8", "text/html", "<html><body><p>" + chinese + "</p></body></html>"},
    };
    int page = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = "/page" + std::to_string(page++) + ".html";
        Site.Put(path, c.contentType, c.body);
        ASSERT_TRUE(LoadAndWait(*Pane, Site.Url(path)));
        EXPECT_EQ(Pane->toPlainText().trimmed(), QString::fromStdString(chinese));
    }
}

TEST_F(TextWebPaneTest, ImagesArriveThroughTheClientAndAreLaidOut) {
    Site.Put("/shop/home.html", "text/html",
             "<html><body><p>shop</p><img src=\"img/tall.png\"><img src=\"/none.png\">"
             "</body></html>");
    Site.Put("/shop/img/tall.png", "image/png", TallPng());
    ASSERT_TRUE(LoadAndWait(*Pane, Site.Url("/shop/home.html")));
    EXPECT_TRUE(Site.WasRequested("/shop/img/tall.png"));
    EXPECT_TRUE(Site.WasRequested("/none.png"));
    // The page is laid out again with the image's height.
    EXPECT_GE(Pane->document()->size().height(), 120.0);
}

TEST_F(TextWebPaneTest, WithoutImageDownloadsNoImageIsFetched) {
    Site.Put("/home.html", "text/html", "<html><body><img src=\"tall.png\"></body></html>");
    Site.Put("/tall.png", "image/png", TallPng());
    Pane->SetDownloadOptions(TDownloadControlOption::DownloadVideos);
    ASSERT_TRUE(LoadAndWait(*Pane, Site.Url("/home.html")));
    EXPECT_FALSE(Site.WasRequested("/tall.png"));
}

TEST_F(TextWebPaneTest, AnUnreachableSiteShowsTheChineseErrorPageInTheStatusLinesWords) {
    std::uint16_t closedPort = 0;
    {
        LoopbackServer gone;
        gone.Start();
        closedPort = gone.Port();
    }
    // An error status without a page of its own.
    LoopbackServer failing;
    failing.Start();
    failing.Add([](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Send(HttpResponse("500 Internal Server Error", "", ""));
        peer.WaitForClientClose();
    });
    struct Case {
        std::string url;
        const char* words; // as the status line says it
    };
    const Case cases[] = {
        {"http://127.0.0.1:" + std::to_string(closedPort) + "/", "连接被拒绝"},
        {failing.Url("/"), "服务器返回错误 500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words);
        ASSERT_TRUE(LoadAndWait(*Pane, c.url));
        const QString text = Pane->toPlainText();
        EXPECT_TRUE(text.contains(QString::fromUtf8("无法访问此网站"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("127.0.0.1"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.words))) << text.toStdString();
        // Never the client's own English.
        EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[A-Za-z]{4,}"))))
            << text.toStdString();
    }
    StopAndReportErrors(failing);
}

TEST_F(TextWebPaneTest, PaneWithTheFocusShowsIt) {
    Window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
    const QColor highlight = Pane->palette().color(QPalette::Active, QPalette::Highlight);
    const auto corner = [this] {
        QApplication::processEvents();
        return Pane->viewport()->grab().toImage().pixelColor(1, Pane->viewport()->height() / 2);
    };
    Pane->setFocus();
    EXPECT_EQ(corner(), highlight);
    Pane->clearFocus();
    EXPECT_NE(corner(), highlight);
}

TEST_F(TextWebPaneTest, ClosingDuringAFetchDoesNotWaitForTheServer) {
    LoopbackServer silent;
    silent.Start({[](LoopbackPeer& peer) {
        peer.ReadRequestHead();
        peer.Pause(std::chrono::milliseconds(4000));
    }});
    Pane->Navigate(QString::fromStdString(silent.Url("/")));
    QTest::qWait(200);
    QElapsedTimer timer;
    timer.start();
    delete Pane;
    EXPECT_LT(timer.elapsed(), 2000);
}

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
