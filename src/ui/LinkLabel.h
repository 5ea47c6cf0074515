#pragma once

#include "DesktopServices.h"

#include <QLabel>

namespace korvane {

// A label that reads as a web link: underlined, a hand cursor, highlighted
// under the mouse; a click opens its URL in the browser. No URL, no action.
// As a link in a browser, it is a stop of the Tab key, shows a dotted frame
// while it has the focus, and Enter or Space opens it as a click does.
class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    TLinkLabel(const QString& text, QString url, TDesktopServices& desktop, QWidget* parent);

    const QString& Url() const { return LinkUrl; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void SetHighlighted(bool on);
    void Open();

    QString LinkUrl;
    TDesktopServices& Desktop;
};

} // namespace korvane
