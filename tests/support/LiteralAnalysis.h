#pragma once

// The rank analysis and the table sort written out loop for loop, as plainly
// as possible: whole-record and whole-row swaps, linear look-ups, IsGreater on
// the texts at every comparison. The engine must give the same tables cell
// for cell; the identity tests and the benchmarks both use this.

#include "ItemRecords.h"
#include "ResultTexts.h"
#include "SortGrid.h"
#include "StringGrid.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvane::literal {

// A row or column number as a vector index.
inline std::size_t Index(std::int32_t n) {
    return static_cast<std::size_t>(n);
}

inline void SortBySales(TResultLists& lists) {
    lists.SalesSortedList.clear();
    for (const TItemInfo& item : lists.DefaultList)
        lists.SalesSortedList.push_back(item);
    TItemList& a = lists.SalesSortedList;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = i; j < a.size(); ++j)
            if (a[j].Sales > a[i].Sales)
                std::swap(a[i], a[j]);
    for (std::size_t i = 0; i < a.size(); ++i)
        a[i].SalesRank = static_cast<std::int32_t>(i + 1);
}

inline TItemRecordInfo FindSalesRecord(const TResultLists& lists, const std::string& id) {
    for (const TItemRecordInfo& record : lists.SalesOrderList)
        if (record.ID == id)
            return record;
    return TItemRecordInfo{};
}

inline void ClearGrid(TStringGrid& grid, std::int32_t rowCount) {
    for (std::int32_t r = 1; r < grid.RowCount(); ++r)
        for (std::int32_t c = 0; c < grid.ColumnCount(); ++c)
            grid.SetCell(c, r, "");
    grid.SetRowCount(rowCount);
}

inline void AnalyseRanks(TResultLists& lists, TStringGrid& sgData2, TStringGrid& sgData3) {
    SortBySales(lists);
    const std::size_t n = lists.SalesSortedList.size();

    std::vector<std::string> demotedIds;
    std::int32_t count = 0;
    for (const TItemInfo& item : lists.SalesSortedList) {
        const TItemRecordInfo found = FindSalesRecord(lists, item.ID);
        if (found.ID.empty()) {
            ++count;
            sgData2.SetCell(0, count, std::to_string(count));
            sgData2.SetCell(1, count, item.Title);
            sgData2.SetCell(2, count, std::to_string(item.Sales));
            sgData2.SetCell(3, count, item.Price);
            sgData2.SetCell(4, count, item.ID);
            sgData2.SetRowCount(sgData2.RowCount() + 1);
            demotedIds.push_back(item.ID);
        }
    }
    if (count == 0) {
        ClearGrid(sgData2, 2);
        sgData2.SetCell(1, 1,
                        std::string(texts::kNoDemotedBefore) + std::to_string(n) +
                            std::string(texts::kNoDemotedAfter));
    }

    TItemList work;
    for (const TItemInfo& item : lists.SalesSortedList) {
        work.push_back(item);
        work.back().Gap = item.Rank - item.SalesRank;
    }
    for (std::size_t i = 0; i < work.size(); ++i)
        for (std::size_t j = i; j < work.size(); ++j)
            if (work[j].Gap < work[i].Gap)
                std::swap(work[i], work[j]);

    std::int32_t rows = 0;
    for (const TItemInfo& item : work) {
        bool skip = false;
        for (const std::string& id : demotedIds)
            if (id == item.ID)
                skip = true;
        if (skip)
            continue;
        ++rows;
        sgData3.SetCell(0, rows, std::to_string(rows));
        sgData3.SetCell(1, rows, item.Title);
        sgData3.SetCell(2, rows, std::to_string(item.Sales));
        sgData3.SetCell(3, rows, item.Price);
        sgData3.SetCell(4, rows, std::to_string(item.Rank));
        sgData3.SetCell(5, rows, std::to_string(item.SalesRank));
        sgData3.SetCell(6, rows, std::to_string(item.SalesRank - item.Rank));
        if (item.SalesRank <= 10) {
            // Pushed down only below every item that sells as much: a tie
            // earns each of the tied items the lowest of their places.
            std::int32_t earned = 0;
            for (const TItemInfo& other : lists.SalesSortedList)
                if (other.Sales >= item.Sales)
                    ++earned;
            if (item.Rank > earned)
                sgData3.SetCell(7, rows, std::string(texts::kDemotedVerdict));
            else
                sgData3.SetCell(7, rows, std::string(texts::kNormalVerdict));
        }
        sgData3.SetCell(8, rows, item.ID);
        sgData3.SetRowCount(sgData3.RowCount() + 1);
    }
}

using TIsGreater = std::function<bool(std::string_view, std::string_view)>;

inline bool SortColumn(TStringGrid& grid, std::int32_t k, std::int32_t mode,
                       const TIsGreater& isGreater = &TSortGrid::IsGreater) {
    if (k < 0)
        return false;
    const std::int32_t C = grid.ColumnCount() - 1;
    const std::int32_t R = grid.RowCount() - 1;
    if (k >= C || mode < 0 || mode > 2) // the engine's guards for what cannot be indexed
        return false;
    std::vector<std::vector<std::string>> D(static_cast<std::size_t>(C),
                                            std::vector<std::string>(static_cast<std::size_t>(R)));
    for (std::int32_t c = 0; c < C; ++c)
        for (std::int32_t r = 0; r < R; ++r)
            D[Index(c)][Index(r)] = grid.Cell(c + 1, r + 1);
    // A table without column 2 reads it as empty, like any cell outside.
    static const std::string kNoCell;
    const auto guard = [&](std::int32_t r) -> const std::string& {
        return C > 1 ? D[Index(1)][Index(r)] : kNoCell;
    };

    bool descending = false;
    if (mode == 1) {
        descending = false;
    } else if (mode == 2) {
        descending = true;
    } else {
        bool found = false;
        for (std::int32_t i = 0; i < R && !found; ++i)
            for (std::int32_t j = i + 1; j < R && !found; ++j)
                if (isGreater(D[Index(k)][Index(j)], D[Index(k)][Index(i)]))
                    found = true;
        descending = found;
    }

    for (std::int32_t i = 0; i < R; ++i) {
        for (std::int32_t j = i + 1; j < R; ++j) {
            if (guard(j).empty())
                continue;
            const bool greater = isGreater(D[Index(k)][Index(j)], D[Index(k)][Index(i)]);
            if ((descending && greater) || (!descending && !greater))
                for (std::int32_t c = 0; c < C; ++c)
                    std::swap(D[Index(c)][Index(i)], D[Index(c)][Index(j)]);
        }
    }

    for (std::int32_t c = 0; c < C; ++c)
        for (std::int32_t r = 0; r < R; ++r)
            grid.SetCell(c + 1, r + 1, D[Index(c)][Index(r)]);
    return descending;
}

} // namespace korvane::literal
