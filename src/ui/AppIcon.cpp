#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korvane {

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 64.0;

    // Rounded orange tile, the marketplace's colour family.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 102, 0));
    p.drawRoundedRect(QRectF(1 * s, 1 * s, 62 * s, 62 * s), 12 * s, 12 * s);

    // Bars falling from left to right; the third one pushed down in red.
    const double heights[4] = {34, 27, 12, 19};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(i == 2 ? QColor(200, 0, 0) : QColor(255, 255, 255));
        const double h = heights[i] * s;
        p.drawRect(QRectF((8 + i * 10) * s, 54 * s - h, 7 * s, h));
    }

    // Magnifier.
    QPen lens(QColor(40, 40, 40), std::max(1.5, 5 * s));
    lens.setCapStyle(Qt::RoundCap);
    p.setPen(lens);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(QPointF(40 * s, 24 * s), 13 * s, 13 * s);
    p.drawLine(QPointF(49 * s, 33 * s), QPointF(58 * s, 42 * s));
    return pixmap;
}

} // namespace

QIcon MakeAppIcon() {
    QIcon icon;
    for (int size : {64, 48, 32, 24, 16})
        icon.addPixmap(DrawIcon(size));
    return icon;
}

} // namespace korvane
