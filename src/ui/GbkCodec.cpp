#include "GbkCodec.h"

#include "GbkConversion.h"

namespace korvane {

QString FromGbk(std::string_view gbk) {
    const std::string utf8 = TGbkConversion::ToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToGbk(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return TGbkConversion::FromUtf8(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

} // namespace korvane
