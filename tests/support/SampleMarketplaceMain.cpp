// The sample shop on a loopback marketplace, for trying the shipped program
// from outside (scripts/windows-trial.sh): prints "127.0.0.1:PORT", then
// serves until its input closes.
#include "FixtureMarketplace.h"
#include "SampleShop.h"

#include <iostream>
#include <string>

int main() {
    using korvane::test::FixtureMarketplace;
    const korvane::test::TSampleShop shop = korvane::test::SampleShop();
    FixtureMarketplace marketplace;
    marketplace.SetShop(FixtureMarketplace::ShopPages(shop.BySales),
                        FixtureMarketplace::ShopPages(shop.ByDefault));
    std::cout << marketplace.Host() << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
    }
    return 0;
}
