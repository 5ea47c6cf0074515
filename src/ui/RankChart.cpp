#include "RankChart.h"

#include "GbkCodec.h"
#include "MyUtils.h"
#include "ResultTables.h"
#include "ResultTexts.h"

#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>

#include <charconv>
#include <cmath>
#include <optional>
#include <tuple>

namespace korvane {

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QFont ChartFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// The same red as the table's warning verdicts; the others in a calm blue.
const QColor kRed(255, 0, 0);
const QColor kCalm(70, 130, 180);
const QColor kDiagonal(150, 150, 150);

// A rank cell as the analysis writes it: a plain positive decimal.
std::optional<int> RankIn(const std::string& cell) {
    int value = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (error != std::errc() || end != cell.data() + cell.size() || value < 1)
        return std::nullopt;
    return value;
}

// The table's own rule: a verdict is a warning unless it says 正常.
bool IsWarning(const std::string& verdict) {
    return !verdict.empty() && !ContainsMarker(verdict, texts::kNormalMark);
}

// 1, 2, 5, 10, 20, 50, ...: the smallest that spans last ranks in few steps.
int AxisStep(int last) {
    for (int scale = 1;; scale *= 10)
        for (int step : {scale, 2 * scale, 5 * scale})
            if (last / step <= TRankChart::kMaxAxisSteps)
                return step;
}

} // namespace

TRankChart::TRankChart(const TStringGrid& ranking, const TStringGrid& demoted, QWidget* parent)
    : QChartView(parent), Ranking(ranking), Demoted(demoted),
      NothingRanked(new QLabel(Text("没有参与排名的宝贝"), this)) {
    setRenderHint(QPainter::Antialiasing);
    setBackgroundBrush(Qt::white);
    viewport()->setMouseTracking(true);
    chart()->setTitleFont(ChartFont(16, true));
    chart()->legend()->setFont(ChartFont(13));
    chart()->legend()->setAlignment(Qt::AlignBottom);
    NothingRanked->setObjectName(QStringLiteral("labNothingRanked"));
    NothingRanked->setFont(ChartFont(14));
    NothingRanked->setAlignment(Qt::AlignCenter);
    NothingRanked->setAttribute(Qt::WA_TransparentForMouseEvents);
    NothingRanked->setGeometry(rect());
    chart()->legend()->hide(); // before the first run: the line alone
}

void TRankChart::RemoveAll() {
    chart()->removeAllSeries();
    for (QAbstractAxis* axis : chart()->axes()) {
        chart()->removeAxis(axis);
        delete axis;
    }
    RedPoints = nullptr;
    OtherPoints = nullptr;
}

void TRankChart::Clear() {
    DrawPending = false;
    RemoveAll();
    chart()->setTitle({});
    chart()->legend()->hide();
    NothingRanked->hide();
}

QValueAxis* TRankChart::MakeAxis(const QString& title, qreal last) const {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setTitleFont(ChartFont(14));
    axis->setLabelsFont(ChartFont(12));
    axis->setRange(1 - kAxisPad, last + kAxisPad);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(AxisStep(static_cast<int>(last)));
    axis->setMinorTickCount(0);
    return axis;
}

void TRankChart::Draw(const QString& nick) {
    Clear();
    PendingNick = nick;
    DrawPending = true;
    if (isVisible())
        DrawNow();
}

void TRankChart::showEvent(QShowEvent* event) {
    if (DrawPending)
        DrawNow();
    QChartView::showEvent(event);
}

