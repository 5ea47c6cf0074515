#pragma once

#include <QString>
#include <QUrl>

class QWidget;

namespace korvane {

// The message boxes a page's alert() and confirm() raise when the pane lets the
// engine show them. A pane without one uses the engine's own boxes; tests put
// a recorder here.
class TPageDialogs {
public:
    virtual ~TPageDialogs() = default;
    virtual void Alert(QWidget* owner, const QUrl& page, const QString& text) = 0;
    // True for OK.
    virtual bool Confirm(QWidget* owner, const QUrl& page, const QString& text) = 0;
};

} // namespace korvane
