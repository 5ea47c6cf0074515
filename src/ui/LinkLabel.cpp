#include "LinkLabel.h"

#include <QMouseEvent>

namespace korvane {

TLinkLabel::TLinkLabel(const QString& text, QString url, TDesktopServices& desktop, QWidget* parent)
    : QLabel(text, parent), LinkUrl(std::move(url)), Desktop(desktop) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    SetHighlighted(false);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        !LinkUrl.isEmpty())
        Desktop.OpenInBrowser(window(), LinkUrl, TDesktopServices::TShowMode::Normal);
}

void TLinkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetHighlighted(true);
}

void TLinkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetHighlighted(false);
}

void TLinkLabel::SetHighlighted(bool on) {
    setStyleSheet(on ? QStringLiteral("color: #e4393c;") : QStringLiteral("color: #0645ad;"));
}

} // namespace korvane
