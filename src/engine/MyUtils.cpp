#include "MyUtils.h"

#include "StringGrid.h"

#include <cstring>
#include <stdexcept>

namespace korvane {

std::size_t FindMarker(std::string_view text, std::string_view marker) {
    if (marker.empty())
        return 0;
    if (text.size() < marker.size()) // also keeps a null empty view away from memmem
        return std::string_view::npos;
#ifdef __GLIBC__
    // glibc's memmem is far faster than a first-byte scan on markup, where
    // the markers' first bytes ('<', 'c') are everywhere.
    const void* hit = ::memmem(text.data(), text.size(), marker.data(), marker.size());
    if (hit == nullptr)
        return std::string_view::npos;
    return static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
#else
    return text.find(marker); // Windows' C library has no memmem
#endif
}

void CutAfter(std::string_view& working, std::string_view marker) {
    const std::size_t at = FindMarker(working, marker);
    working =
        at == std::string_view::npos ? std::string_view{} : working.substr(at + marker.size());
}

void CutAfter(std::string& working, std::string_view marker) {
    const std::size_t at = FindMarker(working, marker);
    if (at == std::string::npos)
        working.clear();
    else
        working.erase(0, at + marker.size());
}

void CutBefore(std::string_view& working, std::string_view marker) {
    const std::size_t at = FindMarker(working, marker);
    working = at == std::string_view::npos ? std::string_view{} : working.substr(0, at);
}

void CutBefore(std::string& working, std::string_view marker) {
    const std::size_t at = FindMarker(working, marker);
    if (at == std::string::npos)
        working.clear();
    else
        working.resize(at);
}

std::vector<std::string_view> Method::SplitTextViews(std::string_view text,
                                                     std::string_view marker) {
    std::vector<std::string_view> pieces;
    if (text.empty())
        return pieces;
    if (marker.empty()) { // nothing to split at
        pieces.push_back(text);
        return pieces;
    }
    std::string_view rest = text;
    for (;;) {
        const std::size_t at = FindMarker(rest, marker);
        if (at == std::string_view::npos)
            break;
        pieces.push_back(rest.substr(0, at));
        rest.remove_prefix(at + marker.size());
    }
    pieces.push_back(rest);
    return pieces;
}

TStringList Method::SplitText(std::string_view text, std::string_view marker) {
    TStringList pieces;
    for (std::string_view piece : SplitTextViews(text, marker))
        pieces.emplace_back(piece);
    return pieces;
}

std::string Method::EncodeText(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        const bool plain = (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= 'A' && byte <= 'Z');
        if (plain) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0x0F]);
        }
    }
    return out;
}

void Method::ClearGrid(TStringGrid& grid, std::int32_t rowCount) {
    if (rowCount < TStringGrid::kMinRowCount)
        throw std::invalid_argument("a cleared grid keeps its header row");
    TStringGrid::TUpdateScope update(grid);
    // Rows that go need no blanking first: after a run that is thousands.
    if (rowCount < grid.RowCount())
        grid.SetRowCount(rowCount);
    for (std::int32_t row = 1; row < grid.RowCount(); ++row)
        for (std::int32_t column = 0; column < grid.ColumnCount(); ++column)
            grid.SetCell(column, row, std::string());
    grid.SetRowCount(rowCount);
}

} // namespace korvane
