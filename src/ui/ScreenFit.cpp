#include "ScreenFit.h"

#include "FocusFrame.h"

#include <QWidget>

#include <algorithm>

namespace korvane {

QSize TScreenFit::StartClient(const QSize& usual, const QRect& area, const QSize& frame) {
    if (area.isEmpty()) // no screen known: the usual size
        return usual;
    const QSize free = area.size() - frame;
    return usual.boundedTo(free).expandedTo(kSmallestClient.boundedTo(usual));
}

QSize TScreenFit::PageControl(const QSize& ruled, const QPoint& at, int clientWidth,
                              int statusTop) {
    return ruled.boundedTo(QSize(clientWidth - at.x(), statusTop - at.y()));
}

int TScreenFit::TableHeight(const QWidget& table, int pageHeight, int ruled) {
    const int room = pageHeight - table.y() - TFocusFrame::kWidth;
    return std::max(0, std::min(ruled, room));
}

} // namespace korvane
