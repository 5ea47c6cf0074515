// The pane that shows a page as rich text, fetched through the program's own
// HTTP client (the build without a web engine), against a loopback site.
#include "WebPane.h"

#include "GbkText.h"
#include "LoopbackServer.h"
#include "LoopbackSite.h"
#include "QtWait.h"
#include "ServerErrors.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

constexpr int kPageWaitMs = 20000;

// A PNG of the given size, filled with noise when it should not compress.
std::string Png(int width, int height, bool noise = false) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    if (noise)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, static_cast<QRgb>(x * 7919 + y * 104729) * 2654435761u);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// A 2x120 PNG: tall enough that a laid-out page with it grows by its height.
std::string TallPng() {
    return Png(2, 120);
}

// Whether the page shown is laid out with a tall image in it.
bool ShowsATallImage(const TWebPane& pane) {
    return pane.document()->size().height() >= 120.0;
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

// A page names sources outside its site in every way rich text knows. The
// pane reads none of them: each stays an empty place, and the page shows
// only its text. A small image written into the page itself is shown.
TEST_F(TextWebPaneTest, HostilePagesReadNothingOutsideTheirSite) {
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tall = dir.filePath(QStringLiteral("tall.png"));
    {
        QFile file(tall);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(TallPng()));
    }
    const std::string tallUrl = QUrl::fromLocalFile(tall).toString().toStdString();
    const std::string smallData =
        "data:image/png;base64," + QByteArray::fromStdString(TallPng()).toBase64().toStdString();
    const std::string bigData =
        "data:image/png;base64," +
        QByteArray::fromStdString(Png(40, 120, true)).toBase64().toStdString();
    ASSERT_GT(bigData.size(), 2000u);
    TTextPaneLimits limits;
    limits.DataImageChars = 2000;
    Pane->SetLimits(limits);
    // Qt's own resources hold images of their own, which a page must not reach.
    const char* qtImage = ":/qt-project.org/styles/commonstyle/images/standardbutton-apply-128.png";
    struct Case {
        const char* Name;
        std::string Body;
        bool Shown;
    } const cases[] = {
        {"a local image", "<img src=\"" + tallUrl + "\">", false},
        {"a local image by path", "<img src=\"" + tall.toStdString() + "\">", false},
        {"a device that never ends", "<img src=\"file:///dev/zero\"><img src=\"/dev/zero\">",
         false},
        {"a network share", "<img src=\"file://127.0.0.1/share/tall.png\">", false},
        {"the program's resources",
         std::string("<img src=\"qrc") + qtImage + "\"><img src=\"" + qtImage + "\">", false},
        {"a large data: image", "<img src=\"" + bigData + "\">", false},
        {"a small data: image", "<img src=\"" + smallData + "\">", true},
    };
    int page = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = "/hostile" + std::to_string(page++) + ".html";
        Site.Put(path, "text/html",
                 "<html><head></head><body><p>shop</p>" + c.Body + "</body></html>");
        ASSERT_TRUE(LoadAndWait(*Pane, Site.Url(path)));
        EXPECT_TRUE(Pane->toPlainText().startsWith(QLatin1String("shop")));
        EXPECT_EQ(ShowsATallImage(*Pane), c.Shown) << Pane->document()->size().height();
    }
    // A page that is not an http address is not read at all.
    ASSERT_TRUE(LoadAndWait(*Pane, tallUrl));
    EXPECT_TRUE(Pane->toPlainText().contains(QString::fromUtf8("无法访问此网站")));
}

