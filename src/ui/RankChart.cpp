#include "RankChart.h"

#include "FocusFrame.h"
#include "GbkCodec.h"
#include "ResultTables.h"
#include "ResultTexts.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRubberBand>
#include <QScatterSeries>
#include <QToolTip>

#include <algorithm>
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
const QColor kDiagonal(110, 110, 110);

// A rank cell as the analysis writes it: a plain positive decimal.
std::optional<int> RankIn(const std::string& cell) {
    int value = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (error != std::errc() || end != cell.data() + cell.size() || value < 1)
        return std::nullopt;
    return value;
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
      NothingRanked(new QLabel(Text("没有参与排名的宝贝"), this)),
      ShowAllButton(new QPushButton(this)), HomeButton(new QPushButton(Text("还原"), this)),
      ZoomHint(new QLabel(Text("滚轮或+/-缩放，拖出方框放大，右键或Backspace退回，"
                               "方向键移动，Home还原，Ctrl+C复制图表"),
                          this)),
      Band(new QRubberBand(QRubberBand::Rectangle, viewport())) {
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

    ShowAllButton->setObjectName(QStringLiteral("btnChartAll"));
    HomeButton->setObjectName(QStringLiteral("btnChartHome"));
    ZoomHint->setObjectName(QStringLiteral("labChartHint"));
    ZoomHint->setFont(ChartFont(12));
    ZoomHint->setStyleSheet(QStringLiteral("color: rgb(120, 120, 120);"));
    ZoomHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (QWidget* control : {static_cast<QWidget*>(ShowAllButton),
                             static_cast<QWidget*>(HomeButton), static_cast<QWidget*>(ZoomHint)})
        control->hide();
    // 还原 greys out when pressed: a button with the focus would hand it on
    // to the next control in the window. The chart has their keys instead.
    for (QPushButton* button : {ShowAllButton, HomeButton})
        button->setFocusPolicy(Qt::NoFocus);
    connect(ShowAllButton, &QPushButton::clicked, this, [this] {
        ToggleAll();
        setFocus(Qt::OtherFocusReason);
    });
    connect(HomeButton, &QPushButton::clicked, this, [this] {
        GoHome();
        setFocus(Qt::OtherFocusReason);
    });
    setFocusPolicy(Qt::StrongFocus);
    if (parent != nullptr)
        new TFocusFrame(this);
    // The axes' labels take their room from the plot: the room at the edges
    // is measured on the plot that is left.
    connect(chart(), &QChart::plotAreaChanged, this, [this] { ShowRanks(); });
}

void TRankChart::RemoveAll() {
    chart()->removeAllSeries();
    for (QAbstractAxis* axis : chart()->axes()) {
        chart()->removeAxis(axis);
        delete axis;
    }
    RedPoints = nullptr;
    OtherPoints = nullptr;
    Diagonal = nullptr;
    AxisX = nullptr;
    AxisY = nullptr;
}

void TRankChart::Clear() {
    DrawPending = false;
    RemoveAll();
    TitleCounts.clear();
    TitleScope.clear();
    WholeTitle.clear();
    chart()->setTitle({});
    chart()->legend()->hide();
    NothingRanked->hide();
    Band->hide();
    DragFrom.reset();
    for (QWidget* control : {static_cast<QWidget*>(ShowAllButton),
                             static_cast<QWidget*>(HomeButton), static_cast<QWidget*>(ZoomHint)})
        control->hide();
}

namespace {

QCategoryAxis* MakeAxis() {
    auto* axis = new QCategoryAxis;
    axis->setTitleFont(ChartFont(14));
    axis->setLabelsFont(ChartFont(12));
    // Labels at their ranks, not between them.
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    return axis;
}

// Ticks at rank 1, wherever it is shown, and at every step between from and to.
void SetTicks(QCategoryAxis* axis, qreal from, qreal to, qreal min) {
    for (const QString& label : axis->categoriesLabels())
        axis->remove(label);
    axis->setStartValue(min);
    const int step = AxisStep(static_cast<int>(std::ceil(to - from)));
    if (from <= 1 && to >= 1)
        axis->append(QStringLiteral("1"), 1);
    for (int tick = std::max(step, static_cast<int>(std::ceil(from / step)) * step); tick <= to;
         tick += step)
        if (tick > 1)
            axis->append(QString::number(tick), tick);
}

// The axis range that shows ranks from .. to with kEdgeRoom pixels beyond
// each end, on an axis that many pixels long.
std::pair<qreal, qreal> WithRoom(qreal from, qreal to, qreal pixels) {
    if (to - from < 1) { // a single rank
        from -= 0.5;
        to += 0.5;
    }
    const qreal inner = std::max<qreal>(pixels - 2 * TRankChart::kEdgeRoom, 1);
    const qreal room = TRankChart::kEdgeRoom * (to - from) / inner;
    return {from - room, to + room};
}

} // namespace

void TRankChart::Draw(const QString& nick, const QString& scope) {
    Clear();
    PendingNick = nick;
    PendingScope = scope;
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
        (IsWarningVerdict(Ranking.Cell(ranking::kVerdict, r)) ? warned : others)
            .append(QPointF(*salesRank, *rank));
    }
    const auto ranked = warned.size() + others.size();
    // The notice that nothing was demoted has no running number.
    int demoted = 0;
    for (int r = 1; r < Demoted.RowCount(); ++r)
        demoted += !Demoted.Cell(demoted::kNumber, r).empty();

    const QString counts = Text("参与排名宝贝%1个，降权宝贝%2个").arg(ranked).arg(demoted);
    TitleCounts = nick.isEmpty() ? counts : nick + Text("：") + counts;
    TitleScope = PendingScope.isEmpty() ? QString() : Text("（") + PendingScope + Text("）");
    WholeTitle = TitleCounts + TitleScope;
    ShowTitle();
    if (ranked == 0) {
        NothingRanked->show();
        return;
    }

    Ranks.Reset(warned + others, last);
    AxisX = MakeAxis();
    AxisY = MakeAxis();
    AxisY->setTitleText(Text("实际排名（默认排序）"));
    AxisY->setReverse(true); // rank 1 on top, as in a ranking
    chart()->addAxis(AxisX, Qt::AlignBottom);
    chart()->addAxis(AxisY, Qt::AlignLeft);
    const auto add = [this](QXYSeries* series, const QString& name) {
        series->setName(name);
        chart()->addSeries(series);
        series->attachAxis(AxisX);
        series->attachAxis(AxisY);
    };

    // Added in the order they are drawn: the others, the diagonal over
    // them (a crowd of points would hide it), the red ones on top.
    OtherPoints = new QScatterSeries;
    Diagonal = new QLineSeries;
    RedPoints = new QScatterSeries;
    for (auto [series, points, colour, size] :
         {std::tuple{OtherPoints, &others, kCalm, kMarkerSize},
          std::tuple{RedPoints, &warned, kRed, kRedMarkerSize}}) {
        series->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        series->setMarkerSize(size);
        series->setColor(colour);
        series->setBorderColor(colour.darker(130));
        series->append(*points);
    }
    // Beyond both ends: the axes clip it to the ranks shown.
    Diagonal->append(0, 0);
    Diagonal->append(last + 1, last + 1);
    Diagonal->setPen(QPen(kDiagonal, 1, Qt::DashLine));
    add(OtherPoints, Text("其他宝贝"));
    add(Diagonal, Text("实际排名 = 理论排名"));
    add(RedPoints, Text("重要宝贝被隐性降权"));
    chart()->legend()->show();
    ShowRanks();
    ZoomHint->show();
    HomeButton->show();
    ShowAllButton->setVisible(Ranks.HasTopView());
}

