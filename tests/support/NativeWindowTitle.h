#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace korvane::test {

// The title the X server holds for window's top-level window (_NET_WM_NAME):
// what the window manager shows, after whatever the toolkit added to it.
// No value when the program does not run on X11 (the offscreen platform, or
// a build without the X client library); an empty title when the server
// holds none.
std::optional<QString> NativeWindowTitle(QWidget& window);

} // namespace korvane::test
