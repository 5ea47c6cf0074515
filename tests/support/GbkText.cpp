#include "GbkText.h"

#include "GbkConversion.h"

#include <stdexcept>

namespace korvane::test {

std::string Gbk(std::string_view utf8) {
    auto gbk = TGbkConversion::FromUtf8Exactly(utf8);
    if (!gbk)
        throw std::runtime_error("text has no GBK form");
    return std::move(*gbk);
}

} // namespace korvane::test
