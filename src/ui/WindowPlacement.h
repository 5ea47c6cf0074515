#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace korvane {

// Where the window goes at start. The stored position is kept whenever the
// whole window, frame included, fits the screen's available area there;
// otherwise it moves up and left just enough, so the status bar stays on a
// small laptop screen.
class TWindowPlacement {
public:
    static constexpr QPoint kStoredPosition{204, 175};

    // The outer top-left for a window of outer size frame, which the user
    // cannot make smaller than minimumFrame. In a direction where even the
    // minimum does not fit, the window starts at the area's edge, so its
    // title bar stays reachable.
    static QPoint StartPosition(const QRect& area, const QSize& frame, const QSize& minimumFrame);

    // The available area of the screen under the stored position (the
    // primary screen when none is there).
    static QRect AvailableArea();
};

} // namespace korvane
