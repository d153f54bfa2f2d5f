// The rules a capture follows, checked in-process: the frame schedule and the
// clock that follows it, what the command line accepts, which frames and
// samples a run writes, what reaches the visible screen, the hash, and that
// outputs never leave half-written files or replace what is not a file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "capture/frame_files.h"
#include "capture/options.h"
#include "capture/staged_output.h"
#include "music/pattern_data.h"
#include "platform/present.h"
#include "platform/screen_layout.h"
#include "video/display.h"
#include "video/visible_screen.h"

namespace {

namespace fs = std::filesystem;

constexpr FrameRate k60{60, 1};
constexpr FrameRate kNtsc{60000, 1001};

bool parse(std::vector<const char*> args, CaptureOptions* options, std::string* error) {
    return parseCaptureOptions(int(args.size()), args.data(), options, error);
}

}  // namespace

TEST(FrameSchedule, FrameTimesAt60AndAtNtscRateWithoutDrift) {
    const uint64_t at60[] = {0, 16, 33, 50, 66, 83, 100};
    for (uint64_t n = 0; n < 7; ++n) EXPECT_EQ(frameTimeMs(n, k60), at60[n]) << n;
    EXPECT_EQ(frameTimeMs(60, k60), 1000u);
    // 60000/1001: 16.683 ms a frame; whole seconds of 1001 ms every 60 frames.
    const uint64_t atNtsc[] = {0, 16, 33, 50, 66, 83, 100, 116};
    for (uint64_t n = 0; n < 8; ++n) EXPECT_EQ(frameTimeMs(n, kNtsc), atNtsc[n]) << n;
    EXPECT_EQ(frameTimeMs(60, kNtsc), 1001u);
    EXPECT_EQ(frameTimeMs(600000, kNtsc), 10010000u);  // no drift: 100 minutes on

    // The first frame at or after, and the last at or before, each
    // millisecond, at both rates.
    for (FrameRate rate : {k60, kNtsc}) {
        for (uint64_t ms = 0; ms < 3000; ++ms) {
            const uint64_t n = firstFrameAtOrAfter(ms, rate);
            ASSERT_GE(frameTimeMs(n, rate), ms);
            if (n > 0) {
                ASSERT_LT(frameTimeMs(n - 1, rate), ms);
            }
            const uint64_t last = lastFrameAtOrBefore(ms, rate);
            ASSERT_LE(frameTimeMs(last, rate), ms);
            ASSERT_GT(frameTimeMs(last + 1, rate), ms);
        }
    }
}

