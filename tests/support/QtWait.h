#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace korvane::test {

// How often a wait looks at its condition when no event comes: conditions
// set by another thread without posting anything are seen this late at most.
inline constexpr int kWaitTickMs = 2;

// Runs the event loop until done() holds or limitMs pass; true when it held.
// Sleeps between events (a worker's call posted to the window wakes it), so
// a wait takes no processor time from the run it waits for: processEvents
// with a time limit would return at once and spin.
template <typename Done> bool WaitUntil(Done done, int limitMs) {
    QDeadlineTimer deadline(limitMs);
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.start(kWaitTickMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace korvane::test
