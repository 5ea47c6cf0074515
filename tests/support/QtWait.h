#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

namespace korvane::test {

// Runs the event loop until done() holds or limitMs pass; true when it held.
// Wakes on every event (a worker's call posted to the window included)
// rather than polling on a timer, so runs are not slowed by the wait.
template <typename Done> bool WaitUntil(Done done, int limitMs) {
    QDeadlineTimer deadline(limitMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(
            QEventLoop::WaitForMoreEvents,
            static_cast<int>(std::min<qint64>(deadline.remainingTime(), 50)));
    }
    return true;
}

} // namespace korvane::test
