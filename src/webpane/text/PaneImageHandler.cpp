#include "PaneImageHandler.h"

#include <QPainter>
#include <QTextImageFormat>

namespace korvane {

TPaneImageHandler::TPaneImageHandler(TLookup lookup, QObject* parent)
    : QObject(parent), Lookup(std::move(lookup)) {}

QSizeF TPaneImageHandler::intrinsicSize(QTextDocument*, int, const QTextFormat& format) {
    const QTextImageFormat image = format.toImageFormat();
    const QImage held = Lookup(image.name());
    QSizeF size(image.width() > 0 ? image.width() : -1, image.height() > 0 ? image.height() : -1);
    if (held.isNull())
        return {std::max(size.width(), 0.0), std::max(size.height(), 0.0)};
    // A side the page leaves open follows the image's own proportions.
    if (size.width() < 0 && size.height() < 0)
        return held.size();
    if (size.width() < 0)
        size.setWidth(size.height() * held.width() / std::max(held.height(), 1));
    if (size.height() < 0)
        size.setHeight(size.width() * held.height() / std::max(held.width(), 1));
    return size;
}

void TPaneImageHandler::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                                   const QTextFormat& format) {
    const QImage held = Lookup(format.toImageFormat().name());
    if (!held.isNull())
        painter->drawImage(rect, held);
}

} // namespace korvane
