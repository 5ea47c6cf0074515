#include "SortHeader.h"

#include <QImage>
#include <QPainter>
#include <QStyle>

namespace korvane {

namespace {

// Whether the style draws SortUp pointing up: its painted rows widen
// downwards. A style that draws nothing recognisable is taken at its word.
bool DrawsSortUpAsUp(const QStyle& style) {
    constexpr int kSide = 24;
    const QColor ground(128, 128, 128);
    QImage image(kSide, kSide, QImage::Format_ARGB32);
    image.fill(ground);
    {
        QPainter painter(&image);
        QStyleOptionHeader option;
        option.rect = QRect(kSide / 4, kSide / 4, kSide / 2, kSide / 2);
        option.sortIndicator = QStyleOptionHeader::SortUp;
        option.palette = style.standardPalette();
        style.drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &option, &painter);
    }
    int firstWidth = -1, lastWidth = -1;
    for (int y = 0; y < kSide; ++y) {
        int width = 0;
        for (int x = 0; x < kSide; ++x)
            width += image.pixelColor(x, y) != ground;
        if (width == 0)
            continue;
        if (firstWidth < 0)
            firstWidth = width;
        lastWidth = width;
    }
    return firstWidth <= lastWidth;
}

} // namespace

TSortHeader::TSortHeader(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent) {}

QStyleOptionHeader::SortIndicator TSortHeader::Arrow(const QStyle& style, bool up) {
    // Asked afresh each time: one small picture for the one sorted section,
    // and the header may change its style at any time.
    return up == DrawsSortUpAsUp(style) ? QStyleOptionHeader::SortUp : QStyleOptionHeader::SortDown;
}

void TSortHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const {
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    if (option->sortIndicator != QStyleOptionHeader::None)
        option->sortIndicator = Arrow(*style(), sortIndicatorOrder() == Qt::AscendingOrder);
}

} // namespace korvane
