#pragma once

#include "BrowserHandoff.h"
#include "WebPaneOptions.h"
#include "WebPanePage.h"
#include "WebPaneSettings.h"

#include <QWebEngineView>

#include <cstdint>
#include <functional>

namespace korvane {

class TMediaRequestFilter;
class TPageDialogs;
class TUserRegistry;

// One embedded page of the publisher's site: a Qt WebEngine view with the
// panes' fixed configuration. The engine starts only when the pane is first
// navigated or shown, so a window whose panes stay empty never starts it.
class TWebPane : public QWebEngineView, public TWebPaneSettings {
    Q_OBJECT
public:
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

    TDownloadControlOptions Download{TDownloadControlOption::DownloadImages,
                                     TDownloadControlOption::DownloadVideos,
                                     TDownloadControlOption::DownloadBGSounds};
    TUserInterfaceOptions Interface;
    bool Menu = true;
    TPageDialogs* Dialogs = nullptr;
    TUserRegistry* Registry = nullptr;
    TBrowserOpener Opener;

    TWebPanePage* Page = nullptr;
    TMediaRequestFilter* MediaFilter = nullptr;
    TBrowserHandoff* Handoff = nullptr;
};

} // namespace korvane
