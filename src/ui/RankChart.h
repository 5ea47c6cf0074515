#pragma once

#include "StringGrid.h"

#include <QChartView>

#include <functional>
#include <string>

class QLabel;
class QScatterSeries;
class QValueAxis;

namespace korvane {

// The ranking table as a picture: one point per ranked item at (earned rank,
// actual rank), rank 1 in the top left corner, the diagonal where the two
// agree, items pushed down among the top sellers in red. Everything it shows
// is read from the two result tables when it is drawn or pointed at; it keeps
// only the points it draws.
class TRankChart final : public QChartView {
    Q_OBJECT
public:
    static constexpr qreal kMarkerSize = 9;
    // How far from a point's centre, in pixels, the mouse still picks it.
    static constexpr qreal kPickRadius = 6;
    // Axis labels at most this many steps apart from end to end.
    static constexpr int kMaxAxisSteps = 10;
    // Points keep clear of the frame by half a rank.
    static constexpr qreal kAxisPad = 0.5;

    using TOpenItem = std::function<void(const std::string& id)>;

    TRankChart(const TStringGrid& ranking, const TStringGrid& demoted, QWidget* parent);

    // After a run: the ranked rows of the ranking table, the demoted rows of
    // the other, and the nick the run read. Drawn when next on screen: the
    // points of a large shop take a long while, which a run should not wait
    // for while the chart is hidden.
    void Draw(const QString& nick);
    // While a run refills the tables: nothing at all.
    void Clear();
    // What a double click on a point does with the item's id.
    void SetOpenItem(TOpenItem open) { OpenItem = std::move(open); }

    // The ranking table's row whose point lies under a viewport position; 0
    // for none.
    int RowAt(const QPoint& position) const;
    // Where a ranked item's point lies in the viewport.
    QPoint PointPosition(int salesRank, int rank) const;

protected:
    bool viewportEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void DrawNow();
    void RemoveAll();
    QValueAxis* MakeAxis(const QString& title, qreal last) const;
    int RowOf(int salesRank, int rank) const;

    const TStringGrid& Ranking;
    const TStringGrid& Demoted;
    TOpenItem OpenItem;
    QScatterSeries* RedPoints = nullptr;
    QScatterSeries* OtherPoints = nullptr;
    QLabel* NothingRanked;
    // What Draw was given while the chart was not on screen.
    bool DrawPending = false;
    QString PendingNick;
};

} // namespace korvane
