#pragma once

#include "RankView.h"
#include "StringGrid.h"

#include <QChartView>

#include <functional>
#include <optional>
#include <string>

class QCategoryAxis;
class QImage;
class QKeyEvent;
class QLabel;
class QLineSeries;
class QPushButton;
class QRubberBand;
class QScatterSeries;

namespace korvane {

// The ranking table as a picture: one point per ranked item at (earned rank,
// actual rank), rank 1 in the top left corner, the diagonal where the two
// agree, items pushed down among the top sellers in red, larger and over the
// others. Everything it shows is read from the two result tables when it is
// drawn or pointed at; it keeps only the points it draws.
//
// A large shop opens on its top sellers; 显示全部 shows every item. The wheel
// zooms about the pointer, dragging a rectangle zooms in to it, the right
// button goes back a step and 还原 back to where the chart opened.
//
// With the focus (its frame shows it) the keys do the same: + and - zoom
// about the centre, the arrows move the view, Backspace or Esc go back a
// step, Home is 还原, Ctrl+C copies the chart as a picture; Shift+F10 or
// the Menu key open a menu of these. Its buttons take no focus: pressing
// one leaves the focus on the chart.
class TRankChart final : public QChartView {
    Q_OBJECT
public:
    static constexpr qreal kMarkerSize = 7;
    static constexpr qreal kRedMarkerSize = 11;
    // How far from a point's centre, in pixels, the mouse still picks it.
    static constexpr qreal kPickRadius = 6;
    // Axis labels at most this many steps apart from end to end.
    static constexpr int kMaxAxisSteps = 10;
    // Room, in pixels, between the frame and the centre of a point at an
    // end rank: the largest point, its border and a pixel of air.
    static constexpr qreal kEdgeRoom = kRedMarkerSize / 2 + 2;
    // Each notch of the wheel shows this share of the ranks before.
    static constexpr qreal kWheelZoom = 0.8;
    // A dragged rectangle narrower or lower than this, in pixels, zooms nothing.
    static constexpr int kMinBand = 5;
    // An arrow key moves the view by this share of the ranks shown.
    static constexpr qreal kPanStep = 0.1;

    using TOpenItem = std::function<void(const std::string& id)>;

    TRankChart(const TStringGrid& ranking, const TStringGrid& demoted, QWidget* parent);

    // After a run: the ranked rows of the ranking table, the demoted rows of
    // the other, the nick the run read, and what limits the comparison when
    // the listings were not both read whole (empty when they were). Drawn
    // when next on screen: the points of a large shop take a long while,
    // which a run should not wait for while the chart is hidden.
    void Draw(const QString& nick, const QString& scope = {});
    // While a run refills the tables: nothing at all.
    void Clear();
    // What a double click on a point does with the item's id.
    void SetOpenItem(TOpenItem open) { OpenItem = std::move(open); }

    // The ranking table's row whose point lies under a viewport position; 0
    // for none.
    int RowAt(const QPoint& position) const;
    // Where a ranked item's point lies in the viewport.
    QPoint PointPosition(int salesRank, int rank) const;
    // The ranks shown (without the room at the edges).
    const TRankView& View() const { return Ranks; }
    // The plot area in viewport coordinates: the points are clipped to it.
    QRect PlotRect() const;
    // The whole title, as its tooltip gives it; on screen it wraps before
    // what limits the comparison when one line would not hold it.
    const QString& Title() const { return WholeTitle; }
    // The chart as Ctrl+C copies it: what it shows, without its buttons.
    QImage Picture() const;

protected:
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void DrawNow();
    void RemoveAll();
    // Puts the view's ranks on the axes, with room for the points at the
    // edges, and the buttons in step.
    void ShowRanks();
    void PlaceControls();
    // The title on one line, or on two where one would be cut.
    void ShowTitle();
    QRect TitleRect() const;
    std::optional<QPointF> RanksAt(const QPoint& position) const;
    // Whether the key is one of the chart's now; run does what it says.
    bool KeyCommand(const QKeyEvent& key, bool run);
    void ShowMenu(const QPoint& globalPos);
    void ZoomBy(qreal factor);
    void GoBack();
    void GoHome();
    void ToggleAll();
    void CopyPicture();
    int RowOf(int salesRank, int rank) const;

    const TStringGrid& Ranking;
    const TStringGrid& Demoted;
    TOpenItem OpenItem;
    QScatterSeries* RedPoints = nullptr;
    QScatterSeries* OtherPoints = nullptr;
    QLineSeries* Diagonal = nullptr;
    QCategoryAxis* AxisX = nullptr;
    QCategoryAxis* AxisY = nullptr;
    TRankView Ranks;
    QLabel* NothingRanked;
    QPushButton* ShowAllButton;
    QPushButton* HomeButton;
    QLabel* ZoomHint;
    QRubberBand* Band;
    std::optional<QPoint> DragFrom;
    bool ShowingRanks = false;
    // What Draw was given while the chart was not on screen.
    bool DrawPending = false;
    QString PendingNick;
    QString PendingScope;
    // The title's counts and what limits them, and the two as one line.
    QString TitleCounts;
    QString TitleScope;
    QString WholeTitle;
};

} // namespace korvane
