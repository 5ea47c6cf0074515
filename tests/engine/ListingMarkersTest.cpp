#include "ListingMarkers.h"

#include "GbkText.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::Gbk;

namespace {

// The GBK markers are written as escaped bytes; a wrong byte would silently
// stop every match, so each is checked against the GBK conversion of the
// readable text.
TEST(ListingMarkers, GbkBytesMatchTheChineseText) {
    EXPECT_EQ(markers::kRecentSales, Gbk("最近成交"));
    EXPECT_EQ(markers::kDealsUnit, Gbk("笔"));
    EXPECT_EQ(markers::kPageEnd, Gbk("class=\"page-end\"><span>下一页</span"));
}

} // namespace
