#include "music/audio_bridge.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "audio_bridge_fixture.h"
#include "audio_test_support.h"
#include "code940/code940_writer.h"
#include "core/frame_plan.h"
#include "platform/code940/decoder_program.h"
#include "platform/registers.h"
#include "platform/second_cpu.h"

using audiotest::ScratchRunFolder;
using audiotest::waitFor;

using AudioBridgeMessages = AudioBridgeTest;

TEST_F(AudioBridgeMessages, WithDeviceTheProcessorStartsBeforeInitReturns) {
    ScratchRunFolder folder;
    audiotest::writeFile("data/ondrivale.ogg", "OggS", 4);
    soundDeviceSelect(SoundBackend::Sink);
    testing::internal::CaptureStdout();
    AudioBridge::init();
    const bool programRunning = secondCpuProgramRunning();
    AudioBridge::loadSong("data/ondrivale.ogg");
    AudioBridge::play();
    AudioBridge::stop();
    AudioBridge::shutdown();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(lines(out), (std::vector<std::string>{"init...", "startup...", "startup done..",
                                                    "entering thread loop", "init done", "loading ",
                                                    "loading done"}));
    EXPECT_TRUE(programRunning);
    EXPECT_FALSE(secondCpuProgramRunning()) << "the thread's end halts the second processor";
}

TEST_F(AudioBridgeMessages, WithoutDeviceNothingStartsAndTheSongGoesToTheFixedOffset) {
    ScratchRunFolder folder;
    const char song[] = "a song that is not decoded";
    audiotest::writeFile("data/ondrivale.ogg", song, sizeof song);
    // Left over from an earlier run: must not be trusted, the thread never initialised it.
    control()->songOffset = 0x123456;
    soundDeviceSelect(SoundBackend::None);
    testing::internal::CaptureStdout();
    AudioBridge::init();
    AudioBridge::loadSong("data/ondrivale.ogg");
    AudioBridge::play();
    AudioBridge::stop();
    AudioBridge::shutdown();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(lines(out),
              (std::vector<std::string>{"init...", "init done", "loading ", "loading done"}));
    EXPECT_EQ(memcmp(simulatedSecondCpuMemory() + kSongOffset, song, sizeof song), 0);
    EXPECT_EQ(control()->songLength, sizeof song);
    EXPECT_EQ(writesSeen(), 0u);
    EXPECT_FALSE(secondCpuProgramRunning());
}

TEST_F(AudioBridgeMessages, WithoutCode940TheThreadWaitsUntilShutdown) {
    ScratchRunFolder folder(false);
    soundDeviceSelect(SoundBackend::Sink);
    testing::internal::CaptureStdout();
    AudioBridge::init();
    AudioBridge::loadSong("data/ondrivale.ogg");  // missing: no message, nothing set
    AudioBridge::play();
    const bool programRunning = secondCpuProgramRunning();
    AudioBridge::stop();
    AudioBridge::shutdown();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(lines(out), (std::vector<std::string>{"init...", "startup...", "entering thread loop",
                                                    "init done"}));
    EXPECT_FALSE(programRunning);
    EXPECT_EQ(control()->songReady, 0u);
    EXPECT_EQ(control()->songLoaded, 0u);
    EXPECT_EQ(writesSeen(), 0u);
}

TEST_F(AudioBridgeMessages, OversizedImageIsNotStarted) {
    ScratchRunFolder folder(false);
    std::filesystem::resize_file((audiotest::writeFile("code940.bin", "", 0), "code940.bin"),
                                 kControlBlockOffset + 1);
    soundDeviceSelect(SoundBackend::Sink);
    testing::internal::CaptureStdout();
    AudioBridge::init();
    AudioBridge::shutdown();
    EXPECT_EQ(
        lines(testing::internal::GetCapturedStdout()),
        (std::vector<std::string>{"init...", "startup...", "entering thread loop", "init done"}));
    EXPECT_EQ(control()->songOffset, kSongOffset) << "the control block was not overwritten";
    EXPECT_EQ(AudioBridge::musicProblem(demoEndMs())
                  .rfind("code940.bin is larger than the 2 MiB before the sound control block", 0),
              0u);
}

