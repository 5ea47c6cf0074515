// The pane over Qt WebEngine: what reaches the program, what the engine keeps,
// and which keys and script requests get through. Pages come from a loopback site.
#include "WebPane.h"

#include "EngineLogCapture.h"
#include "LoopbackSite.h"
#include "PaneWait.h"
#include "RecordingPageDialogs.h"
#include "UserRegistry.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

std::string Png(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// The pane in a window of its own, as on its tab.
class WebPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        Window.resize(640, 480);
        auto* layout = new QVBoxLayout(&Window);
        Edit = new QLineEdit(&Window);
        layout->addWidget(Edit);
        Pane = new TWebPane(&Window);
        layout->addWidget(Pane);
        Pane->SetPageDialogs(&Dialogs);
        Window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
    }

    void Load(const std::string& path) { ASSERT_TRUE(LoadAndWait(*Pane, Site.Url(path))); }

    LoopbackSite Site;
    TRecordingPageDialogs Dialogs;
    QWidget Window;
    QLineEdit* Edit = nullptr;
    TWebPane* Pane = nullptr;
};

struct ScriptErrorCall {
    TWebPane* Sender;
    QStringList Texts; // line, character, code, message, url
};

// Line 5 fails; the scripts after it set the title.
constexpr const char* kFailingPage = R"(<!DOCTYPE html>
<html><head><title>errors</title></head><body>
<script>
window.before = 1;
undefinedFunction();
</script>
<script>console.error('a note, not an error');</script>
<script>document.title = 'ran on';</script>
</body></html>
)";

