// Arbitrary bytes as a listing page through the crawl's page step, in both
// passes, and the end test.
#include "ItemRecords.h"
#include "ListingPage.h"
#include "ThreadUnit.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    TResultLists lists;
    TRunOperations ops;
    ops.Lists = &lists;
    TRunThread worker(ops);
    const TRunThread::TPageYield salesYield = worker.ReadPage(TPass::Sales, page);
    const int sales = salesYield.Items;
    const int items = worker.ReadPage(TPass::Default, page).Items;
    (void)IsLastListingPage(page);

    // Both passes cut the same pieces; ranks count from 1 in listing order.
    if (sales != items || lists.SalesOrderList.size() != static_cast<std::size_t>(sales) ||
        lists.DefaultList.size() != static_cast<std::size_t>(items))
        __builtin_trap();
    for (std::size_t i = 0; i < lists.DefaultList.size(); ++i)
        if (lists.DefaultList[i].Rank != static_cast<std::int32_t>(i) + 1 ||
            lists.DefaultList[i].ID != lists.SalesOrderList[i].ID)
            __builtin_trap();
    // The sales pass's lowest figure is the lowest of the figures read.
    std::optional<std::int32_t> lowest;
    for (const TItemInfo& item : lists.DefaultList)
        if (item.SalesRead && (!lowest || item.Sales < *lowest))
            lowest = item.Sales;
    if (lowest != salesYield.LowestSales)
        __builtin_trap();
    return 0;
}
