#pragma once

#include "BrowserHandoff.h"
#include "WebPaneOptions.h"
#include "WebPanePage.h"

#include <QWebEngineView>

#include <cstdint>
#include <functional>

namespace korvane {

class TMediaRequestFilter;
class TPageDialogs;
class TUserRegistry;
class TWebPane;

// A script error on the page, with the engine's texts. Showdialog false keeps
// the engine from handling the error itself; ContinueScript is asked for but
// the engine has gone on with the page's other scripts by then.
using TScriptErrorEvent =
    std::function<void(TWebPane* Sender, const QString& ErrorLine, const QString& ErrorCharacter,
                       const QString& ErrorCode, const QString& ErrorMessage,
                       const QString& ErrorUrl, bool& ContinueScript, bool& Showdialog)>;

// The engine wants to show a message box. Returning kS_OK means the host took
// care of it; anything else passes the box on: to the pane's page dialogs
// when set, else to the engine. plResult is the
// button pressed (kIdOk for OK).
using TShowMessageEvent = std::function<std::int32_t(
    std::uint32_t HWND, const QString& lpstrText, const QString& lpstrCaption, std::int32_t dwType,
    const QString& lpstrHelpFile, std::int32_t dwHelpContext, std::int32_t& plResult)>;

// One embedded page of the publisher's site: a Qt WebEngine view with the
// panes' fixed configuration. The engine starts only when the pane is first
// navigated or shown, so a window whose panes stay empty never starts it.
class TWebPane : public QWebEngineView {
    Q_OBJECT
public:
    // Result codes and message-box values of TShowMessageEvent.
    static constexpr std::int32_t kS_OK = 0;
    static constexpr std::int32_t kS_FALSE = 1;
    static constexpr std::int32_t kMbOk = 0x0;
    static constexpr std::int32_t kMbOkCancel = 0x1;
    static constexpr std::int32_t kMbIconQuestion = 0x20;
    static constexpr std::int32_t kMbIconExclamation = 0x30;
    static constexpr std::int32_t kIdOk = 1;

    // The per-user key whose value named by the user agent text a pane deletes
    // on shutdown.
    static constexpr const char* kPostPlatformKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post "
        "Platform";
    static constexpr const char* kDefaultUserAgent =
        "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; .NET CLR 1.1.4322; .NET CLR "
        "2.0.50727) ";

    struct TDisableErrors {
        // Meant for closing the engine's error dialogs; the engine opens none.
        bool ScriptError = true;
    };
    // Ctrl+key combinations that never reach the engine.
    struct TShortCuts {
        bool DisableCTRL_N = true;
        bool DisableCTRL_P = false;
        bool DisableCTRL_A = false;
        bool DisableCTRL_C = false;
        bool DisableCTRL_F = false;
    };

    explicit TWebPane(QWidget* parent = nullptr);
    ~TWebPane() override;

    // Loads url. An empty address loads nothing and leaves the engine idle.
    void Navigate(const QString& url);

    TDownloadControlOptions DownloadOptions() const { return Download; }
    void SetDownloadOptions(TDownloadControlOptions options);
    // The sum of the download-control flags (0x70 for the panes).
    std::uint32_t DownloadControlFlags() const { return Download.toInt(); }

    TUserInterfaceOptions UserInterfaceOptions() const { return Interface; }
    void SetUserInterfaceOptions(TUserInterfaceOptions options);
    std::uint32_t HostUiFlags() const { return Interface.toInt(); }

    // Kept as text only: the engine identifies itself with its own user agent.
    const QString& UserAgent() const { return UserAgentText; }
    void SetUserAgent(const QString& text) { UserAgentText = text; }

    const TDisableErrors& DisableErrors() const { return Errors; }
    void SetDisableErrors(const TDisableErrors& errors) { Errors = errors; }
    const TShortCuts& ShortCuts() const { return Keys; }
    void SetShortCuts(const TShortCuts& keys) { Keys = keys; }

    // True: the engine shows its own context menus.
    bool RightClickMenu() const { return Menu; }
    void SetRightClickMenu(bool allowed);
    bool EnableDragAndDrop() const { return acceptDrops(); }
    void SetEnableDragAndDrop(bool enabled) { setAcceptDrops(enabled); }

    // Who shows the boxes the pane lets through; null: the engine's own.
    void SetPageDialogs(TPageDialogs* dialogs) { Dialogs = dialogs; }
    // Where links that open a new window, and downloads, are sent: the user's
    // browser. Unset: they open nothing.
    void SetBrowserOpener(TBrowserOpener opener);
    // Where the shutdown deletion goes; null: this platform's (which has none).
    void SetUserRegistry(TUserRegistry* registry) { Registry = registry; }

    // The page, started on first use.
    TWebPanePage* EnginePage();

    TScriptErrorEvent OnScriptError;
    TShowMessageEvent OnShowMessage;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TWebPanePage;
    void PageAlert(const QUrl& origin, const QString& text);
    bool PageConfirm(const QUrl& origin, const QString& text);
    void PageConsoleMessage(QWebEnginePage::JavaScriptConsoleMessageLevel level,
                            const QString& message, int lineNumber, const QString& sourceId);
    std::int32_t ShowMessage(const QString& text, const QString& caption, std::int32_t type,
                             std::int32_t& result);
    void ApplyDownloadOptions();
    void ApplyUserInterfaceOptions();
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

    TWebPanePage* Page = nullptr;
    TMediaRequestFilter* MediaFilter = nullptr;
    TBrowserHandoff* Handoff = nullptr;
};

} // namespace korvane
