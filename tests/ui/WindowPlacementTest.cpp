#include "WindowPlacement.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

TEST(WindowPlacementTest, StoredPositionWhenTheWholeWindowFitsElseJustEnoughToFit) {
    // The window's outer size, frame included, which is also its minimum.
    const QSize frame(1025, 653);
    struct Case {
        const char* screen;
        QRect area; // available: the screen less its panels
        QPoint expected;
    };
    const Case cases[] = {
        {"1920 x 1080, panel below", {0, 0, 1920, 1040}, {204, 175}},
        {"fits exactly at the stored position", {0, 0, 1229, 828}, {204, 175}},
        {"one pixel short each way", {0, 0, 1228, 827}, {203, 174}},
        {"1366 x 768 laptop, panel below", {0, 0, 1366, 728}, {204, 75}},
        {"1366 x 768, panel above", {0, 32, 1366, 736}, {204, 115}},
        {"1280 x 800, panel on the left", {64, 0, 1216, 800}, {204, 147}},
        {"1350 x 800, a panel wider than the stored left", {250, 0, 1100, 800}, {250, 147}},
        {"1024 x 768: too narrow for the minimum", {0, 0, 1024, 728}, {0, 75}},
        {"1600 x 640: too low for the minimum", {0, 0, 1600, 600}, {204, 0}},
        {"800 x 600: neither fits", {0, 0, 800, 600}, {0, 0}},
        {"neither fits, panel above", {0, 27, 800, 573}, {0, 27}},
        {"no screen known", {}, {204, 175}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen);
        const QPoint at = TWindowPlacement::StartPosition(c.area, frame, frame);
        EXPECT_EQ(at, c.expected) << at.x() << ", " << at.y();
        // Whatever fits lies wholly inside the area.
        if (!c.area.isEmpty() && frame.width() <= c.area.width() &&
            frame.height() <= c.area.height()) {
            EXPECT_TRUE(c.area.contains(QRect(at, frame)));
        }
    }
}

TEST(WindowPlacementTest, AWindowLargerThanItsMinimumStillKeepsItsTitleBarOnScreen) {
    // The start size is larger than the minimum: the minimum fits, the start
    // size does not, so the window goes as far up and left as the area allows.
    const QPoint at =
        TWindowPlacement::StartPosition({0, 0, 1100, 700}, QSize(1200, 800), QSize(1025, 653));
    EXPECT_EQ(at, QPoint(0, 0));
}

} // namespace
