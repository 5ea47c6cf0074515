#pragma once

#include <string>
#include <string_view>

namespace korvane::test {

// Converts UTF-8 (as written in the test sources) to the GBK bytes the
// marketplace sends; throws when a character has no GBK form.
std::string Gbk(std::string_view utf8);

} // namespace korvane::test
