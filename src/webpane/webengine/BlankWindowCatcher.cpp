#include "BlankWindowCatcher.h"

namespace korvane {

TBlankWindowCatcher::TBlankWindowCatcher(QWebEngineProfile* profile,
                                         std::function<void(const QUrl&)> sendOn, QObject* parent)
    : QWebEnginePage(profile, parent), SendOn(std::move(sendOn)) {
    connect(this, &QWebEnginePage::windowCloseRequested, this, &QObject::deleteLater);
}

bool TBlankWindowCatcher::acceptNavigationRequest(const QUrl& url, NavigationType,
                                                  bool isMainFrame) {
    if (!isMainFrame || url.isEmpty() || url.scheme() == QLatin1String("about"))
        return true;
    if (SendOn) {
        SendOn(url);
        SendOn = nullptr; // once, whatever else the script still does
    }
    deleteLater();
    return false;
}

} // namespace korvane
