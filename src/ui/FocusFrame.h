#pragma once

#include <QPointer>
#include <QWidget>

namespace korvane {

// The frame that shows which large control has the keyboard: a band in the
// desktop's highlight colour just outside the control, shown while it has
// the focus. It lies beside the control rather than on it, so the scroll
// bars placed over a table's edges do not hide it.
class TFocusFrame final : public QWidget {
public:
    static constexpr int kWidth = 2;

    // Lives beside control, in its parent, which must exist.
    explicit TFocusFrame(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Follow();

    QPointer<QWidget> Control;
};

} // namespace korvane
