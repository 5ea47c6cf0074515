#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace korvane {

// The window kept whole on the seller's screen. The usual size does not fit
// every screen at every scale (125 % on 1366 x 768, 175 % on 1920 x 1080):
// there the window starts, and can shrink to, the screen's free area, and the
// layout rule shrinks the tables with it. The rule's sizes are also fitted
// inside the window: the page control ends inside the client area, above the
// status bar, and each table ends where its focus frame still shows inside
// its tab page, so the status bar never covers a table's last row or its
// scroll bar at any size.
class TScreenFit {
public:
    // The smallest client area the window gives way to on a very small screen.
    static constexpr QSize kSmallestClient{640, 360};

    // The client size to start at, which is also the smallest the user can
    // make it: the usual size, or less where the area (frame included) is
    // smaller.
    static QSize StartClient(const QSize& usual, const QRect& area, const QSize& frame);

    // The page control's size by the layout rule, cut so that the control at
    // its position ends inside the client area and above statusTop.
    static QSize PageControl(const QSize& ruled, const QPoint& at, int clientWidth, int statusTop);

    // A table's height by the layout rule, cut so that it and its focus
    // frame end inside its tab page, pageHeight high (all pages are as
    // high as the one shown).
    static int TableHeight(const QWidget& table, int pageHeight, int ruled);
};

} // namespace korvane
