#include "RunStopper.h"

#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

namespace korvane {

TRunStopper::TRunStopper(QPushButton* button, QPushButton* startButton, QWidget* window)
    : QObject(window), Button(button), StartButton(startButton) {
    Button->setEnabled(false);
    // A disabled button ignores the click, so Esc outside a run does nothing.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setObjectName(QStringLiteral("StopShortcut"));
    connect(escape, &QShortcut::activated, Button, &QPushButton::click);
}

void TRunStopper::RunStarted() {
    StopFlag = std::make_shared<std::atomic<bool>>(false);
    Abort = std::make_shared<http::TIdAbortSignal>();
    Button->setEnabled(true);
    if (StartButton->hasFocus())
        Button->setFocus(Qt::TabFocusReason);
}

void TRunStopper::RunEnded() {
    const bool hadFocus = Button->hasFocus();
    Button->setEnabled(false);
    if (hadFocus)
        StartButton->setFocus(Qt::TabFocusReason);
}

void TRunStopper::Stop() {
    StopFlag->store(true, std::memory_order_release);
    Abort->Raise();
}

} // namespace korvane
