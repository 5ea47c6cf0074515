#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace korvane::test {

// The title the X server holds for window's top-level window (_NET_WM_NAME):
// what the window manager shows, after whatever the toolkit added to it.
// Empty when the program does not run on X11 (the offscreen platform).
std::optional<QString> NativeWindowTitle(QWidget& window);

} // namespace korvane::test