// An image the second processor does not run (empty, cut, one byte
// altered) is copied but never released: on the console the processor would
// run whatever its memory holds.
TEST_F(AudioBridgeMessages, DamagedImageStaysHaltedInReset) {
    ScratchRunFolder folder(false);
    const std::vector<uint8_t> built = audiotest::builtCode940();
    std::vector<uint8_t> altered = built;
    altered[altered.size() / 3] ^= 0x40;
    const std::vector<std::vector<uint8_t>> images = {
        {}, {built.begin(), built.begin() + built.size() / 2}, altered};
    for (const std::vector<uint8_t>& image : images) {
        audiotest::writeFile("code940.bin", image.data(), image.size());
        soundDeviceSelect(SoundBackend::Sink);
        testing::internal::CaptureStdout();
        AudioBridge::init();
        const uint16_t reset = registerRead(AudioBridge::registers, kRegSecondCpuReset);
        AudioBridge::shutdown();
        EXPECT_EQ(lines(testing::internal::GetCapturedStdout()),
                  (std::vector<std::string>{"init...", "startup...", "entering thread loop",
                                            "init done"}));
        EXPECT_EQ(reset, kSecondCpuHeldInReset) << image.size() << " bytes";
    }
}

// Why the demo would play on silently, found from the files before anything
// starts, and said by start-up in one line.
TEST_F(AudioBridgeMessages, MusicProblemSaysWhyNoMusicCanCome) {
    ScratchRunFolder folder(false);
    const auto problemWith = [](const std::string& image, const std::string& song) {
        std::filesystem::remove("code940.bin");
        std::filesystem::remove("data/ondrivale.ogg");
        if (image != "none") audiotest::writeFile("code940.bin", image.data(), image.size());
        if (song != "none") audiotest::writeFile("data/ondrivale.ogg", song.data(), song.size());
        return AudioBridge::musicProblem(demoEndMs());
    };
    const std::vector<uint8_t> built = audiotest::builtCode940();
    const std::string image(built.begin(), built.end());
    const std::vector<uint8_t> real =
        audiotest::readFile(std::string(DEMO_RUN_DIR) + "/data/ondrivale.ogg");
    const std::string song(real.begin(), real.end());
    std::string noise(1 << 16, '\0');
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = char((i * 2654435761u) >> 13);

    EXPECT_EQ(problemWith(image, song), "");
    EXPECT_EQ(problemWith("none", song), "code940.bin is missing");
    EXPECT_EQ(problemWith(image.substr(0, image.size() / 2), song),
              "code940.bin is not a program the second processor runs");
    EXPECT_EQ(problemWith(image, "none"), "data/ondrivale.ogg is missing");
    EXPECT_EQ(problemWith(image, noise), "data/ondrivale.ogg is not an Ogg Vorbis stream");
    EXPECT_EQ(problemWith(image, ""), "data/ondrivale.ogg is not an Ogg Vorbis stream");
    // Its length is the last whole page's granule position: 4069184 samples
    // for the first half of the file, 247616 for its first 100000 bytes.
    EXPECT_EQ(problemWith(image, song.substr(0, song.size() / 2)),
              "data/ondrivale.ogg ends at 92.2 s, the demo needs 186.4 s");
    EXPECT_EQ(problemWith(image, song.substr(0, 100000)),
              "data/ondrivale.ogg ends at 5.6 s, the demo needs 186.4 s");
    // The whole song lasts the demo; a demo a millisecond past its end would not.
    const uint64_t songMs = songSamples(real.data(), real.size()) * 1000 / 44100;
    problemWith(image, song);
    EXPECT_EQ(AudioBridge::musicProblem(uint32_t(songMs)), "");
    EXPECT_NE(AudioBridge::musicProblem(uint32_t(songMs + 1)), "");
    EXPECT_EQ(problemWith("none", "none"),
              "code940.bin is missing, and data/ondrivale.ogg is missing");

    testing::internal::CaptureStdout();
    AudioBridge::warnIfNoMusic(demoEndMs());
    problemWith(image, song);
    AudioBridge::warnIfNoMusic(demoEndMs());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "no music: code940.bin is missing, and data/ondrivale.ogg is missing\n");
}