// The page's images within their bounds: how many are asked for, how many
// bytes each may have, and how many pixels it may unpack into.
TEST_F(TextWebPaneTest, ImagesStayWithinThePagesBounds) {
    TTextPaneLimits limits;
    limits.ImagesPerPage = 5;
    limits.ImageBytes = 8000;
    limits.ImagePixels = 1000;
    Pane->SetLimits(limits);
    std::string many;
    for (int i = 0; i < 12; ++i) {
        Site.Put("/i" + std::to_string(i) + ".png", "image/png", Png(2, 2));
        many += "<img src=\"/i" + std::to_string(i) + ".png\">";
    }
    Site.Put("/many.html", "text/html", "<html><body>" + many + "</body></html>");
    ASSERT_TRUE(LoadAndWait(*Pane, Site.Url("/many.html")));
    int asked = 0;
    for (int i = 0; i < 12; ++i)
        asked += Site.WasRequested("/i" + std::to_string(i) + ".png") ? 1 : 0;
    EXPECT_EQ(asked, 5);

    const std::string large = Png(2, 120, true) + std::string(10000, '\0');
    ASSERT_GT(large.size(), 8000u);
    Site.Put("/large.png", "image/png", large);
    Site.Put("/vast.png", "image/png", Png(1, 5000)); // a few bytes, 5,000 pixels
    Site.Put("/bounded.html", "text/html",
             "<html><body><img src=\"/large.png\"><img src=\"/vast.png\"></body></html>");
    ASSERT_TRUE(LoadAndWait(*Pane, Site.Url("/bounded.html")));
    EXPECT_TRUE(Site.WasRequested("/large.png"));
    EXPECT_TRUE(Site.WasRequested("/vast.png"));
    EXPECT_FALSE(ShowsATallImage(*Pane)) << Pane->document()->size().height();
}

// A page larger than its bound, or one that trickles in, is not shown; an
// image that trickles in is given up within its own limit.
TEST_F(TextWebPaneTest, PagesAndImagesWithinTheirSizeAndTime) {
    TTextPaneLimits limits;
    limits.PageBytes = 4096;
    limits.PageAnswerMs = 1000;
    limits.ImageAnswerMs = 1000;
    Pane->SetLimits(limits);
    Site.Put("/huge.html", "text/html",
             "<html><body><p>" + std::string(10000, 'x') + "</p></body></html>");
    ASSERT_TRUE(LoadAndWait(*Pane, Site.Url("/huge.html")));
    EXPECT_TRUE(Pane->toPlainText().contains(QString::fromUtf8("无法访问此网站")));

    LoopbackServer slow;
    const std::string page = "<html><body><p>slow</p></body></html>";
    slow.Start({[&page](LoopbackPeer& peer) {
                    peer.ReadRequestHead();
                    peer.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size()) +
                              "\r\n\r\n");
                    peer.Trickle(page, std::chrono::milliseconds(200));
                },
                [](LoopbackPeer& peer) {
                    peer.ReadRequestHead();
                    const std::string png = TallPng();
                    peer.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(png.size()) +
                              "\r\n\r\n");
                    peer.Trickle(png, std::chrono::milliseconds(200));
                }});
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(LoadAndWait(*Pane, slow.Url("/")));
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_TRUE(Pane->toPlainText().contains(QString::fromUtf8("无法访问此网站")));

    Site.Put("/slowimage.html", "text/html",
             "<html><body><p>shop</p><img src=\"" + slow.Url("/tall.png") + "\"></body></html>");
    clock.restart();
    ASSERT_TRUE(LoadAndWait(*Pane, Site.Url("/slowimage.html")));
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_FALSE(ShowsATallImage(*Pane));
    slow.Stop();
}

// Only a web address goes to the browser; a file link would run what it
// names, and other schemes start other programs.
TEST_F(TextWebPaneTest, OnlyWebLinksOpenInTheBrowser) {
    std::vector<QUrl> opened;
    Pane->SetBrowserOpener([&opened](const QUrl& url) { opened.push_back(url); });
    Site.Put("/links.html", "text/html", "<html><body><p>links</p></body></html>");
    ASSERT_TRUE(LoadAndWait(*Pane, Site.Url("/links.html")));
    for (const char* link :
         {"file:///C:/Windows/System32/calc.exe", "file://server/share/x.exe",
          "javascript:alert(1)", "mailto:someone@example.com", "ftp://127.0.0.1/x", "qrc:/x",
          "http://127.0.0.1/a", "https://127.0.0.1/b", "/relative.html"})
        emit Pane->anchorClicked(QUrl(QString::fromLatin1(link)));
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], QUrl(QStringLiteral("http://127.0.0.1/a")));
    EXPECT_EQ(opened[1], QUrl(QStringLiteral("https://127.0.0.1/b")));
    EXPECT_EQ(opened[2], QUrl(QString::fromStdString(Site.Url("/relative.html"))));
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

} // namespace
