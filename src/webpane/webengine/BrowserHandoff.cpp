#include "BrowserHandoff.h"

#include "BlankWindowCatcher.h"

#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace korvane {

namespace {

// What a page may have the desktop open. Not local files, not other programs'
// schemes, not addresses (data:, blob:, javascript:) that mean something only
// inside the page.
constexpr QLatin1StringView kBrowserSchemes[] = {
    QLatin1StringView("http"), QLatin1StringView("https"), QLatin1StringView("ftp"),
    QLatin1StringView("mailto")};

bool IsForTheBrowser(const QUrl& url) {
    if (!url.isValid())
        return false;
    for (const QLatin1StringView scheme : kBrowserSchemes)
        if (url.scheme() == scheme)
            return true;
    return false;
}

} // namespace

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
    if (Opener && IsForTheBrowser(url))
        Opener(url);
}

} // namespace korvane
