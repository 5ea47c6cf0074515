#pragma once

#include "BrowserHandoff.h"
#include "WebPaneOptions.h"

#include <QHash>
#include <QImage>
#include <QSet>
#include <QTextBrowser>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace korvane {

namespace http {
class TIdAbortSignal;
}

class TPageDialogs;
class TUserRegistry;
class TWebPane;

// The same event types as the web engine's pane. This pane runs no scripts,
// so neither is ever raised; the window sets them all the same.
using TScriptErrorEvent =
    std::function<void(TWebPane* Sender, const QString& ErrorLine, const QString& ErrorCharacter,
                       const QString& ErrorCode, const QString& ErrorMessage,
                       const QString& ErrorUrl, bool& ContinueScript, bool& Showdialog)>;
using TShowMessageEvent = std::function<std::int32_t(
    std::uint32_t HWND, const QString& lpstrText, const QString& lpstrCaption, std::int32_t dwType,
    const QString& lpstrHelpFile, std::int32_t dwHelpContext, std::int32_t& plResult)>;

// One page of the publisher's site for a build without a web engine (MinGW
// cannot build Chromium): the page is fetched through the program's own HTTP
// client and shown as rich text -- its text, its images and its links, which
// open in the user's browser. No scripts, no styles beyond what rich text
// knows. The same interface as the web engine's pane, so the window cannot
// tell them apart.
class TWebPane : public QTextBrowser {
    Q_OBJECT
public:
    static constexpr std::int32_t kS_OK = 0;
    static constexpr std::int32_t kS_FALSE = 1;
    static constexpr std::int32_t kMbOk = 0x0;
    static constexpr std::int32_t kMbOkCancel = 0x1;
    static constexpr std::int32_t kMbIconQuestion = 0x20;
    static constexpr std::int32_t kMbIconExclamation = 0x30;
    static constexpr std::int32_t kIdOk = 1;

    static constexpr const char* kPostPlatformKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post "
        "Platform";
    static constexpr const char* kDefaultUserAgent =
        "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; .NET CLR 1.1.4322; .NET CLR "
        "2.0.50727) ";

    struct TDisableErrors {
        bool ScriptError = true;
    };
    struct TShortCuts {
        bool DisableCTRL_N = true;
        bool DisableCTRL_P = false;
        bool DisableCTRL_A = false;
        bool DisableCTRL_C = false;
        bool DisableCTRL_F = false;
    };

    explicit TWebPane(QWidget* parent = nullptr);
    // Gives up the fetches in progress and waits for their threads.
    ~TWebPane() override;

    // Fetches url and shows it when it arrives. An empty address fetches nothing.
    void Navigate(const QString& url);

    TDownloadControlOptions DownloadOptions() const { return Download; }
    // Only DownloadImages has a meaning here: without it, no image is fetched.
    void SetDownloadOptions(TDownloadControlOptions options) { Download = options; }
    std::uint32_t DownloadControlFlags() const { return Download.toInt(); }

    TUserInterfaceOptions UserInterfaceOptions() const { return Interface; }
    void SetUserInterfaceOptions(TUserInterfaceOptions options);
    std::uint32_t HostUiFlags() const { return Interface.toInt(); }

    // Kept as text only, as in the web engine's pane.
    const QString& UserAgent() const { return UserAgentText; }
    void SetUserAgent(const QString& text) { UserAgentText = text; }

    const TDisableErrors& DisableErrors() const { return Errors; }
    void SetDisableErrors(const TDisableErrors& errors) { Errors = errors; }
    const TShortCuts& ShortCuts() const { return Keys; }
    void SetShortCuts(const TShortCuts& keys) { Keys = keys; }

    bool RightClickMenu() const { return Menu; }
    void SetRightClickMenu(bool allowed);
    bool EnableDragAndDrop() const { return acceptDrops(); }
    void SetEnableDragAndDrop(bool enabled) { setAcceptDrops(enabled); }

    // No page here raises a box; kept so the window sets the panes alike.
    void SetPageDialogs(TPageDialogs* dialogs) { Dialogs = dialogs; }
    // Where a clicked link goes: the user's browser. Unset: a click opens nothing.
    void SetBrowserOpener(TBrowserOpener opener) { Opener = std::move(opener); }
    void SetUserRegistry(TUserRegistry* registry) { Registry = registry; }

    // The address of the page shown or being fetched.
    const QUrl& PageUrl() const { return Address; }

    TScriptErrorEvent OnScriptError;
    TShowMessageEvent OnShowMessage;

signals:
    // The page (or the error page in its place) is shown; its images may
    // still be on their way.
    void PageShown(bool ok);
    // Every image the shown page asked for has arrived or failed.
    void ImagesSettled();

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct TFetched {
        bool Ok = false;
        std::string Body;
        std::string ContentType;
        QString Error;
    };
    // Fetches every address on a thread of its own, then hands the results
    // to done on the window's thread; a newer navigation makes them stale.
    void Fetch(std::vector<QUrl> urls, std::function<void(std::vector<TFetched>& results)> done);
    void ShowPage(const QUrl& url, TFetched& page);
    void FetchMissingImages();
    void OpenLink(const QUrl& url);
    bool IsDisabledShortCut(const QKeyEvent& key) const;

    TDownloadControlOptions Download{TDownloadControlOption::DownloadImages,
                                     TDownloadControlOption::DownloadVideos,
                                     TDownloadControlOption::DownloadBGSounds};
    TUserInterfaceOptions Interface;
    QString UserAgentText{QString::fromLatin1(kDefaultUserAgent)};
    TDisableErrors Errors;
    TShortCuts Keys;
    bool Menu = true;
    TPageDialogs* Dialogs = nullptr;
    TUserRegistry* Registry = nullptr;
    TBrowserOpener Opener;

    QUrl Address;
    // Counts navigations; a fetch started for an earlier one is dropped.
    std::uint64_t Generation = 0;
    // Images the shown page asked for, fetched or on their way.
    QHash<QUrl, QImage> Images;
    QSet<QUrl> ImagesWanted;
    std::shared_ptr<http::TIdAbortSignal> Abort;
    std::vector<std::thread> Workers;
};

} // namespace korvane
