#include "PaneFocusBand.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace korvane {

TPaneFocusBand::TPaneFocusBand(QWidget* pane) : QWidget(pane), Pane(pane) {
    setObjectName(pane->objectName() + QStringLiteral("Focus"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    Pane->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this] { Follow(); });
}

bool TPaneFocusBand::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Pane) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::ChildAdded: // the engine's widget, which must stay below
            Follow();
            break;
        default:
            break;
        }
    }
    return false;
}

void TPaneFocusBand::Follow() {
    const QWidget* focus = QApplication::focusWidget();
    const bool focused = focus != nullptr && (focus == Pane || Pane->isAncestorOf(focus));
    if (!focused) {
        hide();
        return;
    }
    // The part of the pane inside its parent, in the pane's coordinates.
    const QWidget* parent = Pane->parentWidget();
    setGeometry(parent == nullptr
                    ? Pane->rect()
                    : QRect(Pane->mapFromParent(QPoint(0, 0)), parent->size()) & Pane->rect());
    show();
    raise();
    update();
}

void TPaneFocusBand::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), kWidth,
                        Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(kWidth / 2, kWidth / 2, -kWidth / 2, -kWidth / 2));
}

} // namespace korvane