TEST(CaptureOptions, RatesTimesAndRanges) {
    FrameRate rate;
    ASSERT_TRUE(parseFrameRate("60000/1001", &rate));
    EXPECT_EQ(rate.numerator, 60000u);
    EXPECT_EQ(rate.denominator, 1001u);
    ASSERT_TRUE(parseFrameRate("59.94", &rate));
    EXPECT_EQ(rate.numerator, 2997u);  // 5994/100 reduced
    EXPECT_EQ(rate.denominator, 50u);
    for (const char* bad : {"0", "1001", "0.5", "60/0", "1/2", "6o", "", "60.", "-60"}) {
        EXPECT_FALSE(parseFrameRate(bad, &rate)) << bad;
    }

    // A position starts at the first millisecond the music clock shows it.
    uint32_t ms = 0;
    ASSERT_TRUE(parseMusicTime("p20", &ms));
    EXPECT_EQ(PatternData::rowsAt(int32_t(ms)), 20 * 128);
    EXPECT_EQ(PatternData::rowsAt(int32_t(ms) - 1), 20 * 128 - 1);
    EXPECT_FALSE(parseMusicTime("p36", &ms));
    EXPECT_FALSE(parseMusicTime("1.5", &ms));

    // The demo ends with the first frame of position 35; --to is exclusive.
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--hashes", "-", "--from", "1000", "--to=p1"}, &options, &error)) << error;
    FramePlan plan;
    ASSERT_TRUE(makeFramePlan(options, &plan, &error)) << error;
    EXPECT_EQ(PatternData::rowsAt(int32_t(frameTimeMs(plan.endFrame, k60))), 35 * 128);
    EXPECT_LT(PatternData::rowsAt(int32_t(frameTimeMs(plan.endFrame - 1, k60))), 35 * 128);
    EXPECT_EQ(plan.firstWrittenFrame(), 60u);
    EXPECT_FALSE(plan.writes(59));
    EXPECT_TRUE(plan.writes(60));
    EXPECT_LT(PatternData::rowsAt(int32_t(frameTimeMs(plan.lastFrame(), k60))), 128);
    EXPECT_EQ(PatternData::rowsAt(int32_t(frameTimeMs(plan.lastFrame() + 1, k60))), 128);
    EXPECT_EQ(plan.writtenCount(), plan.lastFrame() - 59);

    // --at: the first frame at or after each time, each once.
    CaptureOptions at;
    ASSERT_TRUE(parse({"--hashes", "-", "--at", "1000,17,1000,16"}, &at, &error));
    ASSERT_TRUE(makeFramePlan(at, &plan, &error));
    EXPECT_EQ(plan.at, (std::vector<uint64_t>{1, 2, 60}));
    EXPECT_EQ(plan.lastFrame(), 60u);
    EXPECT_EQ(plan.nextWrittenAfter(2), 60u);

    // The end frame falls a little after the end; its own time still names it.
    const uint64_t endFrame = plan.endFrame;
    const std::string endFrameMs = std::to_string(frameTimeMs(endFrame, k60));
    ASSERT_GT(frameTimeMs(endFrame, k60), demoEndMs());
    CaptureOptions atEnd;
    ASSERT_TRUE(parse({"--hashes", "-", "--at", endFrameMs.c_str()}, &atEnd, &error));
    ASSERT_TRUE(makeFramePlan(atEnd, &plan, &error)) << error;
    EXPECT_EQ(plan.at, (std::vector<uint64_t>{endFrame}));
    const std::string afterEndFrame = std::to_string(frameTimeMs(endFrame, k60) + 1);
    CaptureOptions pastEnd;
    ASSERT_TRUE(parse({"--hashes", "-", "--at", afterEndFrame.c_str()}, &pastEnd, &error));
    EXPECT_FALSE(makeFramePlan(pastEnd, &plan, &error));
}

TEST(CaptureOptions, EachFrameCarriesItsOwnSamples) {
    // A range's sound is continuous: its slices add up to the range's samples.
    CaptureOptions options;
    options.rate = kNtsc;
    options.hasFrom = options.hasTo = true;
    options.fromMs = 1000;
    options.toMs = 2000;
    FramePlan plan;
    std::string error;
    ASSERT_TRUE(makeFramePlan(options, &plan, &error));
    uint64_t total = 0;
    for (uint64_t n = plan.firstWrittenFrame(); n <= plan.lastFrame(); ++n) {
        total += soundFrameAt(n + 1, kNtsc) - soundFrameAt(n, kNtsc);
        ASSERT_EQ(plan.soundSamplesThrough(n), total);
    }
    EXPECT_EQ(soundFrameAt(60, kNtsc), 44144u);  // 1.001 s of samples
    EXPECT_EQ(plan.soundSamplesThrough(plan.firstWrittenFrame() - 1), 0u);
}

