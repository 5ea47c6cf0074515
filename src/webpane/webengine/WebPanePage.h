#pragma once

#include <QWebEnginePage>

namespace korvane {

class TWebPane;

// The engine's page inside a pane. It passes the engine's message boxes and
// console messages to the pane, and keeps the engine's own handling of them
// callable for when the pane lets the engine have its way.
class TWebPanePage final : public QWebEnginePage {
    Q_OBJECT
public:
    TWebPanePage(TWebPane& pane, QWebEngineProfile* profile, QObject* parent);

    // The pane is going: from now on the engine handles everything itself.
    void ForgetPane() { Pane = nullptr; }

    void EngineAlert(const QUrl& origin, const QString& text) {
        QWebEnginePage::javaScriptAlert(origin, text);
    }
    bool EngineConfirm(const QUrl& origin, const QString& text) {
        return QWebEnginePage::javaScriptConfirm(origin, text);
    }
    void EngineConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                              int lineNumber, const QString& sourceId) {
        QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceId);
    }

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;

private:
    TWebPane* Pane;
};

} // namespace korvane
