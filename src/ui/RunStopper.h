#pragma once

#include "IdAbortSignal.h"

#include <QObject>

#include <atomic>
#include <memory>

class QPushButton;
class QWidget;

namespace korvane {

// The stop of a run: the stop button, enabled only during a run, and Esc in
// the window, which presses it. Each run gets a stop flag and an abort signal
// of its own, so a stopped run leaves the next one untouched; raising both
// ends the crawl before its next page and gives up the fetch in flight.
//
// The focus follows the run: pressing the start button hands it to the stop
// button, which a seller at the keyboard wants next, and the run's end hands
// it back; left alone, a disabled button passes it on to the tab bar.
class TRunStopper : public QObject {
    Q_OBJECT
public:
    TRunStopper(QPushButton* button, QPushButton* startButton, QWidget* window);

    // A new run: fresh flag and signal, the button enabled. Before the start
    // button is disabled.
    void RunStarted();
    // After the start button is enabled again.
    void RunEnded();
    // Stops the current run, if any is still going (the button, Esc, the
    // window closing).
    void Stop();

    std::shared_ptr<std::atomic<bool>> Flag() const { return StopFlag; }
    std::shared_ptr<http::TIdAbortSignal> Signal() const { return Abort; }

private:
    QPushButton* Button;
    QPushButton* StartButton;
    std::shared_ptr<std::atomic<bool>> StopFlag = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<http::TIdAbortSignal> Abort = std::make_shared<http::TIdAbortSignal>();
};

} // namespace korvane