TEST_F(WebPaneTest, ScriptErrorGoesToTheHandlerThenToTheEngineUnlessTheHandlerSaysNo) {
    Site.Put("/fail.html", "text/html", kFailingPage);
    struct Case {
        const char* name;
        bool handler;
        bool showDialog; // what the handler leaves in Showdialog
        bool engineShowsIt;
    };
    const Case cases[] = {
        {"no handler", false, true, true},
        {"handler leaves the dialog", true, true, true},
        {"handler declines the dialog", true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ScriptErrorCall> calls;
        Pane->OnScriptError = nullptr;
        if (c.handler)
            Pane->OnScriptError = [&calls, &c](TWebPane* Sender, const QString& ErrorLine,
                                               const QString& ErrorCharacter,
                                               const QString& ErrorCode,
                                               const QString& ErrorMessage, const QString& ErrorUrl,
                                               bool& ContinueScript, bool& Showdialog) {
                EXPECT_TRUE(ContinueScript);
                EXPECT_TRUE(Showdialog);
                calls.push_back(
                    {Sender, {ErrorLine, ErrorCharacter, ErrorCode, ErrorMessage, ErrorUrl}});
                Showdialog = c.showDialog;
            };
        TEngineLogCapture engineLog;
        Load("/fail.html?" + std::to_string(&c - cases));
        ASSERT_TRUE(WaitForScript(*Pane, "document.title === 'ran on'"));

        if (c.handler) {
            ASSERT_EQ(calls.size(), 1u) << "console.error is no script error";
            EXPECT_EQ(calls[0].Sender, Pane);
            const QString url =
                QString::fromStdString(Site.Url("/fail.html?")) + QString::number(&c - cases);
            EXPECT_EQ(calls[0].Texts,
                      (QStringList{QStringLiteral("5"), QString(), QString(),
                                   QStringLiteral("ReferenceError: undefinedFunction is not "
                                                  "defined"),
                                   url}));
        }
        EXPECT_EQ(engineLog.Contains("undefinedFunction is not defined"), c.engineShowsIt);
        EXPECT_TRUE(engineLog.Contains("a note, not an error"));
        EXPECT_TRUE(Dialogs.Alerts.empty());
    }
}

struct MessageCall {
    QString Text;
    QString Caption;
    std::int32_t Type;
};

TEST_F(WebPaneTest, AlertAndConfirmGoToTheHandlerAndOnlyOnToTheBoxWhenItDeclines) {
    Site.Put("/ask.html", "text/html",
             "<html><body><script>alert('hello');"
             "document.title = confirm('sure?') ? 'yes' : 'no';</script></body></html>");
    struct Case {
        const char* name;
        bool handler;
        std::int32_t result;   // the handler's return
        std::int32_t plResult; // what the handler writes into plResult, -1: untouched
        bool boxAnswer;
        bool boxesShown;
        const char* title;
    };
    const Case cases[] = {
        {"no handler: the boxes show", false, 0, -1, true, true, "yes"},
        {"handler takes them, no button", true, TWebPane::kS_OK, -1, true, false, "no"},
        {"handler takes them, OK", true, TWebPane::kS_OK, TWebPane::kIdOk, false, false, "yes"},
        {"handler declines", true, TWebPane::kS_FALSE, -1, false, true, "no"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Dialogs = {};
        Dialogs.ConfirmAnswer = c.boxAnswer;
        std::vector<MessageCall> calls;
        Pane->OnShowMessage = nullptr;
        if (c.handler)
            Pane->OnShowMessage = [&calls, &c](std::uint32_t, const QString& lpstrText,
                                               const QString& lpstrCaption, std::int32_t dwType,
                                               const QString& lpstrHelpFile,
                                               std::int32_t dwHelpContext, std::int32_t& plResult) {
                EXPECT_TRUE(lpstrHelpFile.isEmpty());
                EXPECT_EQ(dwHelpContext, 0);
                calls.push_back({lpstrText, lpstrCaption, dwType});
                if (c.plResult != -1)
                    plResult = c.plResult;
                return c.result;
            };
        Load("/ask.html?" + std::to_string(&c - cases));
        ASSERT_TRUE(WaitUntil([&] { return Pane->title() == QLatin1String(c.title); }, kPageWaitMs))
            << Pane->title().toStdString();

        if (c.handler) {
            ASSERT_EQ(calls.size(), 2u);
            EXPECT_EQ(calls[0].Text, QStringLiteral("hello"));
            EXPECT_EQ(calls[0].Type, TWebPane::kMbOk | TWebPane::kMbIconExclamation);
            EXPECT_TRUE(calls[0].Caption.contains(QString::fromStdString(Site.Url("/ask.html"))));
            EXPECT_EQ(calls[1].Text, QStringLiteral("sure?"));
            EXPECT_EQ(calls[1].Type, TWebPane::kMbOkCancel | TWebPane::kMbIconQuestion);
        }
        EXPECT_EQ(Dialogs.Alerts,
                  c.boxesShown ? QStringList{QStringLiteral("hello")} : QStringList{});
        EXPECT_EQ(Dialogs.Confirms,
                  c.boxesShown ? QStringList{QStringLiteral("sure?")} : QStringList{});
    }
}

// Logs the keys the page sees; like a page with a find box of its own, it
// keeps Ctrl+F for itself.
constexpr const char* kKeyPage = R"(<html><body>
<p>Some text on the page.</p>
<input id="box" value="copy me">
<script>
window.keys = [];
document.addEventListener('keydown', e => {
  if (['Control', 'Shift', 'Alt'].includes(e.key))
    return;
  keys.push((e.ctrlKey ? 'C-' : '') + (e.shiftKey ? 'S-' : '') + e.key.toLowerCase());
  if (e.ctrlKey && e.key.toLowerCase() === 'f')
    e.preventDefault();
}, true);
</script></body></html>
)";

TEST_F(WebPaneTest, CtrlNNeverReachesThePageTheOtherKeysReachItBeforeTheWindow) {
    Site.Put("/keys.html", "text/html", kKeyPage);
    int windowFinds = 0;
    int windowPrints = 0;
    auto* find = new QShortcut(QKeySequence(QStringLiteral("Ctrl+F")), &Window);
    QObject::connect(find, &QShortcut::activated, [&] { ++windowFinds; });
    auto* print = new QShortcut(QKeySequence(QStringLiteral("Ctrl+P")), &Window);
    QObject::connect(print, &QShortcut::activated, [&] { ++windowPrints; });
    const auto windowsBefore = QApplication::topLevelWidgets().size();
    Load("/keys.html");

    Window.activateWindow();
    Pane->setFocus();
    ASSERT_TRUE(WaitUntil(
        [&] {
            QWidget* focus = QApplication::focusWidget();
            return focus != nullptr && Pane->isAncestorOf(focus);
        },
        5000));
    // Keys sent before the page itself knows it has focus are lost.
    ASSERT_TRUE(WaitForScript(*Pane, "document.hasFocus()", 5000));
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    // Tab selects the box's text, Left and Right put the caret after its first
    // letter, Backspace removes it; Ctrl+A and Ctrl+C copy what is left.
    const Key keys[] = {
        {Qt::Key_Tab, Qt::NoModifier},    {Qt::Key_Left, Qt::NoModifier},
        {Qt::Key_Right, Qt::NoModifier},  {Qt::Key_Backspace, Qt::NoModifier},
        {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_N, Qt::ControlModifier},
        {Qt::Key_P, Qt::ControlModifier}, {Qt::Key_F, Qt::ControlModifier},
        {Qt::Key_N, Qt::ControlModifier}, {Qt::Key_A, Qt::ControlModifier},
        {Qt::Key_C, Qt::ControlModifier}, {Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier}};
    QApplication::clipboard()->clear();
    for (const Key& key : keys)
        QTest::keyClick(QApplication::focusWidget(), key.key, key.modifiers);

    const QString expected =
        QStringLiteral("tab arrowleft arrowright backspace enter C-p C-f C-a C-c C-S-n");
    EXPECT_TRUE(
        WaitUntil([&] { return Eval(*Pane, "keys.join(' ')").toString() == expected; }, 10000))
        << Eval(*Pane, "keys.join(' ')").toString().toStdString();
    EXPECT_EQ(Eval(*Pane, "document.getElementById('box').value").toString(),
              QStringLiteral("opy me"));
    EXPECT_TRUE(WaitUntil(
        [] { return QApplication::clipboard()->text() == QLatin1String("opy me"); }, 5000))
        << QApplication::clipboard()->text().toStdString();
    // The page kept Ctrl+F; Ctrl+P it left, and the engine passed it on.
    EXPECT_EQ(windowFinds, 0);
    EXPECT_EQ(windowPrints, 1);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);

    // Outside the pane the window's shortcuts work as ever.
    Edit->setFocus();
    QTest::keyClick(Edit, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(windowFinds, 1);
}

TEST_F(WebPaneTest, PaneWithTheFocusShowsIt) {
    Site.Put("/plain.html", "text/html", "<html><body><p>a page</p></body></html>");
    Load("/plain.html");
    Window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
    const QColor highlight = Pane->palette().color(QPalette::Active, QPalette::Highlight);
    // The band's left edge, half way down the pane.
    const auto edge = [this] {
        QApplication::processEvents();
        return Window.grab().toImage().pixelColor(Pane->x(), Pane->y() + Pane->height() / 2);
    };
    Pane->setFocus();
    ASSERT_TRUE(WaitUntil(
        [&] {
            QWidget* focus = QApplication::focusWidget();
            return focus != nullptr && (focus == Pane || Pane->isAncestorOf(focus));
        },
        5000));
    EXPECT_EQ(edge(), highlight);
    Edit->setFocus();
    EXPECT_NE(edge(), highlight);
}

TEST_F(WebPaneTest, ScriptCannotMoveOrResizeTheWindow) {
    Site.Put("/move.html", "text/html",
             "<html><body><script>"
             "moveTo(0, 0); moveBy(50, 60); resizeTo(200, 100); resizeBy(-50, 70);"
             "document.title = 'tried';</script></body></html>");
    Window.move(120, 90);
    QTest::qWait(50);
    const QRect before = Window.geometry();
    const QRect paneBefore = Pane->geometry();
    Load("/move.html");
    ASSERT_TRUE(WaitUntil([&] { return Pane->title() == QLatin1String("tried"); }, kPageWaitMs));
    QTest::qWait(300);
    EXPECT_EQ(Window.geometry(), before);
    EXPECT_EQ(Pane->geometry(), paneBefore);
}

TEST_F(WebPaneTest, DownloadOptionsDecideWhetherImagesAndMediaLoad) {
    Site.Put("/dot.png", "image/png", Png(3, 2));
    Site.Put("/clip.webm", "video/webm", std::string(4096, '\x1a'));
    using O = TDownloadControlOption;
    struct Case {
        const char* name;
        TDownloadControlOptions options;
        bool image;
        bool media;
    };
    const Case cases[] = {
        {"the panes' options",
         {O::DownloadImages, O::DownloadVideos, O::DownloadBGSounds},
         true,
         true},
        {"no images", {O::DownloadVideos, O::DownloadBGSounds}, false, true},
        {"sounds only", {O::DownloadImages, O::DownloadBGSounds}, true, true},
        {"no media", {O::DownloadImages}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string n = std::to_string(&c - cases);
        Site.Put("/media" + n + ".html", "text/html",
                 "<html><body><img id='pic' src='/dot.png?" + n + "'><video src='/clip.webm?" + n +
                     "' preload='auto'></video></body></html>");
        Pane->SetDownloadOptions(c.options);
        Load("/media" + n + ".html");
        if (c.image) {
            EXPECT_TRUE(WaitForScript(*Pane, "document.getElementById('pic').naturalWidth === 3"));
        }
        if (c.media) {
            EXPECT_TRUE(WaitUntil([&] { return Site.WasRequested("/clip.webm?" + n); }, 10000));
        }
        QTest::qWait(300);
        EXPECT_EQ(Site.WasRequested("/dot.png?" + n), c.image);
        EXPECT_EQ(Site.WasRequested("/clip.webm?" + n), c.media);
    }
}

TEST_F(WebPaneTest, ScrollBarsShowUnlessTheInterfaceOptionsSayNo) {
    std::string tall = "<html><body>";
    for (int i = 0; i < 200; ++i)
        tall += "<p>line</p>";
    Site.Put("/tall.html", "text/html", tall + "</body></html>");
    const QString barWidth =
        QStringLiteral("window.innerWidth - document.documentElement.clientWidth");

    ASSERT_EQ(Pane->HostUiFlags(), 0u);
    Load("/tall.html?default");
    EXPECT_GT(Eval(*Pane, barWidth).toInt(), 0);

    Pane->SetUserInterfaceOptions(TUserInterfaceOption::ScrollNo);
    EXPECT_EQ(Pane->HostUiFlags(), 0x8u);
    Load("/tall.html?scroll-no");
    EXPECT_EQ(Eval(*Pane, barWidth).toInt(), 0);
}

TEST_F(WebPaneTest, PagesAreRequestedWithTheEnginesOwnUserAgent) {
    Site.Put("/ua.html", "text/html", "<html><body>agent</body></html>");
    ASSERT_EQ(Pane->UserAgent(), QString::fromLatin1(TWebPane::kDefaultUserAgent));
    Load("/ua.html");
    const std::string head = Site.RequestHeadFor("/ua.html");
    const std::string engine = QWebEngineProfile::defaultProfile()->httpUserAgent().toStdString();
    ASSERT_FALSE(engine.empty());
    EXPECT_NE(head.find("\r\nUser-Agent: " + engine + "\r\n"), std::string::npos) << head;
    EXPECT_EQ(head.find("MSIE"), std::string::npos) << head;
}

TEST_F(WebPaneTest, RightClickShowsTheEnginesMenu) {
    Site.Put("/menu.html", "text/html", "<html><body><p>Right click here.</p></body></html>");
    Load("/menu.html");
    const auto visibleMenu = [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* menu = qobject_cast<QMenu*>(widget); menu != nullptr && menu->isVisible())
                return menu;
        return static_cast<QMenu*>(nullptr);
    };
    ASSERT_TRUE(WaitUntil([&] { return Pane->focusProxy() != nullptr; }, 5000));
    QWidget* surface = Pane->focusProxy();
    const QPoint spot(40, 40);
    // The page process may not route input yet right after the load ends on
    // a busy machine: press again until the engine answers.
    bool shown = false;
    for (int attempt = 0; attempt < 10 && !shown; ++attempt) {
        QTest::mousePress(surface, Qt::RightButton, {}, spot);
        QTest::mouseRelease(surface, Qt::RightButton, {}, spot);
        shown = WaitUntil([&] { return visibleMenu() != nullptr; }, 1000);
    }
    ASSERT_TRUE(shown);
    QMenu* menu = visibleMenu();
    EXPECT_FALSE(menu->actions().isEmpty());
    menu->close();
}

// Links to a new window, a script's window.open and downloads, one of each.
constexpr const char* kLinkPage = R"(<html><body>
<a id="blank" href="/news.html?blank" target="_blank">news</a>
<a id="rar" href="/soft/tool.rar">tool</a>
<a id="named" href="/soft/%E9%9A%90%E5%BD%A2.rar">named</a>
<a id="saved" href="/news.html?saved" download>saved</a>
<a id="file" href="file:///etc/hostname" target="_blank">file</a>
<a id="data" href="data:text/plain,hello" download="hello.txt">data</a>
</body></html>
)";