void TRankChart::ShowRanks() {
    if (AxisX == nullptr || ShowingRanks)
        return;
    ShowingRanks = true;
    const QRectF shown = Ranks.Current();
    const QRectF plot = chart()->plotArea();
    const auto [left, right] = WithRoom(shown.left(), shown.right(), plot.width());
    const auto [top, bottom] = WithRoom(shown.top(), shown.bottom(), plot.height());
    AxisX->setRange(left, right);
    AxisY->setRange(top, bottom);
    SetTicks(AxisX, shown.left(), shown.right(), left);
    SetTicks(AxisY, shown.top(), shown.bottom(), top);
    AxisX->setTitleText(Ranks.ShowsAll()
                            ? Text("理论排名（按销量）")
                            : Text("理论排名（按销量，前%1名）").arg(TRankView::kTopRanks));
    ShowAllButton->setText(Ranks.ShowsAll() ? Text("前%1名").arg(TRankView::kTopRanks)
                                            : Text("显示全部"));
    HomeButton->setEnabled(Ranks.Zoomed());
    ShowingRanks = false;
}

void TRankChart::PlaceControls() {
    const int margin = 8;
    HomeButton->setGeometry(width() - margin - 75, margin, 75, 25);
    ShowAllButton->setGeometry(HomeButton->x() - 6 - 90, margin, 90, 25);
    ZoomHint->adjustSize();
    ZoomHint->move(margin, height() - margin - ZoomHint->height());
}

