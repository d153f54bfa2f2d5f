// The second processor's own ARM program, run in the emulator, against the
// same decoder built for this machine: through the bridge, over the whole
// soundtrack the build made, the two must give the very same samples (Tremor
// is integer code; any difference is a fault of one build), its damage
// skipped alike.
#include <gtest/gtest.h>

#include "audio_bridge_fixture.h"
#include "audio_test_support.h"
#include "platform/second_cpu.h"
#include "platform/second_cpu/controls.h"
#include "platform/simulated/sound_controls.h"

using namespace audiotest;

namespace {

// The song's length in stereo frames: the granule position of its last page.
uint64_t oggFrames(const std::vector<uint8_t>& bytes) {
    for (size_t i = bytes.size() >= 27 ? bytes.size() - 27 : 0; i-- > 0;) {
        if (memcmp(&bytes[i], "OggS", 4) != 0) continue;
        uint64_t granule = 0;
        for (int b = 7; b >= 0; --b) granule = granule << 8 | bytes[i + 6 + b];
        return granule;
    }
    return 0;
}

}  // namespace

// Not named Audio*: the emulation alone takes about a minute of CPU, once is
// enough, so the ThreadSanitizer leg (Audio*) and the sanitizer build leave it
// to the plain build.
class EmulatedDecoder : public AudioBridgeTest {
  protected:
    void TearDown() override {
        secondCpuSelect(SecondCpuKind::Native);
        AudioBridgeTest::TearDown();
    }
    std::vector<int16_t> playWhole(SecondCpuKind kind, size_t blocks) {
        const size_t before = playedBytes();
        const size_t writesBefore = writesSeen();
        const size_t bytes = blocks * kSoundBlockBytes;
        secondCpuSelect(kind);
        initQuietly();
        loadQuietly("data/ondrivale.ogg");
        AudioBridge::play();
        EXPECT_TRUE(waitFor([&] { return writesSeen() >= writesBefore + blocks; }, 1200));
        EXPECT_EQ(AudioBridge::songDamage().count, 1u);
        AudioBridge::stop();
        AudioBridge::shutdown();
        const std::vector<uint8_t> all = played();
        return asSamples(
            std::vector<uint8_t>(all.begin() + long(before), all.begin() + long(before + bytes)));
    }
};

TEST_F(EmulatedDecoder, GivesTheNativeSamplesForTheWholeSoundtrackDamagedInTheMiddle) {
#ifdef DEMO_SANITIZED
    GTEST_SKIP() << "the plain build compares the samples";
#endif
    ScratchRunFolder folder;
    std::vector<uint8_t> song = readFile(std::string(DEMO_RUN_DIR) + "/data/ondrivale.ogg");
    const uint64_t frames = oggFrames(song);
    // 4 KB of garbage in the middle, as a damaged copy may have.
    std::vector<uint8_t> garbage(4096);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 131 + (i >> 7));
    song.insert(song.begin() + long(song.size() / 2), garbage.begin(), garbage.end());
    writeFile("data/ondrivale.ogg", song.data(), song.size());
    ASSERT_GT(frames, 44100u * 60) << "the soundtrack is minutes long";
    // Up to the block after the song's end, which is silence.
    const size_t blocks = size_t(frames * 4 / kSoundBlockBytes) + 2;
    soundDeviceSelect(SoundBackend::Sink);

    const std::vector<int16_t> native = playWhole(SecondCpuKind::Native, blocks);
    const std::vector<int16_t> emulated = playWhole(SecondCpuKind::Emulated, blocks);
    ASSERT_EQ(native.size(), emulated.size());
    size_t firstDifference = 0;
    while (firstDifference < native.size() &&
           native[firstDifference] == emulated[firstDifference]) {
        ++firstDifference;
    }
    EXPECT_EQ(firstDifference, native.size()) << "first different sample (stereo pairs count 2)";
    EXPECT_FALSE(allZero(native, 0));
    EXPECT_TRUE(allZero(native, size_t(frames) * 2)) << "silence after the end";
}
