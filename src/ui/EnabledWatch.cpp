#include "EnabledWatch.h"

#include <QEvent>
#include <QWidget>

namespace korvane {

TEnabledWatch::TEnabledWatch(QWidget* watched, TChanged changed)
    : QObject(watched), Watched(watched), Changed(std::move(changed)),
      Enabled(watched->isEnabled()) {
    Watched->installEventFilter(this);
}

bool TEnabledWatch::eventFilter(QObject* object, QEvent* event) {
    if (object == Watched && event->type() == QEvent::EnabledChange &&
        Watched->isEnabled() != Enabled) {
        Enabled = Watched->isEnabled();
        Changed(Enabled);
    }
    return QObject::eventFilter(object, event);
}

} // namespace korvane