TEST(CaptureOptions, BadRequestsAreRefusedWithOneLine) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"--fps", "60"},
        {"--hashes", "-", "--fps", "0"},
        {"--hashes", "-", "--scale", "9"},
        {"--hashes", "-", "--from", "p40"},
        {"--hashes", "-", "--at", "5,,6"},
        {"--hashes", "-", "--at", "5", "--from", "0"},
        {"--hashes", "-", "--colour"},
        {"--hashes"},
        {"extra"},
        {"--out", "-"},
        {"--out", "demo.avi"},
        {"--out", "demo"},
    };
    for (const auto& args : bad) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(parse(args, &options, &error)) << args.size();
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    // Each refusal says what it refuses.
    const std::vector<std::pair<std::vector<const char*>, std::string>> said = {
        {{"--hashes", "-", "--colour"}, "unknown option --colour (capture --help lists them)"},
        {{"--hashes", "-", "--colour=red"}, "unknown option --colour (capture --help lists them)"},
        {{"--hashes", "-", "-c"}, "unknown option -c (capture --help lists them)"},
        {{"--hashes"}, "--hashes needs a value"},
        {{"--hashes", "-", "--no-sound=yes"}, "--no-sound takes no value"},
        {{"--hashes", "-", "extra"},
         "unexpected argument 'extra' (capture --help lists the options)"},
    };
    for (const auto& [args, message] : said) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(parse(args, &options, &error));
        EXPECT_EQ(error, message);
    }
    // The video's container comes from its name.
    EXPECT_STREQ(videoContainer("a/demo.mp4"), "mp4");
    EXPECT_STREQ(videoContainer("demo.MKV"), "matroska");
    EXPECT_STREQ(videoContainer("demo.mov"), "mov");
    EXPECT_EQ(videoContainer(".mp4"), nullptr);

    CaptureOptions options;
    std::string error;
    FramePlan plan;
    ASSERT_TRUE(parse({"--hashes", "-", "--from", "3000", "--to", "3000"}, &options, &error));
    EXPECT_FALSE(makeFramePlan(options, &plan, &error));
    EXPECT_EQ(error, "no frame lies in the range: --from 3000 ms is not before --to 3000 ms");
    // Without --from the line speaks of --to alone.
    options = CaptureOptions();
    ASSERT_TRUE(parse({"--hashes", "-", "--to", "0"}, &options, &error));
    EXPECT_FALSE(makeFramePlan(options, &plan, &error));
    EXPECT_EQ(error, "no frame lies before --to 0 ms: the first frame is at 0 ms");
    options = CaptureOptions();
    ASSERT_TRUE(parse({"--hashes", "-", "--at", "999999"}, &options, &error));
    EXPECT_FALSE(makeFramePlan(options, &plan, &error));
}

// What a viewer sees changes only where a present sent rows; a band that
// reaches below the screen is not sent at all, as SDL_UpdateRect refuses it.
TEST(VisibleScreen, OnlyPresentedRowsReachTheViewer) {
    Display* display = Display::instance();
    const auto fill = [&](uint16_t colour) { std::fill_n(display->pixels, 76800, colour); };
    const auto row = [&](int y) { return visibleScreen()[y * 320 + 7]; };

    fill(0x1111);
    display->fullUpdate = true;
    display->present();
    fill(0x2222);  // drawn, not presented
    EXPECT_EQ(row(100), 0x1111);

    display->updateTop = 48;
    display->updateHeight = 192 - 48;
    display->present();  // the letterboxed band only
    EXPECT_EQ(row(47), 0x1111);
    EXPECT_EQ(row(48), 0x2222);
    EXPECT_EQ(row(191), 0x2222);
    EXPECT_EQ(row(192), 0x1111);

    fill(0x3333);
    display->updateTop = 200;
    display->updateHeight = 60;
    display->present();
    EXPECT_EQ(row(220), 0x1111);
    EXPECT_EQ(row(100), 0x2222);

    display->fullUpdate = true;
    display->present();
    EXPECT_EQ(row(0), 0x3333);
    EXPECT_EQ(row(239), 0x3333);
}

