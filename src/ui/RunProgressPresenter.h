#pragma once

#include "ThreadUnit.h"

#include <QObject>
#include <QString>

class QLabel;
class QProgressBar;

namespace korvane {

// Tells the seller where a run is: one line in the status panel per page and
// a progress bar at the panel's right end, shown only during a run; at the
// end, what the run leaves to know (a stop, a pass cut short at a bound).
class TRunProgressPresenter : public QObject {
    Q_OBJECT
public:
    static constexpr int kBarWidth = 150;
    static constexpr int kBarHeight = 15;
    static constexpr int kBarMargin = 3; // from the panel's right edge

    // The bar becomes a child of panel and follows its size.
    explicit TRunProgressPresenter(QLabel* panel);

    void RunStarted();
    void PageStarted(const TRunProgress& progress);
    void RunEnded(const TRunReport& report);

    // The panel's line while a page is read, and after a run ("" when the
    // run read both listings to their end).
    static QString ProgressText(const TRunProgress& progress);
    static QString EndText(const TRunReport& report);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceBar();

    QLabel* Panel;
    QProgressBar* Bar;
};

} // namespace korvane
