#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

using TStringList = std::vector<std::string>;

class TStringGrid;

// Position of the first occurrence of marker in text, compared byte for byte
// with no regard for GBK character boundaries; npos when absent.
std::size_t FindMarker(std::string_view text, std::string_view marker);

inline bool ContainsMarker(std::string_view text, std::string_view marker) {
    return FindMarker(text, marker) != std::string_view::npos;
}

// The working text loses everything up to and including the first occurrence
// of marker. When the marker is absent nothing usable follows it, so the
// working text becomes empty rather than a garbage field.
void CutAfter(std::string& working, std::string_view marker);
void CutAfter(std::string_view& working, std::string_view marker);

// The working text keeps only what precedes the first occurrence of marker;
// empty when the marker is absent.
void CutBefore(std::string& working, std::string_view marker);
void CutBefore(std::string_view& working, std::string_view marker);

// The engine's class operations, with no state of their own: the crawl's
// text steps and the clear of a result table.
class Method {
public:
    Method() = delete;

    // The pieces between the occurrences of marker: n occurrences give n + 1
    // pieces; the empty text gives no pieces at all.
    static TStringList SplitText(std::string_view text, std::string_view marker);

    // Same pieces as SplitText, as views into text (text must outlive them).
    static std::vector<std::string_view> SplitTextViews(std::string_view text,
                                                        std::string_view marker);

    // Percent-encodes every byte except ASCII letters and digits, with
    // upper-case hex; space becomes %20, never '+'.
    static std::string EncodeText(std::string_view text);

    // Leaves the grid with rowCount rows (the program passes 2: the header
    // and one empty row), every cell below the header empty. Rows that go
    // are dropped first and never blanked (after a run that is thousands);
    // the rows that stay are blanked, so none brings an old text back. One
    // reset notice.
    static void ClearGrid(TStringGrid& grid, std::int32_t rowCount);
};

} // namespace korvane