TEST_F(WebPaneTest, NewWindowsAndDownloadsGoToTheBrowserOpenerOnceAndNowhereElse) {
    Site.Put("/links.html", "text/html", kLinkPage);
    Site.Put("/news.html", "text/html", "<html><body>news</body></html>");
    Site.Put("/popup.html", "text/html", "<html><body>popup</body></html>");
    Site.Put("/soft/tool.rar", "application/octet-stream", "Rar!\x1a\x07");
    Site.Put("/soft/%E9%9A%90%E5%BD%A2.rar", "application/octet-stream", "Rar!\x1a\x07");
    QTemporaryDir downloads;
    ASSERT_TRUE(downloads.isValid());
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    const QString downloadPath = profile->downloadPath();
    profile->setDownloadPath(downloads.path());
    std::vector<QUrl> opened;
    Pane->SetBrowserOpener([&opened](const QUrl& url) { opened.push_back(url); });

    struct Case {
        const char* name;
        const char* script;
        std::string path; // what the opener is given
    };
    const Case cases[] = {
        {"target=_blank link", "document.getElementById('blank').click()", "/news.html?blank"},
        {"window.open", "window.open('/popup.html?opened'); true", "/popup.html?opened"},
        {"window.open without an address, then sent on",
         "var w = window.open(); w.location.href = '/popup.html?later'; true", "/popup.html?later"},
        {"window.open of about:blank, then sent on",
         "var w = window.open('about:blank'); w.location = '/popup.html?blank'; true",
         "/popup.html?blank"},
        {"download served as octet-stream", "document.getElementById('rar').click()",
         "/soft/tool.rar"},
        {"download with a Chinese file name", "document.getElementById('named').click()",
         "/soft/%E9%9A%90%E5%BD%A2.rar"},
        {"download attribute", "document.getElementById('saved').click()", "/news.html?saved"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        opened.clear();
        Load("/links.html");
        Eval(*Pane, QString::fromLatin1(c.script));
        ASSERT_TRUE(WaitUntil([&] { return !opened.empty(); }, kPageWaitMs));
        QTest::qWait(300);
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0], QUrl(QString::fromStdString(Site.Url(c.path))))
            << opened[0].toString().toStdString();
        // The pane stays on its page, and the program fetched no new window's page.
        EXPECT_EQ(Pane->url(), QUrl(QString::fromStdString(Site.Url("/links.html"))));
        for (QWidget* window : QApplication::topLevelWidgets())
            EXPECT_TRUE(window == &Window || !window->isVisible());
        if (std::string(c.name).find("download") == std::string::npos) {
            EXPECT_FALSE(Site.WasRequested(c.path));
        }
    }

    // What only the page or this machine can make sense of stays where it is.
    for (const char* script :
         {"document.getElementById('file').click()", "document.getElementById('data').click()",
          "window.open('javascript:1'); true"}) {
        SCOPED_TRACE(script);
        opened.clear();
        Load("/links.html");
        Eval(*Pane, QString::fromLatin1(script));
        QTest::qWait(500);
        EXPECT_TRUE(opened.empty()) << opened[0].toString().toStdString();
    }
    EXPECT_TRUE(QDir(downloads.path()).isEmpty());
    profile->setDownloadPath(downloadPath);
}

