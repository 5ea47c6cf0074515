#pragma once

#include <QUrl>
#include <QWebEnginePage>

#include <functional>

namespace korvane {

// The window a page's script opens without an address (window.open() or
// "about:blank") before sending it somewhere. It is never shown: the first
// address the script sends it to goes to sendOn instead of being loaded, and
// the catcher is gone. It also goes when the script closes it, and with its
// parent.
class TBlankWindowCatcher final : public QWebEnginePage {
    Q_OBJECT
public:
    TBlankWindowCatcher(QWebEngineProfile* profile, std::function<void(const QUrl&)> sendOn,
                        QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    std::function<void(const QUrl&)> SendOn;
};

} // namespace korvane
