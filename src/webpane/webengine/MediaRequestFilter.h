#pragma once

#include <QWebEngineUrlRequestInterceptor>

namespace korvane {

// Keeps a page's audio and video from loading when its pane's download
// options allow neither; the engine has no setting of its own for that.
class TMediaRequestFilter final : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void SetMediaAllowed(bool allowed) { MediaAllowed = allowed; }
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    bool MediaAllowed = true;
};

} // namespace korvane