TEST(VisibleScreen, FullScreenIsTheLargestWholeFactorCentred) {
    const struct {
        int areaWidth, areaHeight, maxScale;
        ScreenLayout expected;
    } cases[] = {
        {1280, 1024, 64, {4, 0, 32}},    // black bands above and below
        {1920, 1080, 64, {4, 320, 60}},  // and beside
        {1366, 768, 64, {3, 203, 24}},  {3840, 2160, 64, {9, 480, 0}},
        {1088, 870, 4, {3, 64, 75}},  // the window's factor within 85% of 1280x1024
        {300, 200, 64, {1, 0, 0}},    // too small: the top left corner
    };
    for (const auto& c : cases) {
        const ScreenLayout layout =
            platformFitScreen(320, 240, c.areaWidth, c.areaHeight, c.maxScale);
        EXPECT_EQ(layout.scale, c.expected.scale) << c.areaWidth;
        EXPECT_EQ(layout.x, c.expected.x) << c.areaWidth;
        EXPECT_EQ(layout.y, c.expected.y) << c.areaWidth;
    }
}

TEST(ScreenHash, Fnv1aOverLittleEndianBytes) {
    EXPECT_EQ(screenHash(nullptr, 0), 0xcbf29ce484222325ull);
    const uint16_t ab = 0x6261;                            // the bytes 'a', 'b'
    EXPECT_EQ(screenHash(&ab, 1), 0x089c4407b545986aull);  // FNV-1a 64 of "ab"

    // Hashed side by side, every screen still gets its own hash, in its place.
    std::vector<std::vector<uint16_t>> screens(kScreensHashedTogether);
    uint32_t seed = 12345;
    for (auto& screen : screens) {
        screen.resize(76800);
        for (uint16_t& pixel : screen) pixel = uint16_t((seed = seed * 1103515245 + 12345) >> 16);
    }
    const uint16_t* pointers[kScreensHashedTogether];
    for (size_t k = 0; k < screens.size(); ++k) pointers[k] = screens[k].data();
    for (size_t together = 1; together <= kScreensHashedTogether; ++together) {
        uint64_t hashes[kScreensHashedTogether] = {};
        screenHashes(pointers, together, 76800, hashes);
        for (size_t k = 0; k < kScreensHashedTogether; ++k) {
            EXPECT_EQ(hashes[k], k < together ? screenHash(pointers[k], 76800) : 0)
                << together << " together, screen " << k;
        }
    }
}

TEST(StagedOutput, NothingHalfWrittenAndNothingReplaced) {
    const fs::path dir = fs::path(testing::TempDir()) / ("staged-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string error;

    // A file appears under its name only when committed.
    {
        StagedOutput out;
        ASSERT_TRUE(out.prepare((dir / "a.txt").string(), StagedOutput::Kind::File, &error));
        std::ofstream((out.stagingPath())) << "half";
        EXPECT_FALSE(fs::exists(dir / "a.txt"));
    }  // abandoned
    EXPECT_TRUE(fs::is_empty(dir));

    // A pipe (like /dev/null) is written into, never renamed over.
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    {
        StagedOutput out;
        ASSERT_TRUE(out.prepare((dir / "pipe").string(), StagedOutput::Kind::File, &error));
        EXPECT_EQ(out.stagingPath(), (dir / "pipe").string());
        ASSERT_TRUE(out.commit(&error));
    }
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));

    // An empty folder that exists receives the new files; one with files is
    // refused, so that two runs never mix.
    fs::create_directories(dir / "frames");
    {
        StagedOutput out;
        ASSERT_TRUE(out.prepare((dir / "frames/").string(), StagedOutput::Kind::Folder, &error));
        std::ofstream(fs::path(out.stagingPath()) / "frame_000001.png") << "new";
        ASSERT_TRUE(out.commit(&error));
    }
    EXPECT_TRUE(fs::exists(dir / "frames" / "frame_000001.png"));

    StagedOutput out;
    EXPECT_FALSE(out.prepare((dir / "frames").string(), StagedOutput::Kind::Folder, &error));
    EXPECT_FALSE(out.prepare((dir / "frames").string(), StagedOutput::Kind::File, &error));
    EXPECT_FALSE(out.prepare((dir / "none" / "x").string(), StagedOutput::Kind::File, &error));
    fs::remove_all(dir);
}
