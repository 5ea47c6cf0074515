#pragma once

#include <QIcon>

namespace korvane {

// The window icon, drawn at 64, 48, 32, 24 and 16 pixels: a magnifier over a
// falling bar chart, for "finding what was pushed down".
QIcon MakeAppIcon();

} // namespace korvane