// The chart cuts a title too long for its width with "...": the part that
// would be cut, what limits the comparison, goes on a line of its own.
void TRankChart::ShowTitle() {
    const QMargins margins = chart()->margins();
    const int room = viewport()->width() - margins.left() - margins.right() - 20;
    if (TitleScope.isEmpty() ||
        QFontMetrics(chart()->titleFont()).horizontalAdvance(WholeTitle) <= room) {
        chart()->setTitle(WholeTitle);
        return;
    }
    // The title is rich text; a nick is shown as typed.
    chart()->setTitle(TitleCounts.toHtmlEscaped() + QStringLiteral("<br>") +
                      TitleScope.toHtmlEscaped());
}

// Where the title is drawn: centred at the chart's top, a line or two high.
QRect TRankChart::TitleRect() const {
    if (WholeTitle.isEmpty())
        return {};
    const QFontMetrics metrics(chart()->titleFont());
    const bool wrapped = chart()->title() != WholeTitle;
    const int longest = wrapped ? std::max(metrics.horizontalAdvance(TitleCounts),
                                           metrics.horizontalAdvance(TitleScope))
                                : metrics.horizontalAdvance(WholeTitle);
    const int width = std::min(viewport()->width(), longest + 8);
    const int height = metrics.lineSpacing() * (wrapped ? 2 : 1) + 8;
    return {(viewport()->width() - width) / 2, chart()->margins().top(), width, height};
}

QRect TRankChart::PlotRect() const {
    return mapFromScene(chart()->mapToScene(chart()->plotArea())).boundingRect();
}

std::optional<QPointF> TRankChart::RanksAt(const QPoint& position) const {
    if (Diagonal == nullptr)
        return std::nullopt;
    return chart()->mapToValue(chart()->mapFromScene(mapToScene(position)), Diagonal);
}

QPoint TRankChart::PointPosition(int salesRank, int rank) const {
    if (Diagonal == nullptr)
        return {-1, -1};
    const QPointF inChart = chart()->mapToPosition(QPointF(salesRank, rank), Diagonal);
    return mapFromScene(chart()->mapToScene(inChart));
}

int TRankChart::RowAt(const QPoint& position) const {
    std::optional<QPointF> nearest;
    qreal nearestDistance = kPickRadius;
    // Points outside the ranks shown are not drawn.
    const QRect plot = PlotRect().adjusted(-1, -1, 1, 1);
    for (QScatterSeries* series : {RedPoints, OtherPoints}) {
        if (series == nullptr)
            continue;
        for (const QPointF& point : series->points()) {
            const QPoint at =
                PointPosition(static_cast<int>(point.x()), static_cast<int>(point.y()));
            if (!plot.contains(at))
                continue;
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
    // On the title: the title, whole.
    const QRect title = TitleRect();
    if (row == 0 && title.contains(help->pos())) {
        QToolTip::showText(help->globalPos(), WholeTitle, viewport(), title);
        return true;
    }
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

void TRankChart::mousePressEvent(QMouseEvent* event) {
    QChartView::mousePressEvent(event);
    if (Diagonal == nullptr)
        return;
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && PlotRect().contains(at))
        DragFrom = at;
    else if (event->button() == Qt::RightButton && Ranks.Back())
        ShowRanks();
}

void TRankChart::mouseMoveEvent(QMouseEvent* event) {
    QChartView::mouseMoveEvent(event);
    if (!DragFrom)
        return;
    const QPoint at = event->position().toPoint();
    if (!Band->isVisible() &&
        (at - *DragFrom).manhattanLength() < QApplication::startDragDistance())
        return; // a click, not yet a drag
    Band->setGeometry(QRect(*DragFrom, at).normalized() & PlotRect());
    Band->show();
}

void TRankChart::mouseReleaseEvent(QMouseEvent* event) {
    QChartView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !DragFrom)
        return;
    DragFrom.reset();
    if (!Band->isVisible())
        return;
    Band->hide();
    const QRect drawn = Band->geometry();
    const auto from = RanksAt(drawn.topLeft());
    const auto to = RanksAt(drawn.bottomRight());
    // A rectangle too thin to read is taken for a slip of the hand.
    if (drawn.width() < kMinBand || drawn.height() < kMinBand || !from || !to)
        return;
    Ranks.ZoomTo(QRectF(*from, *to));
    ShowRanks();
}

void TRankChart::mouseDoubleClickEvent(QMouseEvent* event) {
    QChartView::mouseDoubleClickEvent(event);
    const int row = RowAt(event->position().toPoint());
    if (row != 0 && OpenItem)
        OpenItem(Ranking.Cell(ranking::kId, row));
}

void TRankChart::wheelEvent(QWheelEvent* event) {
    const auto about = RanksAt(event->position().toPoint());
    const int notches = event->angleDelta().y();
    if (!about || notches == 0) {
        event->ignore();
        return;
    }
    const QRectF shown = Ranks.Current();
    // The pointer off the plot zooms about the nearest rank shown.
    const QPointF fixed(std::clamp(about->x(), shown.left(), shown.right()),
                        std::clamp(about->y(), shown.top(), shown.bottom()));
    Ranks.ScaleAbout(std::pow(kWheelZoom, notches / 120.0), fixed);
    ShowRanks();
    event->accept();
}

void TRankChart::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    NothingRanked->setGeometry(rect());
    PlaceControls();
    if (!WholeTitle.isEmpty())
        ShowTitle();
}

