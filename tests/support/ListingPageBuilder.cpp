#include "ListingPageBuilder.h"

#include "GbkText.h"

namespace korvane::test {

ListingPageBuilder& ListingPageBuilder::Add(FixtureItem item) {
    Items.push_back(std::move(item));
    return *this;
}

ListingPageBuilder& ListingPageBuilder::AddItems(const std::vector<FixtureItem>& items) {
    Items.insert(Items.end(), items.begin(), items.end());
    return *this;
}

ListingPageBuilder& ListingPageBuilder::Last(bool last) {
    IsLast = last;
    return *this;
}

ListingPageBuilder& ListingPageBuilder::ItemPadding(std::size_t bytes) {
    ItemPad = bytes;
    return *this;
}

ListingPageBuilder& ListingPageBuilder::PagePadding(std::size_t bytes) {
    PagePad = bytes;
    return *this;
}

ListingPageBuilder& ListingPageBuilder::WithoutListMarker() {
    HasListMarker = false;
    return *this;
}

ListingPageBuilder& ListingPageBuilder::WithoutSideBar() {
    HasSideBar = false;
    return *this;
}

std::string FillerMarkup(std::size_t bytes) {
    // Markup dense in '<', 'c' and GBK text, like the marketplace's own
    // service icons and shop badges, so marker searches meet near misses.
    static const std::string chunk =
        "<span class=\"icon-service\" title=\"" + Gbk("消费者保障服务，卖家承诺商品如实描述") +
        "\"></span><div class=\"col seller\"><span class=\"loc\">" + Gbk("浙江 杭州") +
        "</span><cite class=\"rate\" data-level=\"4\"></cite></div>\n";
    std::string out;
    out.reserve(bytes + chunk.size());
    while (out.size() < bytes)
        out += chunk;
    return out;
}

std::string ListingPageBuilder::Build() const {
    const std::string headPad = FillerMarkup(PagePad / 2);
    const std::string itemPad = FillerMarkup(ItemPad);

    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"gbk\"><title>" +
                       Gbk("淘宝搜索") + "</title></head><body>\n<div id=\"page\">" + headPad +
                       "<div class=\"col-main\">\n";
    page += HasListMarker ? "<ul class=\"list-view clearfix\">\n" : "<ul class=\"grid-view\">\n";
    for (const FixtureItem& item : Items) {
        page += "<li class=\"list-item\" data-spm=\"1\">";
        if (item.RawPiece) {
            page += *item.RawPiece;
            continue;
        }
        const std::string link = "http://item.taobao.com/item.htm?id=" + item.Id + item.IdTail;
        if (item.ImageLinkFirst)
            page += "\n<div class=\"photo\"><a href=\"" + link +
                    "\" target=\"_blank\"><img src=\"http://img.example/1.jpg\" /></a></div>";
        page += "\n<h3 class=\"summary\"><a href=\"" + link + "\" target=\"_blank\">" + item.Title +
                "</a></h3>\n<ul class=\"attribute\"><li class=\"price\"><em>" + item.Price +
                "</em></li>";
        if (item.SalesText)
            page += "<li class=\"dealing\"><span>" + Gbk("最近成交") + *item.SalesText + Gbk("笔") +
                    "</span></li>";
        page += "</ul>\n" + itemPad + "</li>\n";
    }
    page += "</ul>\n<div class=\"page-bar\">";
    page += IsLast ? "<span class=\"page-end\"><span>" + Gbk("下一页") + "</span></span>"
                   : "<a class=\"page-next\" href=\"#\">" + Gbk("下一页") + "</a>";
    page += "</div></div>\n";
    if (HasSideBar)
        page += "<div id=\"SideBarBox\" ><div class=\"side\">" + FillerMarkup(PagePad / 2) +
                "</div></div>\n";
    page += "</div></body></html>\n";
    return page;
}

FixtureItem MakeItem(const std::string& id, const std::string& titleUtf8, const std::string& price,
                     std::optional<std::string> salesText) {
    FixtureItem item;
    item.Id = id;
    item.Title = Gbk(titleUtf8);
    item.Price = price;
    item.SalesText = std::move(salesText);
    return item;
}

} // namespace korvane::test
