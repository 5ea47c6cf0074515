#pragma once

#include "ListingPageBuilder.h"

#include <vector>

namespace korvane::test {

// The shop the screenshots and the trials from outside show: 60 items of
// mixed sales on two pages of each listing, two of the best sellers missing
// from the sales listing (demoted).
struct TSampleShop {
    std::vector<FixtureItem> BySales;
    std::vector<FixtureItem> ByDefault;
};

TSampleShop SampleShop();

} // namespace korvane::test
