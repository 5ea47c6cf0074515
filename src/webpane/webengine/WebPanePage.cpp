#include "WebPanePage.h"

#include "WebPane.h"

namespace korvane {

TWebPanePage::TWebPanePage(TWebPane& pane, QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent), Pane(&pane) {}

void TWebPanePage::javaScriptAlert(const QUrl& securityOrigin, const QString& msg) {
    if (Pane != nullptr)
        Pane->PageAlert(securityOrigin, msg);
    else
        EngineAlert(securityOrigin, msg);
}

bool TWebPanePage::javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) {
    return Pane != nullptr ? Pane->PageConfirm(securityOrigin, msg)
                           : EngineConfirm(securityOrigin, msg);
}

void TWebPanePage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                            const QString& message, int lineNumber,
                                            const QString& sourceID) {
    if (Pane != nullptr)
        Pane->PageConsoleMessage(level, message, lineNumber, sourceID);
    else
        EngineConsoleMessage(level, message, lineNumber, sourceID);
}

} // namespace korvane
