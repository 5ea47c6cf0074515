#pragma once

#include <QList>
#include <QRectF>

namespace korvane {

// Which ranks the ranking chart shows, in ranks: earned rank (x) across,
// actual rank (y) down. A shop of more than kTopRanks ranked items starts on
// its top sellers (the first kTopRanks earned ranks, down to the lowest
// actual rank among them); the whole shop is a choice away. From either,
// the view zooms in to a rectangle or by a factor and comes back.
class TRankView {
public:
    static constexpr int kTopRanks = 100;
    // The fewest ranks a zoomed view spans, across and down.
    static constexpr double kMinSpan = 5;

    // A new chart: its points (earned rank, actual rank) and the last rank
    // on either axis. Starts on the top sellers when there are many points.
    void Reset(const QList<QPointF>& points, int last);

    // The ranks shown, edges included.
    QRectF Current() const { return Shown; }
    // Whether the shop is large enough to have a top-sellers view.
    bool HasTopView() const { return TopView != All; }
    bool ShowsAll() const { return Base == All; }
    // Whether the view was zoomed since the last choice of base view.
    bool Zoomed() const { return Shown != Base; }

    // The whole shop, or its top sellers; either forgets the zooms.
    void ShowAll(bool all);
    // Zooms in to these ranks (at least kMinSpan each way, within the shop).
    void ZoomTo(const QRectF& ranks);
    // Scales the view by factor (< 1 zooms in) about a point that stays put.
    void ScaleAbout(double factor, QPointF fixed);
    // The same as one step the way back undoes, as a key's zoom is: a seller
    // who pressed + three times goes back one press at a time.
    void ScaleStep(double factor, QPointF fixed);
    // The view before the last rectangle zoom or zoom step, else the base
    // view; false when already there.
    bool Back();
    // The base view again.
    void Home();
    // Moves the view by these shares of its width and height, within the
    // shop; the size and the way back stay.
    void Pan(double across, double down);
    // Whether Back would change the view.
    bool CanGoBack() const { return !Earlier.isEmpty() || Shown != Base; }

private:
    QRectF Bounded(QRectF ranks) const;

    QRectF All;
    QRectF TopView;
    QRectF Base;
    QRectF Shown;
    QList<QRectF> Earlier; // views before each rectangle zoom and zoom step
};

} // namespace korvane