void TRankChart::DrawNow() {
    DrawPending = false;
    const QString& nick = PendingNick;
    QList<QPointF> warned, others;
    int last = 1;
    for (int r = 1; r < Ranking.RowCount(); ++r) {
        const auto salesRank = RankIn(Ranking.Cell(ranking::kSalesRank, r));
        const auto rank = RankIn(Ranking.Cell(ranking::kRank, r));
        if (!salesRank || !rank)
            continue; // the empty bottom row
        last = std::max({last, *salesRank, *rank});
        (IsWarning(Ranking.Cell(ranking::kVerdict, r)) ? warned : others)
            .append(QPointF(*salesRank, *rank));
    }
    const auto ranked = warned.size() + others.size();
    // The notice that nothing was demoted has no running number.
    int demoted = 0;
    for (int r = 1; r < Demoted.RowCount(); ++r)
        demoted += !Demoted.Cell(demoted::kNumber, r).empty();

    const QString counts = Text("参与排名宝贝%1个，降权宝贝%2个").arg(ranked).arg(demoted);
    chart()->setTitle(nick.isEmpty() ? counts : nick + Text("：") + counts);
    if (ranked == 0) {
        NothingRanked->show();
        return;
    }

    QValueAxis* x = MakeAxis(Text("理论排名（按销量）"), last);
    QValueAxis* y = MakeAxis(Text("实际排名（默认排序）"), last);
    y->setReverse(true); // rank 1 on top, as in a ranking
    chart()->addAxis(x, Qt::AlignBottom);
    chart()->addAxis(y, Qt::AlignLeft);
    const auto add = [this, x, y](QXYSeries* series, const QString& name) {
        series->setName(name);
        chart()->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
    };

    auto* diagonal = new QLineSeries;
    diagonal->append(1 - kAxisPad, 1 - kAxisPad);
    diagonal->append(last + kAxisPad, last + kAxisPad);
    diagonal->setPen(QPen(kDiagonal, 1, Qt::DashLine));
    add(diagonal, Text("实际排名 = 理论排名"));
    // Red last, so it is drawn over the others.
    OtherPoints = new QScatterSeries;
    RedPoints = new QScatterSeries;
    for (auto [series, points, colour] :
         {std::tuple{OtherPoints, &others, kCalm}, std::tuple{RedPoints, &warned, kRed}}) {
        series->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        series->setMarkerSize(kMarkerSize);
        series->setColor(colour);
        series->setBorderColor(colour.darker(130));
        series->append(*points);
    }
    add(OtherPoints, Text("其他宝贝"));
    add(RedPoints, Text("重要宝贝被隐性降权"));
    chart()->legend()->show();
}

QPoint TRankChart::PointPosition(int salesRank, int rank) const {
    QScatterSeries* series = RedPoints != nullptr ? RedPoints : OtherPoints;
    if (series == nullptr)
        return {-1, -1};
    const QPointF inChart = chart()->mapToPosition(QPointF(salesRank, rank), series);
    return mapFromScene(chart()->mapToScene(inChart));
}

int TRankChart::RowAt(const QPoint& position) const {
    std::optional<QPointF> nearest;
    qreal nearestDistance = kPickRadius;
    for (QScatterSeries* series : {RedPoints, OtherPoints}) {
        if (series == nullptr)
            continue;
        for (const QPointF& point : series->points()) {
            const QPoint at =
                PointPosition(static_cast<int>(point.x()), static_cast<int>(point.y()));
            const qreal distance = std::hypot(at.x() - position.x(), at.y() - position.y());
            if (distance <= nearestDistance) {
                nearestDistance = distance;
                nearest = point;
            }
        }
    }
    if (!nearest)
        return 0;
    return RowOf(static_cast<int>(nearest->x()), static_cast<int>(nearest->y()));
}

// The table may have been sorted since: the ranks find the row, not its place.
int TRankChart::RowOf(int salesRank, int rank) const {
    for (int r = 1; r < Ranking.RowCount(); ++r)
        if (RankIn(Ranking.Cell(ranking::kSalesRank, r)) == salesRank &&
            RankIn(Ranking.Cell(ranking::kRank, r)) == rank)
            return r;
    return 0;
}

// The tooltip is asked for once the pointer rests; the scene would answer
// that request with none of its own and take a shown one away.
bool TRankChart::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QChartView::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const int row = RowAt(help->pos());
    if (row == 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    const QString text =
        FromGbk(Ranking.Cell(ranking::kTitle, row)) + QLatin1Char('\n') +
        FromGbk(texts::kRankHeader) + Text("：") + FromGbk(Ranking.Cell(ranking::kRank, row)) +
        Text("　") + FromGbk(texts::kSalesRankHeader) + Text("：") +
        FromGbk(Ranking.Cell(ranking::kSalesRank, row)) + QLatin1Char('\n') +
        FromGbk(texts::kSalesHeader) + Text("：") + FromGbk(Ranking.Cell(ranking::kSales, row));
    // It stays while the pointer stays within picking distance of the point.
    const QPoint point = PointPosition(*RankIn(Ranking.Cell(ranking::kSalesRank, row)),
                                       *RankIn(Ranking.Cell(ranking::kRank, row)));
    const int reach = static_cast<int>(kPickRadius);
    QToolTip::showText(help->globalPos(), text, viewport(),
                       QRect(point - QPoint(reach, reach), QSize(2 * reach + 1, 2 * reach + 1)));
    return true;
}

void TRankChart::mouseDoubleClickEvent(QMouseEvent* event) {
    QChartView::mouseDoubleClickEvent(event);
    const int row = RowAt(event->position().toPoint());
    if (row != 0 && OpenItem)
        OpenItem(Ranking.Cell(ranking::kId, row));
}

void TRankChart::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    NothingRanked->setGeometry(rect());
}

} // namespace korvane
