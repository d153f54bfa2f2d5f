// The capture program run as a person runs it, in the run folder: the same
// request gives the same frames, a range gives the frames of a full run, the
// files hold what was in memory, the video and the sound are what the demo
// plays, and bad requests end with one line and leave nothing behind.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../music/audio_bridge_fixture.h"
#include "../music/audio_test_support.h"
#include "capture/frame_files.h"
#include "capture/options.h"
#include "capture_test_support.h"
#include "music/pattern_data.h"
#include "platform/simulated/sound_controls.h"

namespace {

namespace fs = std::filesystem;
using capturetest::capture;
using capturetest::CaptureResult;
using capturetest::probe;
using capturetest::probedValue;
using capturetest::scratch;

struct HashLine {
    uint64_t frame;
    uint64_t ms;
    int position;
    int row;
    std::string hash;
    bool operator==(const HashLine&) const = default;
};

std::vector<HashLine> readHashes(const fs::path& path) {
    std::vector<HashLine> lines;
    std::ifstream in(path);
    HashLine line;
    while (in >> line.frame >> line.ms >> line.position >> line.row >> line.hash)
        lines.push_back(line);
    return lines;
}

// The RGB565 screen a written PNG holds, each scale x scale block checked to
// be one pixel.
std::vector<uint16_t> screenFromPng(const fs::path& path, int scale) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    const bool read = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
    if (!read || image.width != 320u * scale || image.height != 240u * scale) return {};
    std::vector<uint16_t> screen(76800);
    for (int y = 0; y < int(image.height); ++y) {
        for (int x = 0; x < int(image.width); ++x) {
            const uint8_t* p = &rgb[(size_t(y) * image.width + x) * 3];
            const auto pixel = uint16_t(((p[0] >> 3) << 11) | ((p[1] >> 2) << 5) | (p[2] >> 3));
            uint16_t& cell = screen[(y / scale) * 320 + x / scale];
            if (x % scale == 0 && y % scale == 0) cell = pixel;
            if (cell != pixel) return {};
        }
    }
    return screen;
}

std::vector<int16_t> wavSamples(const fs::path& path) {
    const std::vector<uint8_t> bytes = audiotest::readFile(path.string());
    if (bytes.size() < 44 || memcmp(bytes.data(), "RIFF", 4) != 0) return {};
    return audiotest::asSamples(std::vector<uint8_t>(bytes.begin() + 44, bytes.end()));
}

}  // namespace

TEST(CaptureRun, SameRequestSameFramesAndARangeIsPartOfTheFullRun) {
    const fs::path dir = scratch("repeat");
    const CaptureResult first = capture("--hashes " + (dir / "a.txt").string() + " --to p1");
    ASSERT_EQ(first.status, 0) << first.messages;
    ASSERT_EQ(capture("--hashes " + (dir / "b.txt").string() + " --to p1").status, 0);
    const std::vector<HashLine> full = readHashes(dir / "a.txt");
    ASSERT_GT(full.size(), 300u);
    EXPECT_EQ(readHashes(dir / "b.txt"), full);

    // Frames before --from are computed, not written: what is written is the
    // full run's frames, from the first at or after 2 s.
    ASSERT_EQ(capture("--hashes " + (dir / "c.txt").string() + " --from 2000 --to p1").status, 0);
    const std::vector<HashLine> range = readHashes(dir / "c.txt");
    ASSERT_EQ(range.size(), full.size() - 120);
    EXPECT_EQ(range.front().frame, 120u);
    EXPECT_TRUE(std::equal(range.begin(), range.end(), full.begin() + 120));

    // Each line names its frame's music time and the clock's position and row.
    for (const HashLine& line : full) {
        ASSERT_EQ(line.ms, line.frame * 1000 / 60);
        const int rows = PatternData::rowsAt(int32_t(line.ms));
        ASSERT_EQ(line.position * 128 + line.row, rows);
        ASSERT_EQ(line.hash.size(), 16u);
    }
    fs::remove_all(dir);
}

