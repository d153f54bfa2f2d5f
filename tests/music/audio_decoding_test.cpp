// Plays generated songs end to end: bridge, simulated second processor with
// its Tremor decoder, and the sound device. What comes out must be what the
// reference decoder makes of the same file, block for block.
#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>

#include "audio_bridge_fixture.h"
#include "audio_test_support.h"
#include "platform/second_cpu.h"
#include "platform/second_cpu/controls.h"
#include "platform/simulated/sound_controls.h"

using namespace audiotest;

namespace {

// Tremor decodes in integer arithmetic; it differs from the floating-point
// reference by a step of the last bit or so, while any misplaced block
// differs by thousands.
constexpr int kTolerance = 4;

struct TestSong {
    std::vector<int16_t> reference;
    std::vector<uint8_t> bytes;
};

TestSong makeSong(const std::string& path, int frames) {
    TestSong song;
    EXPECT_TRUE(encodeOgg(sweepSignal(frames), path)) << "oggenc failed";
    song.reference = decodeReference(path);
    song.bytes = readFile(path);
    EXPECT_EQ(song.reference.size(), size_t(frames) * 2);
    return song;
}

// Number of samples before the silence that ends the capture.
size_t soundBeforeSilence(const std::vector<int16_t>& captured, size_t limit) {
    size_t sound = std::min(limit, captured.size());
    while (sound > 0 && captured[sound - 1] == 0) --sound;
    return sound;
}

}  // namespace

// The disk capture paces the decoder in real time: it runs the native decoder.
// The damaged and seek cases take blocks as they come, and run the emulated
// ARM program, so that its seeks and its handling of damage are held to the
// reference too.
class AudioDecoding : public AudioBridgeTest {
  protected:
    void TearDown() override {
        secondCpuSelect(SecondCpuKind::Native);
        AudioBridgeTest::TearDown();
    }
    // The song's damage the second processor reported by then.
    AudioBridge::SongDamage playUntilWritten(size_t bytes) {
        initQuietly();
        loadQuietly("data/ondrivale.ogg");
        AudioBridge::play();
        EXPECT_TRUE(waitForPlayed(bytes));
        const AudioBridge::SongDamage damage = AudioBridge::songDamage();
        AudioBridge::stop();
        AudioBridge::shutdown();
        return damage;
    }
};

TEST_F(AudioDecoding, DiskCaptureMatchesTheReferenceDecoder) {
    ScratchRunFolder folder;
    const TestSong song = makeSong(folder.path() + "/data/ondrivale.ogg", 44100 * 3 / 2);
    // The reference encoder shares its function names with the engine's
    // decoder: having it working in the same process must not disturb Tremor.
    vorbis_info info;
    vorbis_info_init(&info);
    ASSERT_EQ(vorbis_encode_init_vbr(&info, 2, 44100, 0.4f), 0);
    vorbis_info_clear(&info);

    const std::string capture = folder.path() + "/capture.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    soundDeviceSelect(SoundBackend::Host);
    // Half a second of the silence after the song shows that it ends cleanly.
    playUntilWritten(song.reference.size() * 2 + 44100 * 2);

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

// A cut file and a file that is no Ogg at all play what decodes up to the
// damage, then silence; a damaged stretch in the middle (bytes overwritten,
// garbage put into a page) is skipped: the music goes on at the next good
// page, in time with the reference, the stretch silent and reported in the
// control block. Neither ever hangs.
TEST_F(AudioDecoding, DamageInTheMiddleIsSkippedInTimeAndACutSongEndsInSilence) {
    ScratchRunFolder folder;
    // Long enough to span many Ogg pages, so that damage leaves whole pages before it.
    const TestSong song = makeSong(folder.path() + "/data/full.ogg", 44100 * 8);
    const size_t total = song.reference.size();
    const size_t middle = song.bytes.size() / 2;
    std::vector<uint8_t> cut(song.bytes.begin(), song.bytes.begin() + long(middle * 4 / 3));
    std::vector<uint8_t> garbage(50000), overwritten = song.bytes, inserted = song.bytes;
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 131 + (i >> 7));
    std::copy_n(garbage.begin(), 3000, overwritten.begin() + long(middle));
    inserted.insert(inserted.begin() + long(middle), garbage.begin(), garbage.begin() + 4096);

    struct Case {
        const char* name;
        const std::vector<uint8_t>& bytes;
        SecondCpuKind kind;
        size_t leastSound, mostSound;  // before the first silence
        bool goesOn;
    } cases[] = {{"cut", cut, SecondCpuKind::Emulated, total / 3, total * 9 / 10, false},
                 {"garbage", garbage, SecondCpuKind::Emulated, 0, 0, false},
                 {"overwritten", overwritten, SecondCpuKind::Emulated, total / 4, total / 2, true},
                 {"inserted", inserted, SecondCpuKind::Native, total / 4, total / 2, true}};
    soundDeviceSelect(SoundBackend::Sink);
    for (const Case& c : cases) {
        secondCpuSelect(c.kind);
        const size_t before = playedBytes() / 2;
        writeFile("data/ondrivale.ogg", c.bytes.data(), c.bytes.size());
        const auto damage = playUntilWritten(before * 2 + total * 2 + kSoundBlockBytes);
        const std::vector<int16_t> all = asSamples(played());
        const std::vector<int16_t> captured(all.begin() + long(before), all.end());
        ASSERT_GE(captured.size(), total) << c.name;
        // The reference, silent from the first silence on, or over the stretch
        // reported: the damaged page and the next one, whose place in the song
        // its end states (a page of this plain signal holds a second of it).
        const size_t silentFrom = c.goesOn ? damage.from * 2 : soundBeforeSilence(captured, total);
        const size_t silentTo = c.goesOn ? damage.to * 2 : total;
        EXPECT_EQ(damage.count, c.goesOn ? 1u : 0u) << c.name;
        EXPECT_GE(silentFrom, c.leastSound) << c.name;
        EXPECT_LE(silentFrom, c.mostSound) << c.name;
        EXPECT_LE(silentTo - silentFrom, c.goesOn ? 44100u * 5 : total) << c.name;
        std::vector<int16_t> expected = song.reference;
        std::fill(expected.begin() + long(silentFrom), expected.begin() + long(silentTo), 0);
        EXPECT_LE(largestDifference(captured, expected, total), kTolerance) << c.name;
        EXPECT_TRUE(allZero(captured, total)) << c.name;
    }
}

