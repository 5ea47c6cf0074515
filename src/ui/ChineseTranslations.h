#pragma once

class QCoreApplication;

namespace korvane {

// The toolkit's own texts in Chinese, as the rest of the window: the
// standard dialog buttons (是 / 否), and the web engine's error pages and
// context menus. Installed once, after the application object exists and
// before the first web pane starts the engine, which takes its locale then.
class TChineseTranslations {
public:
    static constexpr const char* kLocaleName = "zh_CN";
    static constexpr const char* kEngineLocaleName = "zh-CN";

    // True when every translation catalogue was found and installed.
    static bool Install(QCoreApplication& app);
};

} // namespace korvane
