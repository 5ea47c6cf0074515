#pragma once

#include "RankAnalysis.h"
#include "RunReport.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QLabel;
class QProgressBar;

namespace korvane {

// Tells the seller where a run is: one line in the status panel per page and
// a progress bar at the panel's right end, shown only during a run; a page
// that could not be read as it happens; at the end, how the run ended (the
// verdict of a run read whole, or a stop, pages that failed, a marketplace
// that turned the reader away, a pass cut short at a bound, a nick with no
// items).
//
// Every ending leads with what it means in one sentence that fits the panel
// at the window's usual size; the whole text is the panel's tooltip, and the
// panel copies it whole (TStatusPanel).
//
// The page line and the bar change at most once per kShowInterval, showing
// the latest page: a repaint of the status bar per page cost more than
// fetching the page over a fast network.
class TRunProgressPresenter : public QObject {
    Q_OBJECT
public:
    static constexpr int kBarWidth = 150;
    static constexpr int kBarHeight = 15;
    static constexpr int kBarMargin = 3;     // from the panel's right edge
    static constexpr int kShowInterval = 40; // milliseconds

    // The bar becomes a child of panel and follows its size.
    explicit TRunProgressPresenter(QLabel* panel);

    void RunStarted();
    void PageStarted(const TRunProgress& progress);
    void PageFailed(TPass pass, const TFetchFailure& failure, bool passGoesOn);
    void RunEnded(const TRunReport& report, const TAnalysisSummary& summary = {});

    // The panel's line while a page is read, and after a run: every ending
    // says how it ended, and only both listings read whole give the verdict.
    static QString ProgressText(const TRunProgress& progress);
    static QString FailedPageText(TPass pass, const TFetchFailure& failure, bool passGoesOn);
    static QString EndText(const TRunReport& report, const TAnalysisSummary& summary = {});
    // An ending's first sentence, without its full stop: what the run's
    // result means, which the chart's title repeats.
    static QString LeadOf(const QString& text);
    // Why a fetch failed, in the seller's words.
    static QString ReasonText(const TFetchFailure& failure);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceBar();
    void ShowLatest();

    QLabel* Panel;
    QProgressBar* Bar;
    TRunProgress Latest; // the page to show next, while ShowTimer runs
    QTimer ShowTimer;
    QElapsedTimer SinceShown;
    // Pages of the current pass that failed so far, and the last of them.
    TPass FailurePass = TPass::Sales;
    int FailedPages = 0;
    TFetchFailure LastFailure;
};

} // namespace korvane