// A second processor that works without ever filling a block (an image whose
// entry is `b .`) is halted with one line once the song plays, and only then:
// while the song is not playing no sound is due, however long it works.
TEST_F(AudioBridgeMessages, ProcessorThatNeverFillsABlockIsHaltedWithOneLine) {
    ScratchRunFolder folder(false);
    std::vector<uint8_t> image = audiotest::builtCode940();
    const uint32_t branchToItself = 0xEAFFFFFE;
    memcpy(image.data(), &branchToItself, 4);
    ASSERT_EQ(finishCode940Image(image), "");
    audiotest::writeFile("code940.bin", image.data(), image.size());
    const std::vector<uint8_t> song =
        audiotest::readFile(std::string(DEMO_RUN_DIR) + "/data/ondrivale.ogg");
    audiotest::writeFile("data/ondrivale.ogg", song.data(), song.size());
    secondCpuSelect(SecondCpuKind::Emulated);
    soundDeviceSelect(SoundBackend::Sink);
    testing::internal::CaptureStdout();
    AudioBridge::init();
    AudioBridge::loadSong("data/ondrivale.ogg");
    // More of its work than the watch allows, before any sound is due.
    EXPECT_TRUE(waitFor([] { return secondCpuWorkNanoseconds() > 5500000000u; }, 120));
    const bool runsWhileNotPlaying = secondCpuProgramRunning();
    AudioBridge::play();
    const bool halted = waitFor([] { return !secondCpuProgramRunning(); }, 120);
    AudioBridge::stop();
    AudioBridge::shutdown();
    secondCpuSelect(SecondCpuKind::Native);
    EXPECT_TRUE(runsWhileNotPlaying);
    EXPECT_TRUE(halted);
    std::vector<std::string> said;
    for (const std::string& line : lines(testing::internal::GetCapturedStdout())) {
        if (line.rfind("second processor", 0) == 0) said.push_back(line);
    }
    EXPECT_EQ(said, std::vector<std::string>{"second processor stopped: no sound after 5 s of its "
                                             "work; it is halted and the demo plays on silently"});
    EXPECT_EQ(writesSeen(), 0u);
}