TEST(CaptureRun, PngFramesHoldTheHashedScreenAndSoundHoldsTheirSlices) {
    const fs::path dir = scratch("png");
    const CaptureResult run =
        capture("--fps 60000/1001 --scale 2 --at 0,2500,5000 --frames " +
                (dir / "frames").string() + " --hashes " + (dir / "h.txt").string());
    ASSERT_EQ(run.status, 0) << run.messages;
    const std::vector<HashLine> lines = readHashes(dir / "h.txt");
    ASSERT_EQ(lines.size(), 3u);
    const FrameRate ntsc{60000, 1001};
    uint64_t samples = 0;
    for (const HashLine& line : lines) {
        char name[32];
        snprintf(name, sizeof name, "frame_%06llu.png",
                 static_cast<unsigned long long>(line.frame));
        const std::vector<uint16_t> screen = screenFromPng(dir / "frames" / name, 2);
        ASSERT_EQ(screen.size(), 76800u) << name;
        char hash[17];
        snprintf(hash, sizeof hash, "%016llx",
                 static_cast<unsigned long long>(screenHash(screen.data(), screen.size())));
        EXPECT_EQ(line.hash, hash) << name;
        samples += soundFrameAt(line.frame + 1, ntsc) - soundFrameAt(line.frame, ntsc);
    }
    EXPECT_EQ(lines[1].frame, firstFrameAtOrAfter(2500, ntsc));
    EXPECT_EQ(wavSamples(dir / "frames" / "sound.wav").size(), samples * 2);

    // The second processor's own program, emulated when asked: the same sound.
    const CaptureResult emulated =
        capture("--fps 60000/1001 --at 0,2500,5000 --frames " + (dir / "arm").string(),
                "ONDRIVALE_SECOND_CPU=emulated");
    EXPECT_EQ(emulated.messages.find("capture: the second processor runs its own ARM program"), 0u);
    EXPECT_EQ(wavSamples(dir / "arm" / "sound.wav"), wavSamples(dir / "frames" / "sound.wav"));
    fs::remove_all(dir);
}

TEST(CaptureRun, VideoHasTheFramesTheDurationAndASoundStream) {
    const fs::path dir = scratch("video");
    const fs::path video = dir / "clip.mp4";
    const CaptureResult run = capture("--out " + video.string() + " --from 1000 --to 3000");
    ASSERT_EQ(run.status, 0) << run.messages;
    const std::string streams =
        probe(video, "stream=codec_type,codec_name,nb_frames,duration,width,sample_rate,channels");
    const size_t audioAt = streams.find("codec_type=audio");
    ASSERT_NE(streams.find("codec_name=h264"), std::string::npos) << streams;
    ASSERT_NE(audioAt, std::string::npos) << streams;
    const std::string picture = streams.substr(0, audioAt);
    const std::string sound = streams.substr(audioAt);
    EXPECT_EQ(probedValue(picture, "nb_frames"), 120);  // frames 60 to 179
    EXPECT_EQ(probedValue(picture, "width"), 320);
    EXPECT_NEAR(probedValue(picture, "duration"), 2.0, 1e-6);
    EXPECT_EQ(probedValue(sound, "sample_rate"), 44100);
    EXPECT_EQ(probedValue(sound, "channels"), 2);
    EXPECT_NEAR(probedValue(sound, "duration"), 2.0, 0.03);  // AAC works in 1024-sample frames
    fs::remove_all(dir);
}

// The sound of a range is the decoder's output for exactly those samples:
// the same second-processor stand-in, run here on its own through the bridge.
TEST_F(AudioBridgeTest, CaptureRangeSoundIsTheDecodersOutputForThoseSamples) {
    const fs::path dir = scratch("sound");
    const CaptureResult run =
        capture("--frames " + (dir / "f").string() + " --from 1000 --to 1500");
    ASSERT_EQ(run.status, 0) << run.messages;
    const std::vector<int16_t> captured = wavSamples(dir / "f" / "sound.wav");
    const size_t first = 44100, end = 66150;  // frames 60 to 89 at 60 fps
    ASSERT_EQ(captured.size(), (end - first) * 2);

    soundDeviceSelect(SoundBackend::Sink);
    initQuietly();
    loadQuietly("data/ondrivale.ogg");
    AudioBridge::play();
    ASSERT_TRUE(waitForPlayed(end * 4));
    AudioBridge::stop();
    AudioBridge::shutdown();
    const std::vector<int16_t> decoded = audiotest::asSamples(played());
    const std::vector<int16_t> expected(decoded.begin() + first * 2, decoded.begin() + end * 2);
    EXPECT_FALSE(audiotest::allZero(expected, 0));
    EXPECT_TRUE(captured == expected);
    fs::remove_all(dir);
}

