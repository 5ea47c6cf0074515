#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace korvane {

// The engine keeps text as GBK bytes; only the window converts.

// Shows GBK bytes; a byte sequence that is not GBK shows as U+FFFD.
QString FromGbk(std::string_view gbk);
// The typed nick as GBK bytes; a character GBK lacks becomes "?".
std::string ToGbk(const QString& text);

} // namespace korvane
