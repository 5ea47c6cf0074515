#include "GbkText.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace korvane::test {

std::string Gbk(std::string_view utf8) {
    iconv_t cd = ::iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv cannot convert UTF-8 to GBK");
    std::string in(utf8);
    std::string out(in.size() * 2 + 4, '\0');
    char* src = in.data();
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t rc = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    ::iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1))
        throw std::runtime_error("text has no GBK form");
    out.resize(out.size() - dstLeft);
    return out;
}

} // namespace korvane::test
