#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace korvane {

namespace {

// One direction: the stored start, pulled back so that size ends inside the
// area, but never before its start.
int Place(int stored, int areaStart, int areaLength, int size, int minimum) {
    if (minimum > areaLength)
        return areaStart;
    const int lastStart = areaStart + areaLength - size;
    return std::max(areaStart, std::min(stored, lastStart));
}

} // namespace

QPoint TWindowPlacement::StartPosition(const QRect& area, const QSize& frame,
                                       const QSize& minimumFrame) {
    if (area.isEmpty()) // no screen known: nothing to fit
        return kStoredPosition;
    return {
        Place(kStoredPosition.x(), area.left(), area.width(), frame.width(), minimumFrame.width()),
        Place(kStoredPosition.y(), area.top(), area.height(), frame.height(),
              minimumFrame.height())};
}

QRect TWindowPlacement::AvailableArea() {
    QScreen* screen = QGuiApplication::screenAt(kStoredPosition);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

} // namespace korvane