// The test plays the second processor here: no code940.bin, so the simulated
// one stays idle, and the test fills the blocks itself.
TEST_F(AudioBridgeTest, BlocksArePlayedZeroOneInTurnAndOnlyWhenFull) {
    ScratchRunFolder folder(false);
    soundDeviceSelect(SoundBackend::Sink);
    initQuietly();
    AudioBridge::play();
    SoundControlBlock* block = control();
    memset(block->blocks[1].samples, 0x11, kSoundBlockBytes);
    sharedStore(block->blocks[1].full, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(writesSeen(), 0u) << "block 1 must wait for block 0";

    memset(block->blocks[0].samples, 0x22, kSoundBlockBytes);
    sharedStore(block->blocks[0].full, 1);
    ASSERT_TRUE(waitFor([&] { return writesSeen() == 2; }));
    ASSERT_TRUE(waitFor([&] { return sharedLoad(block->blocks[1].full) == 0; }));
    EXPECT_EQ(sharedLoad(block->blocks[0].full), 0u);

    memset(block->blocks[1].samples, 0x33, kSoundBlockBytes);
    sharedStore(block->blocks[1].full, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(writesSeen(), 2u) << "the next block due is 0, not 1 again";
    memset(block->blocks[0].samples, 0x44, kSoundBlockBytes);
    sharedStore(block->blocks[0].full, 1);
    ASSERT_TRUE(waitFor([&] { return writesSeen() == 4; }));

    AudioBridge::shutdown();
    const std::vector<uint8_t> out = played();
    ASSERT_EQ(out.size(), 4 * kSoundBlockBytes);
    const uint8_t expected[] = {0x22, 0x11, 0x44, 0x33};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(out[i * kSoundBlockBytes], expected[i]) << "write " << i;
        EXPECT_EQ(out[(i + 1) * kSoundBlockBytes - 1], expected[i]) << "write " << i;
    }
}

TEST_F(AudioBridgeTest, ShutdownWithoutInitOrTwiceReturns) {
    AudioBridge::shutdown();
    soundDeviceSelect(SoundBackend::None);
    testing::internal::CaptureStdout();
    AudioBridge::init();
    AudioBridge::shutdown();
    AudioBridge::shutdown();
    AudioBridge::play();  // after shutdown: nothing to switch
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(control()->playing, 0u);
}

TEST_F(AudioBridgeTest, EmptySongIsPublishedAndPlaysSilence) {
    ScratchRunFolder folder;
    audiotest::writeFile("data/ondrivale.ogg", "", 0);
    soundDeviceSelect(SoundBackend::Sink);
    initQuietly();
    loadQuietly("data/ondrivale.ogg");
    EXPECT_EQ(control()->songLength, 0u);
    EXPECT_EQ(control()->songLoaded, 1u);
    EXPECT_EQ(control()->songReady, 1u);
    AudioBridge::play();
    ASSERT_TRUE(waitFor([&] { return writesSeen() >= 3; }));
    AudioBridge::stop();
    AudioBridge::shutdown();
    EXPECT_TRUE(audiotest::allZero(audiotest::asSamples(played()), 0));
}

// The song area runs to the end of the second processor's memory: a song of
// exactly its size fits, one byte more is refused before anything is copied.
TEST_F(AudioBridgeTest, SongLargerThanItsAreaIsRefusedAndMusicProblemSaysSo) {
    ScratchRunFolder folder;
    const std::vector<uint8_t> song(kSongCapacity + 1, 0x5A);
    audiotest::writeFile("data/ondrivale.ogg", song.data(), song.size());
    soundDeviceSelect(SoundBackend::None);
    initQuietly();
    testing::internal::CaptureStdout();
    AudioBridge::loadSong("data/ondrivale.ogg");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "musicProblem says why";
    EXPECT_EQ(AudioBridge::musicProblem(demoEndMs()),
              "data/ondrivale.ogg does not fit the 8912896 bytes of the song area");
    EXPECT_EQ(control()->songReady, 0u);
    EXPECT_EQ(simulatedSecondCpuMemory()[kSongOffset], 0) << "nothing was copied";

    audiotest::writeFile("data/ondrivale.ogg", song.data(), kSongCapacity);
    loadQuietly("data/ondrivale.ogg");
    AudioBridge::shutdown();
    EXPECT_EQ(control()->songLength, kSongCapacity);
    EXPECT_EQ(simulatedSecondCpuMemory()[kSecondCpuMemorySize - 1], 0x5A);
}

TEST_F(AudioBridgeMessages, WithoutRegisterWindowOrMemoryEverythingStaysSilent) {
    ScratchRunFolder folder;
    audiotest::writeFile("data/ondrivale.ogg", "OggS", 4);
    soundDeviceSelect(SoundBackend::Sink);
    AudioBridge::registers = nullptr;  // the register mapping failed
    testing::internal::CaptureStdout();
    AudioBridge::init();
    const bool programRunning = secondCpuProgramRunning();
    AudioBridge::shutdown();
    AudioBridge::memDevice = -1;  // the memory device did not open
    AudioBridge::init();
    AudioBridge::loadSong("data/ondrivale.ogg");
    AudioBridge::play();
    AudioBridge::shutdown();
    EXPECT_EQ(
        lines(testing::internal::GetCapturedStdout()),
        (std::vector<std::string>{"init...", "startup...", "startup done..", "entering thread loop",
                                  "init done", "init...", "init done"}));
    EXPECT_FALSE(programRunning) << "the second processor never saw its release";
    EXPECT_EQ(control()->playing, 0u);
    EXPECT_EQ(writesSeen(), 0u);
}