// A seek asked while stopped: what was queued is dropped, and the sound goes
// on from the sample asked for, in a cut song too (bisection finds its last
// page); a song that never decodes stays silent.
TEST_F(AudioDecoding, ASeekGoesOnFromItsSampleEvenInACutSong) {
    ScratchRunFolder folder;
    const TestSong song = makeSong(folder.path() + "/data/full.ogg", 44100 * 8);
    std::vector<uint8_t> cut(song.bytes.begin(),
                             song.bytes.begin() + long(song.bytes.size() * 2 / 3));
    std::vector<uint8_t> garbage(50000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 131 + (i >> 7));
    constexpr size_t kTarget = 44100 * 3 + 1234;  // stereo samples, inside the cut song's sound
    constexpr size_t kCompared = 44100;

    struct Case {
        const char* name;
        const std::vector<uint8_t>& bytes;
        bool sound;
    } cases[] = {{"whole", song.bytes, true}, {"cut", cut, true}, {"garbage", garbage, false}};
    soundDeviceSelect(SoundBackend::Sink);
    secondCpuSelect(SecondCpuKind::Emulated);
    for (const Case& c : cases) {
        const size_t before = playedBytes() / 4;
        writeFile("data/ondrivale.ogg", c.bytes.data(), c.bytes.size());
        initQuietly();
        loadQuietly("data/ondrivale.ogg");
        AudioBridge::play();
        EXPECT_TRUE(waitForPlayed((before + 44100 / 2) * 4));
        AudioBridge::stop();
        AudioBridge::seek(uint32_t(kTarget));
        AudioBridge::play();
        EXPECT_TRUE(waitForPlayed((before + 44100 * 3) * 4));
        AudioBridge::stop();
        AudioBridge::shutdown();

        const std::vector<int16_t> all = asSamples(played());
        const std::vector<int16_t> heard(all.begin() + long(before * 2), all.end());
        if (!c.sound) {
            EXPECT_TRUE(allZero(heard, 0)) << c.name;
            continue;
        }
        // The song from its start up to a block's end, then from the target.
        size_t k = 0;
        while (k < heard.size() && std::abs(heard[k] - song.reference[k]) <= kTolerance) ++k;
        k -= k % (kSoundBlockBytes / 2);
        EXPECT_GE(k, size_t(44100 / 2) * 2) << c.name;
        const std::vector<int16_t> after(heard.begin() + long(k), heard.end());
        const std::vector<int16_t> expected(song.reference.begin() + long(kTarget * 2),
                                            song.reference.end());
        ASSERT_GE(after.size(), kCompared * 2) << c.name;
        EXPECT_LE(largestDifference(after, expected, kCompared * 2), kTolerance) << c.name;
    }
}
