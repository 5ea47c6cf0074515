// The window's three web panes: where FormCreate points them, and what a
// hostile shop page can and cannot do to the window.
#include "Main.h"

#include "EngineLogCapture.h"
#include "LoopbackSite.h"
#include "PaneWait.h"
#include "RecordingDesktop.h"
#include "RecordingPageDialogs.h"

#include <QApplication>
#include <QTabWidget>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

// Sees every request of the engine's default profile as it starts, on the
// window's thread, and keeps the pages asked for in that order.
class TPageRequestLog final : public QWebEngineUrlRequestInterceptor {
public:
    TPageRequestLog() { QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(this); }
    ~TPageRequestLog() override {
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
            Pages.push_back(info.requestUrl().path().toStdString());
    }
    std::vector<std::string> Pages;
};

class MainFormPanesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Site.Put("/home.html", "text/html", "<html><head><title>home</title></head></html>");
        Site.Put("/note.html", "text/html", "<html><head><title>note</title></head></html>");
        Site.Put("/soft.html", "text/html", "<html><head><title>soft</title></head></html>");
    }

    // Pages that try everything the window must shrug off.
    void PutHostilePages() {
        Site.Put("/home.html", "text/html",
                 "<html><body><script>moveTo(0, 0); resizeTo(300, 200);</script>\n"
                 "<script>alert('shop says hi');\nnoSuchShopFunction();</script>\n"
                 "<script>document.title = 'shop still running';</script></body></html>");
        Site.Put("/note.html", "text/html",
                 "<html><body><script>alert('note says hi');\nnoSuchNoteFunction();"
                 "</script></body></html>");
        Site.Put("/soft.html", "text/html",
                 "<html><body><script>alert('soft says hi');</script></body></html>");
    }

    void Create() {
        TMainFormSettings settings;
        settings.VersionUrl = "";
        settings.Desktop = &Desktop;
        settings.PageDialogs = &Dialogs;
        settings.HomeUrl = Site.Url("/home.html");
        settings.DemotionNoteUrl = Site.Url("/note.html");
        settings.SoftwareListUrl = Site.Url("/soft.html");
        Form = std::make_unique<TMainForm>(settings);
        Form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    }

    TWebPane* Pane(const char* name) const {
        auto* pane = Form->findChild<TWebPane*>(QString::fromLatin1(name));
        EXPECT_NE(pane, nullptr) << name;
        return pane;
    }

    TPageRequestLog Requests;
    LoopbackSite Site;
    TRecordingDesktop Desktop;
    TRecordingPageDialogs Dialogs;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(MainFormPanesTest, FormCreateNavigatesThePanesInOrder) {
    Create();
    const char* names[] = {"adweb", "noteweb", "softweb"};
    const char* titles[] = {"home", "note", "soft"};
    for (int i = 0; i < 3; ++i) {
        TWebPane* pane = Pane(names[i]);
        EXPECT_TRUE(
            WaitUntil([&] { return pane->title() == QLatin1String(titles[i]); }, kPageWaitMs))
            << names[i];
    }
    EXPECT_TRUE(Site.WasRequested("/home.html"));
    EXPECT_TRUE(Site.WasRequested("/note.html"));
    EXPECT_TRUE(Site.WasRequested("/soft.html"));

    EXPECT_EQ(Requests.Pages, (std::vector<std::string>{"/home.html", "/note.html", "/soft.html"}));
}

TEST_F(MainFormPanesTest, ShopPageErrorsAndAlertsShowNothingTheOtherPanesShowTheirAlerts) {
    PutHostilePages();
    TEngineLogCapture engineLog;
    Create();
    Form->move(150, 120);
    QTest::qWait(50);
    const QRect before = Form->geometry();
    for (int tab = 3; tab < 6; ++tab) // shown, as the user would look at them
        Form->findChild<QTabWidget*>(QStringLiteral("MainPage"))->setCurrentIndex(tab);

    EXPECT_TRUE(
        WaitUntil([&] { return Pane("adweb")->title() == QLatin1String("shop still running"); },
                  kPageWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return Dialogs.Alerts.size() == 2; }, kPageWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return engineLog.Contains("noSuchNoteFunction"); }, kPageWaitMs));
    QTest::qWait(300);
    Dialogs.Alerts.sort();
    EXPECT_EQ(Dialogs.Alerts,
              (QStringList{QStringLiteral("note says hi"), QStringLiteral("soft says hi")}));
    EXPECT_FALSE(engineLog.Contains("noSuchShopFunction"));
    EXPECT_EQ(Form->geometry(), before);
}

TEST_F(MainFormPanesTest, EachPanesNewWindowsAndDownloadsOpenOnceInTheBrowser) {
    // Each page opens one thing beside itself as soon as it has loaded.
    Site.Put("/home.html", "text/html",
             "<html><body><a id='a' href='/shop/news.html' target='_blank'>news</a>"
             "<script>document.getElementById('a').click();</script></body></html>");
    Site.Put("/note.html", "text/html",
             "<html><body><script>window.open('/note/more.html');</script></body></html>");
    Site.Put("/soft.html", "text/html",
             "<html><body><a id='a' href='/soft/tool.rar'>tool</a>"
             "<script>document.getElementById('a').click();</script></body></html>");
    Site.Put("/soft/tool.rar", "application/octet-stream", "Rar!\x1a\x07");
    Create();

    ASSERT_TRUE(WaitUntil([&] { return Desktop.Opened.size() >= 3; }, kPageWaitMs));
    QTest::qWait(300);
    QStringList opened;
    for (const TRecordingDesktop::TOpened& open : Desktop.Opened) {
        opened.push_back(open.Url);
        EXPECT_EQ(open.Mode, TDesktopServices::TShowMode::Normal);
    }
    opened.sort();
    QStringList expected;
    for (const char* path : {"/note/more.html", "/shop/news.html", "/soft/tool.rar"})
        expected.push_back(QString::fromStdString(Site.Url(path)));
    EXPECT_EQ(opened, expected);
    // The program opened no window of its own beside the main window.
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_TRUE(window == Form.get() || !window->isVisible())
            << window->metaObject()->className();
    EXPECT_FALSE(Site.WasRequested("/shop/news.html"));
    EXPECT_FALSE(Site.WasRequested("/note/more.html"));
}

TEST_F(MainFormPanesTest, APageOpeningBesideItselfWithoutABrowserShowsTheAddress) {
    Site.Put("/note.html", "text/html",
             "<html><body><script>window.open('/note/more.html');</script></body></html>");
    Desktop.OpenSucceeds = false;
    Create();

    ASSERT_TRUE(WaitUntil([&] { return !Desktop.BrowserFailures.empty(); }, kPageWaitMs));
    ASSERT_EQ(Desktop.BrowserFailures.size(), 1u);
    EXPECT_EQ(Desktop.BrowserFailures[0].Url.toStdString(), Site.Url("/note/more.html"));
    EXPECT_EQ(Desktop.BrowserFailures[0].Owner, Form.get());
}

} // namespace
