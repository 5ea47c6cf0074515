#pragma once

#include "BrowserOpener.h"

#include <QObject>

class QWebEngineDownloadRequest;
class QWebEngineNewWindowRequest;
class QWebEnginePage;

namespace korvane {

// Hands what a page would open beside itself to the user's browser: links
// and scripts that open a new window, and downloads. The program shows no
// second window and saves nothing itself; without an opener both are dropped.
class TBrowserHandoff final : public QObject {
    Q_OBJECT
public:
    // Lives as long as page, as its child.
    explicit TBrowserHandoff(QWebEnginePage& page);

    void SetOpener(TBrowserOpener opener) { Opener = std::move(opener); }

private:
    void NewWindowRequested(QWebEngineNewWindowRequest& request);
    void DownloadRequested(QWebEngineDownloadRequest* download);
    void Open(const QUrl& url);

    QWebEnginePage& Page;
    TBrowserOpener Opener;
};

} // namespace korvane
