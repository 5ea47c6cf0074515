#pragma once

#include "DesktopServices.h"

#include <QLabel>

namespace korvane {

// A label that reads as a web link: underlined, a hand cursor, highlighted
// under the mouse; a click opens its URL in the browser. No URL, no action.
class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    TLinkLabel(const QString& text, QString url, TDesktopServices& desktop, QWidget* parent);

    const QString& Url() const { return LinkUrl; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void SetHighlighted(bool on);

    QString LinkUrl;
    TDesktopServices& Desktop;
};

} // namespace korvane
