#pragma once

// The publisher's details: everything the window shows or opens on its behalf.
// UI texts are UTF-8 here; the window turns them into QStrings.
namespace korvane::publisher {

inline constexpr const char* kName = "Ostrevan";
inline constexpr const char* kSite = "http://www.ostrevan.com/";

// The window's caption and the application title.
inline constexpr const char* kAppTitle = "Ostrevan隐形降权探测软件";
// This program's version (the project's, "1.01"); the version document names
// it when no update is due.
inline constexpr const char* kVersion = KORVANE_VERSION_TEXT;

// Start-up version check.
inline constexpr const char* kVersionUrl = "http://www.ostrevan.com/soft/korvane/version.txt";
inline constexpr const char* kDownloadUrl =
    "http://www.ostrevan.com/soft/korvane/Ostrevan隐形降权探测软件.rar";

// Pages of the three web panes.
inline constexpr const char* kShopCaption = "Ostrevan网店"; // the fourth tab
inline constexpr const char* kHomeUrl = "http://www.ostrevan.com/";
inline constexpr const char* kDemotionNoteUrl =
    "http://www.ostrevan.com/help/yinxingjiangquan.html";
inline constexpr const char* kSoftwareListUrl = "http://www.ostrevan.com/soft/";

// The information panels beside the first two tables.
struct PanelLink {
    const char* Caption;
    const char* Text;
    const char* Url;
};
inline constexpr PanelLink kPanelLinks[3] = {
    {"官方博客：", "Ostrevan博客", "http://www.ostrevan.com/blog/"},
    {"软件下载：", "Ostrevan软件", "http://www.ostrevan.com/soft/"},
    {"交流论坛：", "Ostrevan论坛", "http://www.ostrevan.com/bbs/"},
};
// The edit box is 65 pixels wide: the number must fit it.
inline constexpr const char* kContactCaption = "客服QQ：";
inline constexpr const char* kContactNumber = "8006123";
inline constexpr const char* kContactNote = "（工作日 9:00-18:00）";

// The link at the right end of the status bar.
inline constexpr const char* kCopyrightText = "© 2012 Ostrevan  www.ostrevan.com";
inline constexpr const char* kCopyrightUrl = "http://www.ostrevan.com/";

} // namespace korvane::publisher
