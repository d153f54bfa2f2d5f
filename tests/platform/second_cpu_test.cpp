#include "platform/second_cpu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "platform/code940_image.h"
#include "platform/mem_device.h"
#include "platform/registers.h"
#include "platform/simulated_memory.h"
#include "platform/sound_control_block.h"

// The second processor follows its clock and reset registers; the tests write
// them through the register accessor, as the bridge does.
class SecondCpu : public ::testing::Test {
  protected:
    void SetUp() override {
        memset(simulatedSecondCpuMemory(), 0, 64);
        registers_ = simulatedRegisterBlock();
    }
    void TearDown() override { set(0, kSecondCpuHeldInReset); }
    void set(uint16_t clock, uint16_t reset) {
        registerWrite(registers_, kRegSecondCpuReset, reset);
        registerWrite(registers_, kRegSecondCpuClock, clock);
    }
    void loadOurImage() {
        const auto image = code940Image();
        memcpy(simulatedSecondCpuMemory(), image.data(), image.size());
    }
    volatile uint16_t* registers_ = nullptr;
};

TEST_F(SecondCpu, RunsOurImageOnlyWithClockOnAndOutOfResetInBank3) {
    loadOurImage();
    set(0, kSecondCpuReleased);
    EXPECT_FALSE(secondCpuProgramRunning()) << "clock off";
    set(1, kSecondCpuHeldInReset);
    EXPECT_FALSE(secondCpuProgramRunning()) << "held in reset";
    set(1, 0x00);
    EXPECT_FALSE(secondCpuProgramRunning()) << "another memory bank: our image is not at its 0";
    set(1, kSecondCpuReleased);
    EXPECT_TRUE(secondCpuProgramRunning());
    registerWrite(registers_, kRegSecondCpuClock, 0);
    EXPECT_FALSE(secondCpuProgramRunning()) << "stopping the clock halts and joins the program";
    set(1, kSecondCpuReleased);
    EXPECT_TRUE(secondCpuProgramRunning()) << "and it can be started again";
    registerWrite(registers_, kRegSecondCpuReset, kSecondCpuHeldInReset);
    EXPECT_FALSE(secondCpuProgramRunning()) << "reset halts it too";
}

TEST_F(SecondCpu, EmptyOrForeignImageLeavesItIdle) {
    set(1, kSecondCpuReleased);
    EXPECT_FALSE(secondCpuProgramRunning()) << "empty memory";
    set(0, kSecondCpuHeldInReset);
    loadOurImage();
    simulatedSecondCpuMemory()[8] = uint8_t(kCode940Version + 1);
    set(1, kSecondCpuReleased);
    EXPECT_FALSE(secondCpuProgramRunning()) << "another version";
}

// A song that claims to run past the end of the memory is not read: the
// program fills silence, and only while playing.
TEST_F(SecondCpu, ProgramFillsSilenceForASongOutsideItsMemoryOnlyWhilePlaying) {
    loadOurImage();
    SoundControlBlock* control =
        reinterpret_cast<SoundControlBlock*>(simulatedSecondCpuMemory() + kControlBlockOffset);
    memset(control, 0, sizeof *control);
    memset(control->blocks[0].samples, 0x7F, kSoundBlockBytes);
    control->songOffset = kSongOffset;
    control->songLength = kSongCapacity + 1;
    control->songLoaded = 1;
    control->songReady = 1;
    set(1, kSecondCpuReleased);
    usleep(20000);
    EXPECT_EQ(sharedLoad(control->blocks[0].full), 0u) << "not playing yet";
    sharedStore(control->playing, 1);
    for (int i = 0; i < 5000 && sharedLoad(control->blocks[1].full) == 0; ++i) usleep(1000);
    EXPECT_EQ(sharedLoad(control->blocks[0].full), 1u);
    EXPECT_EQ(sharedLoad(control->blocks[1].full), 1u);
    EXPECT_EQ(control->blocks[0].samples[100], 0);
}