class RecordingRegistry final : public TUserRegistry {
public:
    void DeleteValue(const QString& keyPath, const QString& valueName) override {
        Deleted.push_back({keyPath, valueName});
    }
    std::vector<std::pair<QString, QString>> Deleted;
};

TEST(WebPaneSettingsTest, NewPaneCarriesThePanesSettingsAndDeletesItsAgentValueOnShutdown) {
    RecordingRegistry registry;
    {
        TWebPane pane;
        EXPECT_EQ(pane.DownloadControlFlags(), 0x70u);
        EXPECT_EQ(pane.HostUiFlags(), 0u);
        EXPECT_EQ(pane.UserAgent(),
                  QStringLiteral("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; "
                                 ".NET CLR 1.1.4322; .NET CLR 2.0.50727) "));
        EXPECT_TRUE(pane.DisableErrors().ScriptError);
        EXPECT_TRUE(pane.ShortCuts().DisableCTRL_N);
        EXPECT_FALSE(pane.ShortCuts().DisableCTRL_P || pane.ShortCuts().DisableCTRL_A ||
                     pane.ShortCuts().DisableCTRL_C || pane.ShortCuts().DisableCTRL_F);
        EXPECT_TRUE(pane.RightClickMenu());
        EXPECT_TRUE(pane.EnableDragAndDrop());
        pane.SetUserRegistry(&registry);
        EXPECT_TRUE(registry.Deleted.empty());
    }
    ASSERT_EQ(registry.Deleted.size(), 1u);
    EXPECT_EQ(
        registry.Deleted[0].first,
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User "
                       "Agent\\Post Platform"));
    EXPECT_EQ(registry.Deleted[0].second, QString::fromLatin1(TWebPane::kDefaultUserAgent));
}

} // namespace
