#include "KeyboardConventions.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QTabWidget>
#include <QWidget>

namespace korvane {

namespace {

constexpr Qt::KeyboardModifiers kChordModifiers =
    Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier;

// +1 for the next tab, -1 for the previous one, 0 for any other key.
int TabStep(const QKeyEvent& key) {
    const Qt::KeyboardModifiers chord = key.modifiers() & kChordModifiers;
    switch (key.key()) {
    case Qt::Key_Tab:
        if (chord == Qt::ControlModifier)
            return 1;
        // Some platforms send Shift+Tab as Tab with Shift, others as Backtab.
        return chord == (Qt::ControlModifier | Qt::ShiftModifier) ? -1 : 0;
    case Qt::Key_Backtab:
        return chord == (Qt::ControlModifier | Qt::ShiftModifier) || chord == Qt::ControlModifier
                   ? -1
                   : 0;
    case Qt::Key_PageDown:
        return chord == Qt::ControlModifier ? 1 : 0;
    case Qt::Key_PageUp:
        return chord == Qt::ControlModifier ? -1 : 0;
    default:
        return 0;
    }
}

bool IsMenuKey(const QKeyEvent& key) {
    return key.key() == Qt::Key_F10 && (key.modifiers() & kChordModifiers) == Qt::ShiftModifier;
}

} // namespace

TKeyboardConventions::TKeyboardConventions(QWidget* window, QTabWidget* tabs)
    : QObject(window), Window(window), Tabs(tabs) {
    // Tables and web pages take these keys for themselves before the window
    // sees them: only the application sees every key first.
    qApp->installEventFilter(this);
}

TKeyboardConventions::~TKeyboardConventions() {
    qApp->removeEventFilter(this);
}

bool TKeyboardConventions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (target == nullptr || target->window() != Window)
        return false;
    auto& key = static_cast<QKeyEvent&>(*event);
    const int step = TabStep(key);
    if (step == 0 && !IsMenuKey(key))
        return false;
    if (step != 0)
        StepTab(step);
    else
        OpenContextMenu();
    key.accept();
    return true;
}

void TKeyboardConventions::StepTab(int step) {
    const int count = Tabs->count();
    for (int i = 1; i < count; ++i) {
        const int index = ((Tabs->currentIndex() + step * i) % count + count) % count;
        if (Tabs->isTabEnabled(index)) {
            Tabs->setCurrentIndex(index);
            return;
        }
    }
}

// What the toolkit does with the Menu key: a keyboard context menu event for
// the focused control, at its cursor.
void TKeyboardConventions::OpenContextMenu() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || focus->window() != Window)
        focus = Window;
    if (!focus->isEnabled())
        return;
    const QPoint pos = focus->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, pos, focus->mapToGlobal(pos),
                           QGuiApplication::keyboardModifiers());
    QApplication::sendEvent(focus, &menu);
}

} // namespace korvane
