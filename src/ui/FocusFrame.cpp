#include "FocusFrame.h"

#include <QEvent>
#include <QPainter>

namespace korvane {

TFocusFrame::TFocusFrame(QWidget* control) : QWidget(control->parentWidget()), Control(control) {
    setObjectName(control->objectName() + QStringLiteral("Focus"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    control->installEventFilter(this);
    // Named after its control, which is often named after it is made.
    connect(control, &QObject::objectNameChanged, this,
            [this](const QString& name) { setObjectName(name + QStringLiteral("Focus")); });
    Follow();
}

bool TFocusFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Control) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
            Follow();
            break;
        default:
            break;
        }
    }
    return false;
}

void TFocusFrame::Follow() {
    if (Control == nullptr) {
        hide();
        return;
    }
    setGeometry(Control->geometry().adjusted(-kWidth, -kWidth, kWidth, kWidth));
    const bool shown = Control->isVisible() && Control->hasFocus();
    if (shown)
        raise();
    setVisible(shown);
}

void TFocusFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QBrush band = palette().brush(QPalette::Active, QPalette::Highlight);
    const QRect r = rect();
    painter.fillRect(QRect(r.left(), r.top(), r.width(), kWidth), band);
    painter.fillRect(QRect(r.left(), r.bottom() - kWidth + 1, r.width(), kWidth), band);
    painter.fillRect(QRect(r.left(), r.top(), kWidth, r.height()), band);
    painter.fillRect(QRect(r.right() - kWidth + 1, r.top(), kWidth, r.height()), band);
}

} // namespace korvane
