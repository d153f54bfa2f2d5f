#include "platform/second_cpu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "code940/code940_writer.h"
#include "platform/code940/code940_image.h"
#include "platform/mem_device.h"
#include "platform/registers.h"
#include "platform/second_cpu/arm_emulator.h"
#include "platform/second_cpu/controls.h"
#include "platform/simulated/simulated_memory.h"
#include "platform/sound_control_block.h"

namespace {

std::vector<uint8_t> builtImage() {
    std::ifstream in(std::string(DEMO_RUN_DIR) + "/code940.bin", std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A finished image whose program is `code` (ARM words) right after the header.
std::vector<uint8_t> imageRunning(std::vector<uint32_t> code) {
    std::vector<uint8_t> image = builtImage();
    image.resize(CODE940_HEADER_END);
    const uint32_t branchToCode = 0xEA000000u | ((CODE940_HEADER_END - 8) / 4);
    for (int i = 0; i < 4; ++i) image[i] = uint8_t(branchToCode >> (8 * i));
    for (uint32_t word : code) {
        for (int i = 0; i < 4; ++i) image.push_back(uint8_t(word >> (8 * i)));
    }
    const uint32_t codeLength = uint32_t(image.size());
    for (int i = 0; i < 4; ++i) {
        image[CODE940_CODE_LENGTH_OFFSET + i] = uint8_t(codeLength >> (8 * i));
    }
    EXPECT_EQ(finishCode940Image(image), "");
    return image;
}

SoundControlBlock* control() {
    return reinterpret_cast<SoundControlBlock*>(simulatedSecondCpuMemory() + kControlBlockOffset);
}

}  // namespace

// The second processor follows its clock and reset registers; the tests write
// them through the register accessor, as the bridge does.
class SecondCpu : public ::testing::Test {
  protected:
    void SetUp() override {
        memset(simulatedSecondCpuMemory(), 0, kControlBlockOffset + sizeof(SoundControlBlock));
        registers_ = simulatedRegisterBlock();
        secondCpuSelect(SecondCpuKind::Emulated);
    }
    void TearDown() override {
        set(0, kSecondCpuHeldInReset);
        secondCpuSelect(SecondCpuKind::Native);
        secondCpuCountInstructions(false);
    }
    void set(uint16_t clock, uint16_t reset) {
        registerWrite(registers_, kRegSecondCpuReset, reset);
        registerWrite(registers_, kRegSecondCpuClock, clock);
    }
    void load(const std::vector<uint8_t>& image) {
        std::copy(image.begin(), image.end(), simulatedSecondCpuMemory());
    }
    volatile uint16_t* registers_ = nullptr;
};

TEST_F(SecondCpu, RunsOurImageOnlyWithClockOnAndOutOfResetInBank3) {
    load(builtImage());
    set(0, kSecondCpuReleased);
    EXPECT_FALSE(secondCpuProgramRunning()) << "clock off";
    set(1, kSecondCpuHeldInReset);
    EXPECT_FALSE(secondCpuProgramRunning()) << "held in reset";
    set(1, 0x00);
    EXPECT_FALSE(secondCpuProgramRunning()) << "another memory bank: our image is not at its 0";
    set(1, kSecondCpuReleased);
    EXPECT_TRUE(secondCpuProgramRunning());
    usleep(50000);  // long enough to have changed its data
    registerWrite(registers_, kRegSecondCpuClock, 0);
    EXPECT_FALSE(secondCpuProgramRunning()) << "stopping the clock halts and joins the program";
    set(1, kSecondCpuReleased);
    EXPECT_TRUE(secondCpuProgramRunning()) << "and it can be started again";
    registerWrite(registers_, kRegSecondCpuReset, kSecondCpuHeldInReset);
    EXPECT_FALSE(secondCpuProgramRunning()) << "reset halts it too";
}

TEST_F(SecondCpu, EmptyCutOrForeignImageLeavesItIdle) {
    const std::vector<uint8_t> image = builtImage();
    ASSERT_TRUE(code940ImageRecognised(image.data(), image.size()));
    EXPECT_LT(image.size(), size_t(kControlBlockOffset));
    std::vector<uint8_t> otherVersion = image;
    otherVersion[CODE940_HEADER_OFFSET + 8] ^= 1;
    std::vector<uint8_t> changed = image;
    changed[code940Word(image.data(), CODE940_CODE_LENGTH_OFFSET) / 2] ^= 0x10;
    std::vector<uint8_t> foreign(image.size(), 0xE1);

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {{"empty", {}},
                 {"cut", {image.begin(), image.begin() + long(image.size() / 2)}},
                 {"another version", otherVersion},
                 {"a changed byte", changed},
                 {"foreign", foreign}};
    for (const Case& c : cases) {
        memset(simulatedSecondCpuMemory(), 0, image.size());
        load(c.bytes);
        set(1, kSecondCpuReleased);
        EXPECT_FALSE(secondCpuProgramRunning()) << c.name;
        set(0, kSecondCpuHeldInReset);
    }
}

// A program that faults stops the emulated processor with one line; the
// halt that follows still ends its run, and a good image runs again after.
TEST_F(SecondCpu, FaultingProgramStopsWithOneLine) {
    struct Case {
        const char* name;
        std::vector<uint32_t> code;
        std::string line;
    } cases[] = {
        {"undefined",
         {0xE3A00001, 0xE7F000F0},
         "second processor stopped: undefined instruction at 0x00000040"},
        {"jump", {0xE3A0F40F}, "second processor stopped: jump to 0x0F000000, outside its memory"},
        {"read",
         {0xE3A0040F, 0xE5901000},
         "second processor stopped: read at 0x0F000000, outside its memory"},
        {"write",
         {0xE3A004FF, 0xE5800000},
         "second processor stopped: write at 0xFF000000, outside its memory"},
    };
    for (const Case& c : cases) {
        load(imageRunning(c.code));
        testing::internal::CaptureStdout();
        set(1, kSecondCpuReleased);
        for (int i = 0; i < 30000 && !secondCpuProgramFaulted(); ++i) usleep(1000);
        set(0, kSecondCpuHeldInReset);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.line + "\n") << c.name;
    }
    load(builtImage());
    set(1, kSecondCpuReleased);
    EXPECT_TRUE(secondCpuProgramRunning());
    EXPECT_FALSE(secondCpuProgramFaulted());
}

// A program that loops forever without waiting is still halted.
TEST_F(SecondCpu, HaltStopsAProgramThatNeverWaits) {
    load(imageRunning({0xEAFFFFFE}));  // b .
    set(1, kSecondCpuReleased);
    usleep(20000);
    set(0, kSecondCpuHeldInReset);
    EXPECT_FALSE(secondCpuProgramRunning());
}

// Without a song the program idles: the emulator sleeps in its idle routine
// and executes nothing more while nobody writes the control block. It never
// waits for an interrupt, which nothing on the console would raise.
TEST_F(SecondCpu, EmulatedProgramSleepsUntilTheControlBlockIsWritten) {
    load(builtImage());
    secondCpuCountInstructions(true);
    const ArmEmulatorFigures before = secondCpuEmulationFigures();
    set(1, kSecondCpuReleased);
    for (int i = 0; i < 30000 && !armEmulatorSleeping(); ++i) usleep(1000);
    usleep(300000);
    set(0, kSecondCpuHeldInReset);
    const ArmEmulatorFigures idle = secondCpuEmulationFigures();
    EXPECT_GE(idle.waits - before.waits, 1u);
    EXPECT_EQ(idle.interruptWaits - before.interruptWaits, 0u);
    // Start-up (zeroing .bss and the decoder state) is some 30000; spinning
    // for 300 ms would be millions.
    EXPECT_LT(idle.instructions - before.instructions, 100000u) << "it does not spin";
}

// A song that claims to run past the end of the memory is not read: the
// program fills silence, and only while playing; both ways of running it.
TEST_F(SecondCpu, ProgramFillsSilenceForASongOutsideItsMemoryOnlyWhilePlaying) {
    for (SecondCpuKind kind : {SecondCpuKind::Emulated, SecondCpuKind::Native}) {
        secondCpuSelect(kind);
        load(builtImage());
        memset(control(), 0, sizeof(SoundControlBlock));
        memset(control()->blocks[0].samples, 0x7F, kSoundBlockBytes);
        control()->songOffset = kSongOffset;
        control()->songLength = kSongCapacity + 1;
        sharedStore(control()->songLoaded, 1);
        sharedStore(control()->songReady, 1);
        set(1, kSecondCpuReleased);
        usleep(20000);
        EXPECT_EQ(sharedLoad(control()->blocks[0].full), 0u) << "not playing yet";
        sharedStore(control()->playing, 1);
        // A bound for a hang only: under the sanitizers on a busy machine the
        // emulated start-up alone can take seconds.
        for (int i = 0; i < 60000 && sharedLoad(control()->blocks[1].full) == 0; ++i) usleep(1000);
        EXPECT_EQ(sharedLoad(control()->blocks[0].full), 1u);
        EXPECT_EQ(sharedLoad(control()->blocks[1].full), 1u);
        EXPECT_EQ(control()->blocks[0].samples[100], 0);
        set(0, kSecondCpuHeldInReset);
    }
}