void TRankChart::ZoomBy(qreal factor) {
    Ranks.ScaleStep(factor, Ranks.Current().center());
    ShowRanks();
}

void TRankChart::GoBack() {
    if (Ranks.Back())
        ShowRanks();
}

void TRankChart::GoHome() {
    Ranks.Home();
    ShowRanks();
}

void TRankChart::ToggleAll() {
    Ranks.ShowAll(!Ranks.ShowsAll());
    ShowRanks();
}

QImage TRankChart::Picture() const {
    return viewport()->grab().toImage();
}

void TRankChart::CopyPicture() {
    QGuiApplication::clipboard()->setImage(Picture());
}

bool TRankChart::KeyCommand(const QKeyEvent& key, bool run) {
    const auto act = [run](auto&& command) {
        if (run)
            command();
        return true;
    };
    if (key.matches(QKeySequence::Copy))
        return act([this] { CopyPicture(); });
    // Nothing drawn, nothing to zoom; Shift is how some keyboards give +.
    const Qt::KeyboardModifiers chord =
        key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (AxisX == nullptr || chord != Qt::NoModifier)
        return false;
    const bool shift = key.modifiers() & Qt::ShiftModifier;
    switch (key.key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return act([this] { ZoomBy(kWheelZoom); });
    case Qt::Key_Minus:
        return act([this] { ZoomBy(1 / kWheelZoom); });
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (shift)
            return false;
        const qreal across = key.key() == Qt::Key_Left    ? -kPanStep
                             : key.key() == Qt::Key_Right ? kPanStep
                                                          : 0;
        const qreal down = key.key() == Qt::Key_Up     ? -kPanStep
                           : key.key() == Qt::Key_Down ? kPanStep
                                                       : 0;
        return act([this, across, down] {
            Ranks.Pan(across, down);
            ShowRanks();
        });
    }
    case Qt::Key_Backspace:
    case Qt::Key_Escape:
        // Esc with nothing to go back to is the window's: it stops a run.
        if (shift || !Ranks.CanGoBack())
            return false;
        return act([this] { GoBack(); });
    case Qt::Key_Home:
        return !shift && act([this] { GoHome(); });
    default:
        return false;
    }
}

// The window's shortcuts (Esc stops a run) come before the focused
// control's keys; the keys the chart answers now are its own.
bool TRankChart::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        KeyCommand(static_cast<const QKeyEvent&>(*event), false)) {
        event->accept();
        return true;
    }
    return QChartView::event(event);
}

void TRankChart::keyPressEvent(QKeyEvent* event) {
    if (KeyCommand(*event, true)) {
        event->accept();
        return;
    }
    QChartView::keyPressEvent(event);
}

// The right button goes back a step; the menu is the keyboard's.
void TRankChart::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() != QContextMenuEvent::Keyboard) {
        event->accept();
        return;
    }
    event->accept();
    ShowMenu(mapToGlobal(rect().center()));
}

void TRankChart::ShowMenu(const QPoint& globalPos) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ChartMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool drawn = AxisX != nullptr;
    // The keys beside the entries, after a tab, as a menu shows shortcuts;
    // the chart takes the keys itself.
    const auto add = [this, menu](const char* name, const QString& text, bool enabled,
                                  auto&& command) {
        QAction* action = menu->addAction(text, this, command);
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(enabled);
        return action;
    };
    add("actZoomIn", Text("放大\t+"), drawn, [this] { ZoomBy(kWheelZoom); });
    add("actZoomOut", Text("缩小\t-"), drawn, [this] { ZoomBy(1 / kWheelZoom); });
    add("actBack", Text("退回\tBackspace"), drawn && Ranks.CanGoBack(), [this] { GoBack(); });
    add("actHome", Text("还原\tHome"), drawn && Ranks.Zoomed(), [this] { GoHome(); });
    if (drawn && Ranks.HasTopView())
        add("actShowAll", ShowAllButton->text(), true, [this] { ToggleAll(); });
    menu->addSeparator();
    add("actCopyChart", Text("复制图表\tCtrl+C"), true, [this] { CopyPicture(); });
    menu->popup(globalPos);
}

} // namespace korvane
