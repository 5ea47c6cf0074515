#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace korvane {

// Tells whenever a widget turns enabled or disabled, however that came about.
class TEnabledWatch final : public QObject {
public:
    using TChanged = std::function<void(bool enabled)>;

    // Lives as long as the watched widget.
    TEnabledWatch(QWidget* watched, TChanged changed);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    QWidget* Watched;
    TChanged Changed;
    bool Enabled;
};

} // namespace korvane
