#pragma once

#include "BrowserOpener.h"
#include "TextPaneLimits.h"
#include "WebPaneOptions.h"
#include "WebPaneSettings.h"

#include <QHash>
#include <QImage>
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
//
// The page comes over plain HTTP, so anyone on the way can write it: the
// pane shows it and does nothing else. It fetches http addresses only, and
// only through the client, within TTextPaneLimits; every other source a page
// can name (a file, a network share, the program's resources, a large data:
// address) is an empty place, never read. Only http and https links reach
// the browser.
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

    // Bounds for the pages navigated to from now on (tests make them small).
    void SetLimits(const TTextPaneLimits& limits) { Limits = limits; }

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
    // Starts work on a thread of its own; it ends at once when the pane goes.
    void StartWorker(std::function<void()> work);
    // Hands action to the window's thread, where it runs unless a newer
    // navigation has made it stale (or the pane is gone).
    void Deliver(std::uint64_t generation, std::function<void()> action);
    void ShowPage(const QUrl& url, TFetched& page);
    void FetchImages();
    void HoldImage(const QUrl& url, const QImage& image);
    // The image held for name as the page writes it.
    QImage HeldImage(const QString& name) const;
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
    TTextPaneLimits Limits;
    // The shown page's images that have arrived; nothing else is ever shown.
    QHash<QUrl, QImage> Images;
    std::shared_ptr<http::TIdAbortSignal> Abort;
    std::vector<std::thread> Workers;
};

} // namespace korvane
