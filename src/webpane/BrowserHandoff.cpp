#include "BrowserHandoff.h"

#include "BlankWindowCatcher.h"

#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace korvane {

TBrowserHandoff::TBrowserHandoff(QWebEnginePage& page) : QObject(&page), Page(page) {
    connect(&page, &QWebEnginePage::newWindowRequested, this, &TBrowserHandoff::NewWindowRequested);
    // Downloads are announced by the profile, which the panes share.
    connect(page.profile(), &QWebEngineProfile::downloadRequested, this,
            &TBrowserHandoff::DownloadRequested);
}

void TBrowserHandoff::NewWindowRequested(QWebEngineNewWindowRequest& request) {
    const QUrl url = request.requestedUrl();
    if (url.isEmpty() || url.scheme() == QLatin1String("about")) {
        // The script names the address only once the window is there.
        if (Opener)
            request.openIn(new TBlankWindowCatcher(
                Page.profile(), [this](const QUrl& later) { Open(later); }, this));
        return;
    }
    // Left unopened, the request gets no window of the program's.
    Open(url);
}

void TBrowserHandoff::DownloadRequested(QWebEngineDownloadRequest* download) {
    if (download->page() != &Page)
        return;
    // Saving a shown page is asked of the program, not of a link: there is
    // nothing for the browser to fetch.
    if (!download->isSavePageDownload())
        Open(download->url());
    download->cancel();
}

void TBrowserHandoff::Open(const QUrl& url) {
    if (Opener && url.isValid() && !url.isEmpty())
        Opener(url);
}

} // namespace korvane
