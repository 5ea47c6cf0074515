#include "StatusPanel.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

namespace korvane {

TStatusPanel::TStatusPanel(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

QRect TStatusPanel::TextRect() const {
    // A little room inside the frame, where the focus rectangle goes.
    return contentsRect().adjusted(2, 0, -2, 0);
}

QString TStatusPanel::ShownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, TextRect().width());
}

void TStatusPanel::CopyText() const {
    QGuiApplication::clipboard()->setText(text());
}

void TStatusPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = TextRect();
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ShownText());
    if (!hasFocus())
        return;
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    painter.drawRect(contentsRect().adjusted(0, 0, -1, -1));
}

void TStatusPanel::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopyText();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}

void TStatusPanel::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("StatusMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copy =
        menu->addAction(QString::fromUtf8("复制\tCtrl+C"), this, [this] { CopyText(); });
    copy->setObjectName(QStringLiteral("actCopyStatus"));
    copy->setEnabled(!text().isEmpty());
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard
                          ? mapToGlobal(TextRect().topLeft())
                          : event->globalPos();
    menu->popup(at);
    event->accept();
}

void TStatusPanel::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    update();
}

void TStatusPanel::focusOutEvent(QFocusEvent* event) {
    QLabel::focusOutEvent(event);
    update();
}

} // namespace korvane
