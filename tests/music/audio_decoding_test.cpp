// Plays generated songs end to end: bridge, simulated second processor with
// its Tremor decoder, and the sound device. What comes out must be what the
// reference decoder makes of the same file, block for block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "audio_bridge_fixture.h"
#include "audio_test_support.h"

using namespace audiotest;

namespace {

// Tremor decodes in integer arithmetic; it differs from the floating-point
// reference by a few steps of the last bit, while any misplaced block differs
// by thousands.
constexpr int kTolerance = 4;
constexpr int kShortSongFrames = 44100 * 3 / 2;
// Long enough to span many Ogg pages, so that a cut or a damaged page still
// leaves whole pages of sound before it.
constexpr int kLongSongFrames = 44100 * 8;

struct TestSong {
    std::vector<int16_t> reference;
    std::vector<uint8_t> bytes;
};

TestSong makeSong(const std::string& path, int frames) {
    TestSong song;
    EXPECT_TRUE(encodeOgg(sweepSignal(frames), path)) << "encoding failed";
    song.reference = decodeReference(path);
    song.bytes = readFile(path);
    EXPECT_EQ(song.reference.size(), size_t(frames) * 2);
    return song;
}

void playUntil(AudioBridgeTest* test, size_t bytes, std::function<size_t()> played) {
    (void)test;
    AudioBridgeTest::initQuietly();
    AudioBridgeTest::loadQuietly("data/ondrivale.ogg");
    AudioBridge::play();
    EXPECT_TRUE(waitFor([&] { return played() >= bytes; }, 60)) << played() << " of " << bytes;
    AudioBridge::stop();
    AudioBridge::shutdown();
}

}  // namespace

TEST_F(AudioBridgeTest, DiskCaptureMatchesTheReferenceDecoder) {
    ScratchRunFolder folder;
    const TestSong song = makeSong(folder.path() + "/data/ondrivale.ogg", kShortSongFrames);
    const std::string capture = folder.path() + "/capture.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    soundDeviceSelect(SoundBackend::Sdl);
    const size_t songBytes = song.reference.size() * 2;
    // Half a second of the silence after the song shows that it ends cleanly.
    playUntil(this, songBytes + 44100 * 2, [&] { return played().size(); });

    // SDL plays silence while paused, before the first write: the song starts
    // after a stretch of zeros whose length depends on timing.
    const std::vector<int16_t> file = asSamples(readFile(capture));
    const std::vector<int16_t> written = asSamples(played());
    ASSERT_GE(written.size(), song.reference.size());
    const auto start = std::search(file.begin(), file.end(), written.begin(), written.end());
    ASSERT_TRUE(start != file.end()) << "the file holds every written block, in order";
    const std::vector<int16_t> captured(start, file.end());
    EXPECT_TRUE(allZero(std::vector<int16_t>(file.begin(), start), 0));
    EXPECT_LE(largestDifference(captured, song.reference, song.reference.size()), kTolerance);
    EXPECT_TRUE(allZero(captured, song.reference.size()));
}

TEST_F(AudioBridgeTest, TruncatedSongPlaysUpToTheCutThenSilence) {
    ScratchRunFolder folder;
    const TestSong song = makeSong(folder.path() + "/data/full.ogg", kLongSongFrames);
    const size_t keep = song.bytes.size() * 2 / 3;
    writeFile("data/ondrivale.ogg", song.bytes.data(), keep);
    soundDeviceSelect(SoundBackend::Sink);
    playUntil(this, song.reference.size() * 2 + kSoundBlockBytes, [&] { return played().size(); });

    const std::vector<int16_t> captured = asSamples(played());
    ASSERT_GE(captured.size(), song.reference.size());
    size_t sound = song.reference.size();
    while (sound > 0 && captured[sound - 1] == 0) --sound;
    EXPECT_GT(sound, song.reference.size() / 3);
    EXPECT_LT(sound, song.reference.size() * 9 / 10);
    EXPECT_LE(largestDifference(captured, song.reference, sound), kTolerance);
    EXPECT_TRUE(allZero(captured, sound));
}

TEST_F(AudioBridgeTest, DamagedSongGoesSilentFromTheDamageWithoutHanging) {
    ScratchRunFolder folder;
    const TestSong song = makeSong(folder.path() + "/data/full.ogg", kLongSongFrames);
    std::vector<uint8_t> damaged = song.bytes;
    for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 3000; ++i)
        damaged[i] = uint8_t(i * 37);
    writeFile("data/ondrivale.ogg", damaged.data(), damaged.size());
    soundDeviceSelect(SoundBackend::Sink);
    playUntil(this, song.reference.size() * 2 + kSoundBlockBytes, [&] { return played().size(); });

    const std::vector<int16_t> captured = asSamples(played());
    size_t sound = song.reference.size();
    while (sound > 0 && captured[sound - 1] == 0) --sound;
    EXPECT_GT(sound, song.reference.size() / 4);
    EXPECT_LT(sound, song.reference.size());
    EXPECT_LE(largestDifference(captured, song.reference, sound), kTolerance);
    EXPECT_TRUE(allZero(captured, sound));
}

TEST_F(AudioBridgeTest, GarbageInsteadOfASongPlaysSilence) {
    ScratchRunFolder folder;
    std::vector<uint8_t> garbage(50000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 131 + (i >> 7));
    writeFile("data/ondrivale.ogg", garbage.data(), garbage.size());
    soundDeviceSelect(SoundBackend::Sink);
    playUntil(this, 4 * kSoundBlockBytes, [&] { return played().size(); });
    EXPECT_TRUE(allZero(asSamples(played()), 0));
}
