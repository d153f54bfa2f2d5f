#include "fixed/tables.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
int gProgressCalls = 0;
int32_t gEntry4095AtSecondCall = 0;
void countProgress() {
    if (++gProgressCalls == 2) gEntry4095AtSecondCall = SineTable[4095];
}

class Tables : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gProgressCalls = 0;
        buildSineTable(countProgress);
        buildCosineTable();
    }
};
}  // namespace

TEST_F(Tables, SineHoldsTheNegatedSine) {
    EXPECT_EQ(SineTable[0], 0);
    EXPECT_EQ(SineTable[1], -6);
    EXPECT_EQ(SineTable[8192], -46340);
    EXPECT_EQ(SineTable[16383], -65535);
    EXPECT_EQ(SineTable[16384], -65536);
    EXPECT_EQ(SineTable[32768], 0);
    EXPECT_EQ(SineTable[49152], 65536);
    EXPECT_EQ(SineTable[65535], 6);
}

TEST_F(Tables, CosineIsTheSineAQuarterTurnOn) {
    EXPECT_EQ(CosineTable[0], -65536);
    EXPECT_EQ(CosineTable[16384], 0);
    EXPECT_EQ(CosineTable[32768], 65536);
    EXPECT_EQ(CosineTable[49151], 6);
    EXPECT_EQ(CosineTable[65535], -65535);
}

TEST_F(Tables, EveryEntryIsTheTruncatedNegatedSine) {
    // The accumulated angle may drift in the last bits of the double; it must
    // never move an entry across an integer.
    for (int i = 0; i < 65536; ++i) {
        const double exact = -65536.0 * std::sin(2 * M_PI * i / 65536.0);
        ASSERT_LE(std::abs(SineTable[i] - exact), 1.0) << i;
        ASSERT_EQ(CosineTable[i], SineTable[(i + 16384) & 0xFFFF]) << i;
    }
}

TEST_F(Tables, SineFillMovesTheLoadingBarSixteenTimes) {
    EXPECT_EQ(gProgressCalls, 16);
    // The second call comes once entry 4096 is stored, so 4095 is already there.
    EXPECT_EQ(gEntry4095AtSecondCall, SineTable[4095]);
    EXPECT_NE(gEntry4095AtSecondCall, 0);
}
