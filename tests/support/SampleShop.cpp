#include "SampleShop.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace korvane::test {

TSampleShop SampleShop() {
    const char* titles[] = {"2012秋装新款韩版修身长袖连衣裙", "纯棉宽松短袖T恤 男女同款",
                            "真皮商务男士钱包 短款",          "加厚保暖羽绒服 中长款",
                            "复古帆布双肩包 学生书包",        "夏季新款雪纺碎花半身裙"};
    TSampleShop shop;
    for (int i = 0; i < 60; ++i)
        shop.ByDefault.push_back(MakeItem(std::to_string(15000000000LL + i * 7919),
                                          std::string(titles[i % 6]) + " " + std::to_string(i + 1),
                                          std::to_string(39 + (i * 17) % 200) + ".00",
                                          std::to_string((i * 37) % 90)));
    // Sorted by position: moving whole items through stable_sort draws a false
    // "may be used uninitialized" from GCC 12 at -O3.
    std::vector<std::size_t> order(shop.ByDefault.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::stoi(*shop.ByDefault[a].SalesText) > std::stoi(*shop.ByDefault[b].SalesText);
    });
    for (std::size_t i : order)
        shop.BySales.push_back(shop.ByDefault[i]);
    shop.BySales.erase(shop.BySales.begin() + 3);  // two top sellers go missing from
    shop.BySales.erase(shop.BySales.begin() + 10); // the sales listing: demoted
    return shop;
}

} // namespace korvane::test
