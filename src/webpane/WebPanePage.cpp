#include "WebPanePage.h"

#include "WebPane.h"

namespace korvane {

TWebPanePage::TWebPanePage(TWebPane& pane, QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), Pane(pane) {}

void TWebPanePage::javaScriptAlert(const QUrl& securityOrigin, const QString& msg) {
    Pane.PageAlert(securityOrigin, msg);
}

bool TWebPanePage::javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) {
    return Pane.PageConfirm(securityOrigin, msg);
}

void TWebPanePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                            const QString& message, int lineNumber,
                                            const QString& sourceID) {
    Pane.PageConsoleMessage(level, message, lineNumber, sourceID);
}

} // namespace korvane
