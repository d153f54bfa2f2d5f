// What the live player plays after a jump and after a pause, as SDL's disk
// driver records it: silence, then exactly the decoder's output from the
// jump's (or the pause's) sample; nothing queued before it is heard after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "../music/audio_bridge_fixture.h"
#include "../music/audio_test_support.h"
#include "platform/desktop/controls.h"
#include "platform/simulated/sound_controls.h"
#include "player_test_support.h"

using namespace playertest;

namespace {

constexpr size_t kSecond = 44100;  // stereo samples
constexpr size_t kBytesPerSample = 4;

// After a jump or a pause the device's buffer (1024 samples) is empty, and
// the first write fills it whole: the first 1024 samples of each new sound
// are heard together. Later, when sound comes late (a machine busier than
// real time), the device plays silence between two writes.
constexpr size_t kPiece = 1024;

struct Followed {
    size_t songSamples;  // of the song, in order
    size_t heardEnd;     // just after the last of them in `heard`
};

// How far `heard` from `at` follows `song` from `from`: sample for sample,
// across the silence the device plays while sound comes late.
Followed follow(const std::vector<int16_t>& heard, size_t at, const std::vector<int16_t>& song,
                size_t from) {
    size_t h = at;
    size_t s = from;
    Followed followed{0, at};
    while (h * 2 + 1 < heard.size() && s * 2 + 1 < song.size()) {
        if (heard[h * 2] == song[s * 2] && heard[h * 2 + 1] == song[s * 2 + 1]) {
            ++h;
            ++s;
            followed = {s - from, h};
        } else if (heard[h * 2] == 0 && heard[h * 2 + 1] == 0) {
            ++h;
        } else {
            break;
        }
    }
    return followed;
}

// Where in `heard`, at or after `at`, the song's sound from `from` begins.
size_t findSound(const std::vector<int16_t>& heard, size_t at, const std::vector<int16_t>& song,
                 size_t from) {
    const auto first = song.begin() + long(from * 2);
    const auto found =
        std::search(heard.begin() + long(at * 2), heard.end(), first, first + long(kPiece * 2));
    return found == heard.end() ? SIZE_MAX : size_t(found - heard.begin()) / 2;
}

bool silent(const std::vector<int16_t>& heard, size_t from, size_t to) {
    return std::all_of(heard.begin() + long(from * 2), heard.begin() + long(to * 2),
                       [](int16_t v) { return v == 0; });
}

}  // namespace

TEST_F(AudioBridgeTest, PlayerSoundAfterAJumpOrAPauseIsTheDecodersOutputFromThatSample) {
    // The decoder's own output from the start, through the sink.
    soundDeviceSelect(SoundBackend::Sink);
    initQuietly();
    loadQuietly("data/ondrivale.ogg");
    AudioBridge::play();
    ASSERT_TRUE(waitForPlayed(20 * kSecond * 4));
    AudioBridge::stop();
    AudioBridge::shutdown();
    const std::vector<int16_t> song = audiotest::asSamples(played());

    // The player as the demo runs it, its sound paced by the disk driver at
    // about the real rate (a buffer of 1024 samples every 20 ms or so).
    const std::string recording =
        testing::TempDir() + "player-sound-" + std::to_string(getpid()) + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "20", 1);
    soundDeviceSelect(SoundBackend::Host);
    platformUseVirtualClock(0);
    startPlayer();
    const auto playFor = [&](size_t samples) {
        const size_t from = playedBytes();
        EXPECT_TRUE(waitForPlayed(from + samples * 4));
    };

    playFor(kSecond / 4);
    press(Key::Right);
    playerPass();
    playerPass();
    const size_t jumpSample = Seek::firstFrameOf(1) * kSecond / 60;
    playFor(kSecond / 2);
    for (int i = 0; i < 30; ++i) playerPass();
    press(Key::Space);
    playerPass();
    ASSERT_TRUE(playerPaused());
    const size_t pauseSample = size_t(playerPausedMusicMs()) * kSecond / 1000;
    // Paused until the driver has recorded half a second more: the sound
    // still queued, then silence, however slowly its thread runs here.
    const auto recorded = [&] { return size_t(std::filesystem::file_size(recording)); };
    const size_t pausedAt = recorded();
    ASSERT_TRUE(
        audiotest::waitFor([&] { return recorded() >= pausedAt + kSecond / 2 * kBytesPerSample; }));
    press(Key::Space);
    playerPass();
    playFor(kSecond / 2);
    demoShutDown();

    const std::vector<int16_t> heard = audiotest::asSamples(audiotest::readFile(recording));
    std::remove(recording.c_str());
    ASSERT_LT((pauseSample + kSecond) * 2, song.size());
    ASSERT_FALSE(silent(song, jumpSample, jumpSample + kPiece));
    ASSERT_FALSE(silent(song, pauseSample, pauseSample + kPiece));
    const size_t jumpAt = findSound(heard, 0, song, jumpSample);
    ASSERT_NE(jumpAt, SIZE_MAX) << "the jump's sound is not in the recording";
    const Followed jump = follow(heard, jumpAt, song, jumpSample);
    const size_t resumeAt = findSound(heard, jump.heardEnd, song, pauseSample);
    ASSERT_NE(resumeAt, SIZE_MAX) << "the sound after the pause is not in the recording";
    const Followed resume = follow(heard, resumeAt, song, pauseSample);

    // Silence, the song from its start, silence (or none), the jump's sound,
    // silence while paused, the sound from the pause's sample, silence.
    size_t startAt = 0;
    while (startAt < jumpAt && heard[startAt * 2] == 0 && heard[startAt * 2 + 1] == 0) ++startAt;
    const Followed start = follow(heard, startAt, song, 0);
    const size_t startEnd = std::min(start.heardEnd, jumpAt);
    EXPECT_GT(startEnd - startAt, kSecond / 10);
    EXPECT_TRUE(silent(heard, startEnd, jumpAt));
    EXPECT_GE(jump.songSamples, kSecond / 4);
    EXPECT_TRUE(silent(heard, jump.heardEnd, resumeAt));
    // SDL plays silence a buffer of 1024 at a time, after waiting for sound.
    EXPECT_GE(resumeAt - jump.heardEnd, 1024u) << "the pause is not heard";
    EXPECT_GE(resume.songSamples, kSecond / 4);
    EXPECT_TRUE(silent(heard, resume.heardEnd, heard.size() / 2));
}
