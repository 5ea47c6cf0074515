#include "RankView.h"

#include <algorithm>

namespace korvane {

namespace {

// A span of at least minimum within [low, high], moved rather than cut
// where it sticks out.
void Fit(double& from, double& to, double minimum, double low, double high) {
    minimum = std::min(minimum, high - low);
    if (to - from < minimum) {
        const double middle = (from + to) / 2;
        from = middle - minimum / 2;
        to = middle + minimum / 2;
    }
    const double span = std::min(to - from, high - low);
    from = std::clamp(from, low, high - span);
    to = from + span;
}

} // namespace

void TRankView::Reset(const QList<QPointF>& points, int last) {
    All = QRectF(QPointF(1, 1), QPointF(std::max(last, 1), std::max(last, 1)));
    TopView = All;
    if (points.size() > kTopRanks) {
        double lowest = kTopRanks;
        for (const QPointF& p : points)
            if (p.x() <= kTopRanks)
                lowest = std::max(lowest, p.y());
        TopView = QRectF(QPointF(1, 1), QPointF(kTopRanks, std::min<double>(lowest, last)));
    }
    ShowAll(false);
}

void TRankView::ShowAll(bool all) {
    Base = all ? All : TopView;
    Home();
}

void TRankView::Home() {
    Shown = Base;
    Earlier.clear();
}

QRectF TRankView::Bounded(QRectF ranks) const {
    ranks = ranks.normalized();
    double left = ranks.left(), right = ranks.right();
    double top = ranks.top(), bottom = ranks.bottom();
    Fit(left, right, kMinSpan, All.left(), All.right());
    Fit(top, bottom, kMinSpan, All.top(), All.bottom());
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

void TRankView::ZoomTo(const QRectF& ranks) {
    const QRectF next = Bounded(ranks);
    if (next == Shown)
        return;
    Earlier.append(Shown);
    Shown = next;
}

void TRankView::ScaleAbout(double factor, QPointF fixed) {
    const auto scaled = [factor](double from, double to, double at) {
        return std::pair(at - (at - from) * factor, at + (to - at) * factor);
    };
    const auto [left, right] = scaled(Shown.left(), Shown.right(), fixed.x());
    const auto [top, bottom] = scaled(Shown.top(), Shown.bottom(), fixed.y());
    Shown = Bounded(QRectF(QPointF(left, top), QPointF(right, bottom)));
}

void TRankView::ScaleStep(double factor, QPointF fixed) {
    const QRectF before = Shown;
    ScaleAbout(factor, fixed);
    if (Shown != before)
        Earlier.append(before);
}

void TRankView::Pan(double across, double down) {
    Shown = Bounded(Shown.translated(across * Shown.width(), down * Shown.height()));
}

bool TRankView::Back() {
    if (!Earlier.isEmpty()) {
        Shown = Earlier.takeLast();
        return true;
    }
    if (Shown == Base)
        return false;
    Shown = Base;
    return true;
}

} // namespace korvane
