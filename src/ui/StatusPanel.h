#pragma once

#include <QLabel>

namespace korvane {

// The status panel: one line that may be longer than the panel. A line cut
// at the panel's end says so with "…"; the whole line is its tooltip (set by
// whoever writes it). The panel is a Tab stop, shows its focus as the links
// do, and Ctrl+C or its menu's 复制 copies the whole line, however much of it
// shows.
class TStatusPanel final : public QLabel {
    Q_OBJECT
public:
    explicit TStatusPanel(QWidget* parent);

    // The line as it shows: whole, or cut with "…" where it does not fit.
    QString ShownText() const;
    // Puts the whole line on the clipboard.
    void CopyText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QRect TextRect() const;
};

} // namespace korvane
