#pragma once

#include <QImage>
#include <QObject>
#include <QTextObjectInterface>
#include <QUrl>

#include <functional>

namespace korvane {

// Lays out and draws a text pane's images from the images the pane holds,
// and from nothing else. Qt's own image handler reads an image it was not
// handed from the file its name gives (and looks for a high-resolution twin
// beside it), so a page could make the pane read the seller's disk or a
// network share; this one never opens a file. An image not held is an empty
// place of the size the page gives it.
class TPaneImageHandler : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    // The image held for a name as the page writes it; a null image when none.
    using TLookup = std::function<QImage(const QString& name)>;

    TPaneImageHandler(TLookup lookup, QObject* parent);

    QSizeF intrinsicSize(QTextDocument* doc, int posInDocument, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int posInDocument,
                    const QTextFormat& format) override;

private:
    TLookup Lookup;
};

} // namespace korvane
