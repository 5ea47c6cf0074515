#include "BrowserHandoff.h"

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
    // Left unopened, the request gets no window of the program's.
    Open(request.requestedUrl());
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
