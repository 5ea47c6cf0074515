#pragma once

#include "BrowserHandoff.h"
#include "WebPaneOptions.h"
#include "WebPaneSettings.h"

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

// One page of the publisher's site for a build without a web engine (MinGW
// cannot build Chromium): the page is fetched through the program's own HTTP
// client and shown as rich text -- its text, its images and its links, which
// open in the user's browser. No scripts, no styles beyond what rich text
// knows. The same interface as the web engine's pane, so the window cannot
// tell them apart.
class TWebPane : public QTextBrowser, public TWebPaneSettings {
    Q_OBJECT
public:
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

    // The width of the frame a pane with the focus shows.
    static constexpr int kFocusWidth = 2;

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
    // A pane with the focus shows it: a frame round its visible part.
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

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

    TDownloadControlOptions Download{TDownloadControlOption::DownloadImages,
                                     TDownloadControlOption::DownloadVideos,
                                     TDownloadControlOption::DownloadBGSounds};
    TUserInterfaceOptions Interface;
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
