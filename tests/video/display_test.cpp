#include "video/display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/clock.h"
#include "platform/desktop/controls.h"
#include "platform/present.h"
#include "video/visible_screen.h"

namespace {

struct Band {
    int top, height;
};

void recordBand(void* context, const uint16_t*, int, int top, int height) {
    static_cast<std::vector<Band>*>(context)->push_back({top, height});
}

}  // namespace

TEST(Display, OneScreenPresentedWholeThenByBand) {
    std::vector<Band> bands;
    setPresentObserver(recordBand, &bands);
    Display* display = Display::instance();
    EXPECT_EQ(display, Display::instance());
    ASSERT_EQ(bands.size(), 1u);  // the constructor's own present, whole screen
    EXPECT_EQ(bands[0].height, 240);

    display->present();  // fullUpdate is set after construction
    display->present();  // then the band 0..239
    display->fullUpdate = false;
    display->updateTop = 48;
    display->updateHeight = 192;
    display->present();
    display->present();  // the band stays until changed
    display->fullUpdate = true;
    display->present();
    ASSERT_EQ(bands.size(), 6u);
    EXPECT_EQ(bands[1].top, 0);
    EXPECT_EQ(bands[1].height, 240);
    EXPECT_EQ(bands[2].height, 240);
    EXPECT_EQ(bands[3].top, 48);
    EXPECT_EQ(bands[3].height, 192);
    EXPECT_EQ(bands[4].top, 48);
    EXPECT_EQ(bands[5].top, 0);
    EXPECT_EQ(bands[5].height, 240);
    EXPECT_FALSE(display->fullUpdate);
    EXPECT_EQ(display->updateTop, 48);  // a full present keeps the band for later
    setPresentObserver(nullptr, nullptr);
}

TEST(Display, StartsWithFarDepthAndClearsEveryEntry) {
    Display* display = Display::instance();
    EXPECT_EQ(display->depth[0], 65536000);
    EXPECT_EQ(display->depth[76799], 65536000);
    EXPECT_EQ(display->width, 320);
    EXPECT_EQ(display->height, 240);
    display->clearDepth(100);
    for (int i = 0; i < 76800; ++i) ASSERT_EQ(display->depth[i], 100) << i;
    // Again with the same value: the rows noted as written are cleared, the
    // first and last among them included; with another value, every row.
    std::fill_n(display->depth + 30 * 320, 3 * 320, 7);
    display->noteDepthRows(30, 33);
    display->clearDepth(100);
    for (int i = 0; i < 76800; ++i) ASSERT_EQ(display->depth[i], 100) << i;
    display->clearDepth(0x1E0000);
    for (int i = 0; i < 76800; ++i) ASSERT_EQ(display->depth[i], 0x1E0000) << i;
}

TEST(Display, FrameRateCountsCallsStrictlyBetweenWindowCloses) {
    platformUseVirtualClock(5000);
    Display* display = Display::instance();
    EXPECT_EQ(display->framesPerSecond(), 0);  // closes the start-up window, count 0
    int last = -1;
    for (int i = 1; i <= 100; ++i) {
        platformAdvanceVirtualClock(10);
        last = display->framesPerSecond();
        ASSERT_EQ(last, 0) << i;  // still the first second
    }
    platformAdvanceVirtualClock(10);  // 1010 ms after the window opened: it closes
    EXPECT_EQ(display->framesPerSecond(), 100);
    for (int i = 0; i < 101; ++i) {
        platformAdvanceVirtualClock(10);
        last = display->framesPerSecond();
    }
    EXPECT_EQ(last, 100);
}
