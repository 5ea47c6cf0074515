// Built where the X client library is missing: no title can be read back, as
// on the offscreen platform.
#include "NativeWindowTitle.h"

namespace korvane::test {

std::optional<QString> NativeWindowTitle(QWidget&) {
    return std::nullopt;
}

} // namespace korvane::test
