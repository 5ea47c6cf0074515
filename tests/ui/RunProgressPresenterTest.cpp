#include "RunProgressPresenter.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct EndCase {
    TPassOutcome sales;
    TPassOutcome defaults;
    const char* text;
};

TEST(RunProgressPresenterTest, EndOfRunTexts) {
    using E = TPassEnd;
    const EndCase cases[] = {
        {{E::EndMarker, 3}, {E::EndMarker, 3}, ""},
        {{E::Stopped, 2}, {E::Stopped, 0}, "已停止：销量排序只读到第2页，未做比较。"},
        // A stop during the first page leaves no page read to name.
        {{E::Stopped, 0}, {E::Stopped, 0}, "已停止：销量排序第1页未读完，未做比较。"},
        {{E::EndMarker, 3}, {E::Stopped, 4}, "已停止：默认排序只读到第4页，结果只含前4页的宝贝。"},
        {{E::EndMarker, 3}, {E::Stopped, 0}, "已停止：默认排序第1页未读完，未做比较。"},
        // The stop is what the seller did last: it wins over a bound.
        {{E::NoItems, 7}, {E::Stopped, 2}, "已停止：默认排序只读到第2页，结果只含前2页的宝贝。"},
        {{E::PageLimit, 100},
         {E::EndMarker, 9},
         "销量排序读到第100页仍未到最后一页，已停止读取，结果可能不完整。"},
        {{E::EndMarker, 2},
         {E::NoItems, 5},
         "默认排序读到第5页时已连续5页没有读到宝贝，已停止读取，结果可能不完整。"},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TRunProgressPresenter::EndText({c.sales, c.defaults}), QString::fromUtf8(c.text));
    }
}

} // namespace