TEST(CaptureRun, BadRequestsEndWithOneLineAndLeaveNothing) {
    const fs::path dir = scratch("bad");
    const std::string out = (dir / "x.mp4").string();
    // An ffmpeg that refuses the job after it started.
    const fs::path tools = scratch("failing-ffmpeg");
    std::ofstream(tools / "ffmpeg") << "#!/bin/sh\necho 'Unknown encoder libx264' >&2\nexit 1\n";
    fs::permissions(tools / "ffmpeg", fs::perms::owner_all);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"--out " + out + " --fps 0", ""},
        {"--out " + (dir / "missing" / "x.mp4").string(), ""},
        {"--out " + dir.string(), ""},
        {"--out " + out, "PATH=/nonexistent"},
        {"--out " + out + " --to 500", "PATH=" + tools.string() + ":$PATH"},
        {"--hashes " + out + " --at 1,2 --to 5", ""},
    };
    for (const auto& [args, environment] : cases) {
        const CaptureResult run = capture(args, environment);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(std::count(run.messages.begin(), run.messages.end(), '\n'), 1) << run.messages;
        EXPECT_EQ(run.messages.rfind("capture: ", 0), 0u) << run.messages;
        EXPECT_TRUE(fs::is_empty(dir)) << args;
    }

    // The engine's own failure (an empty data folder here) ends the run as it
    // ends the demo, with its message as capture's own, and takes the
    // unfinished outputs with it.
    const fs::path empty = scratch("noassets");
    fs::create_directories(empty / "data");
    const CaptureResult run = capture("--hashes h.txt", "cd " + empty.string() + " &&");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.messages, "capture: error loading data/font.png\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(empty), fs::directory_iterator()), 1);
    fs::remove_all(dir);
    fs::remove_all(empty);
    fs::remove_all(tools);
}

// Ctrl-C (SIGINT), or a termination request, finishes playable files up to
// the last frame and says so; while a run writes them, another naming them
// is refused.
void stopCaptureWith(int signal) {
    const fs::path dir = scratch("interrupt");
    const std::string video = (dir / "demo.mp4").string();
    const std::string hashes = (dir / "h.txt").string();
    const std::string log = testing::TempDir() + "capture-said-" + std::to_string(getpid());
    const pid_t pid = capturetest::startCapture({"--out", video, "--hashes", hashes}, log);
    ASSERT_GT(pid, 0);
    // Past start-up and well before the end of the whole demo, held still.
    ASSERT_TRUE(audiotest::waitFor(
        [&] {
            for (const auto& entry : fs::directory_iterator(dir)) {
                if (entry.path().filename().string().rfind(".h.txt", 0) == 0 &&
                    fs::file_size(entry.path()) > 1000)
                    return true;
            }
            return false;
        },
        60));
    kill(pid, SIGSTOP);
    for (const std::string& output : {"--no-sound --out " + video, "--hashes " + hashes}) {
        const CaptureResult second = capture(output + " --at 0");
        EXPECT_EQ(second.status, 2) << output;
        EXPECT_EQ(second.messages, "capture: cannot write " + output.substr(output.rfind(' ') + 1) +
                                       ": another capture is writing it (give another name)\n");
    }
    kill(pid, signal);
    kill(pid, SIGCONT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    const std::vector<uint8_t> said = audiotest::readFile(log);
    const char* stopped =
        signal == SIGINT ? "capture: interrupted after" : "capture: terminated after";
    EXPECT_EQ(std::string(said.begin(), said.end()).rfind(stopped, 0), 0u);

    const size_t frames = readHashes(hashes).size();
    ASSERT_GT(frames, 0u);
    const std::string streams = probe(video, "stream=codec_type,nb_frames");
    EXPECT_EQ(probedValue(streams, "nb_frames"), double(frames)) << streams;
    EXPECT_NE(streams.find("codec_type=audio"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    fs::remove(log);
    fs::remove_all(dir);
}

TEST(CaptureRun, CtrlCOrATerminationFinishesPlayableFilesUpToTheLastFrame) {
    stopCaptureWith(SIGINT);
    stopCaptureWith(SIGTERM);
}
