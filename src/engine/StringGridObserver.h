#pragma once

#include <cstdint>

namespace korvane {

// What a view of a TStringGrid is told. The "AboutTo" notices come before the
// grid changes and their partners after it, so a toolkit model can bracket
// the change the way its own views expect. A bulk change (a clear, a whole
// analysis) sends only AboutToReset and Reset, nothing per cell.
class TStringGridObserver {
public:
    virtual ~TStringGridObserver() = default;

    virtual void CellChanged(std::int32_t /*column*/, std::int32_t /*row*/) {}
    // A block of cells changed together, counts and widths untouched (a
    // sort moved rows): views keep their place and their widths.
    virtual void CellsChanged(std::int32_t /*firstColumn*/, std::int32_t /*firstRow*/,
                              std::int32_t /*lastColumn*/, std::int32_t /*lastRow*/) {}
    virtual void RowCountAboutToChange(std::int32_t /*oldCount*/, std::int32_t /*newCount*/) {}
    virtual void RowCountChanged(std::int32_t /*oldCount*/, std::int32_t /*newCount*/) {}
    virtual void ColumnCountAboutToChange(std::int32_t /*oldCount*/, std::int32_t /*newCount*/) {}
    virtual void ColumnCountChanged(std::int32_t /*oldCount*/, std::int32_t /*newCount*/) {}
    virtual void ColumnWidthChanged(std::int32_t /*column*/) {}
    virtual void AboutToReset() {}
    virtual void Reset() {}
};

} // namespace korvane
