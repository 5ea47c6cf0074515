#include "WebPaneSettings.h"

#include <QKeyEvent>

namespace korvane {

bool TWebPaneSettings::TShortCuts::Disables(const QKeyEvent& key) const {
    constexpr Qt::KeyboardModifiers chord =
        Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;
    if ((key.modifiers() & chord) != Qt::ControlModifier)
        return false;
    switch (key.key()) {
    case Qt::Key_N:
        return DisableCTRL_N;
    case Qt::Key_P:
        return DisableCTRL_P;
    case Qt::Key_A:
        return DisableCTRL_A;
    case Qt::Key_C:
        return DisableCTRL_C;
    case Qt::Key_F:
        return DisableCTRL_F;
    default:
        return false;
    }
}

} // namespace korvane
