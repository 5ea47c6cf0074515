#include "LinkLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace korvane {

TLinkLabel::TLinkLabel(const QString& text, QString url, TDesktopServices& desktop, QWidget* parent)
    : QLabel(text, parent), LinkUrl(std::move(url)), Desktop(desktop) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    SetHighlighted(false);
}

void TLinkLabel::Open() {
    if (!LinkUrl.isEmpty())
        Desktop.OpenInBrowser(window(), LinkUrl, TDesktopServices::TShowMode::Normal);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Open();
}

void TLinkLabel::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (plain) {
            // A key held down opens the page once, not once per repeat.
            if (!event->isAutoRepeat())
                Open();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void TLinkLabel::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    update();
}

void TLinkLabel::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    update();
}

void TLinkLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
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
