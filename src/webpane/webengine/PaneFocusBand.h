#pragma once

#include <QWidget>

namespace korvane {

// Shows that a web pane has the keyboard: a band in the desktop's highlight
// colour round the part of the pane that shows (a pane reaches past its tab's
// edges), over the page, while the pane or the engine's widget inside it has
// the focus. The engine draws the page in a child widget of its own, so the
// band is a child laid over it rather than a frame the pane paints.
class TPaneFocusBand final : public QWidget {
public:
    static constexpr int kWidth = 2;

    // Lives in pane, over everything else in it.
    explicit TPaneFocusBand(QWidget* pane);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Follow();

    QWidget* Pane;
};

} // namespace korvane
