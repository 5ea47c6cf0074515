#pragma once

#include <QSplashScreen>

namespace korvane {

// The sign of life while the version check holds the window back: a small
// picture with the program's name and 正在检查新版本…, shown before the check
// asks anything and gone before the check's question box or the window
// shows. On a slow publisher's site the check may take its whole 5 seconds,
// and a seller who sees nothing starts the program again.
class TStartSplash final : public QSplashScreen {
    Q_OBJECT
public:
    static constexpr QSize kSize{360, 110};

    TStartSplash();

    // Shows at once, painted before the caller goes on to block.
    void ShowNow();
};

} // namespace korvane
