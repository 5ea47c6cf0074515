#pragma once

#include <QEvent>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

namespace korvane::test {

// Counts the paints of a widget and gathers the areas they covered.
class TPaintRecorder : public QObject {
public:
    explicit TPaintRecorder(QWidget* widget) : Widget(widget) { widget->installEventFilter(this); }
    ~TPaintRecorder() override { Widget->removeEventFilter(this); }
    TPaintRecorder(const TPaintRecorder&) = delete;
    TPaintRecorder& operator=(const TPaintRecorder&) = delete;

    int Paints = 0;
    QRegion Painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++Paints;
            Painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }

private:
    QWidget* Widget;
};

} // namespace korvane::test
