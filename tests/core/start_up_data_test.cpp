// Start-up refuses the data it cannot play with one line that says why, and
// exit status 1: pictures of the wrong size, a sync table of the wrong
// length, and no demo files at all where the programs are run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "../capture/capture_test_support.h"
#include "common/asset_files.h"

namespace {

namespace fs = std::filesystem;

// The live player, headless and silent, in `dir`: its status, and what it
// printed (its lines go to standard output).
capturetest::CaptureResult playIn(const fs::path& dir) {
    return capturetest::capture(
        "", "cd '" + dir.string() + "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 60",
        "1>&2", DEMO_PLAYER);
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void replacePicture(const fs::path& file, int width, int height) {
    fs::remove(file);
    ASSERT_TRUE(writePng(file.string(), RgbPicture(width, height)));
}

}  // namespace

TEST(StartUpData, PicturesOfTheWrongSizeAreRefusedSayingWhatTheDemoNeeds) {
    const fs::path run = capturetest::scratchRunFolder("sizes");
    struct Case {
        const char* file;
        int width, height;
        const char* line;
    } cases[] = {
        {"title.png", 640, 480,
         "data/title.png is 640\u00d7480, the demo needs it 320 pixels wide and at least 195 high"},
        {"title.png", 1, 1,
         "data/title.png is 1\u00d71, the demo needs it 320 pixels wide and at least 195 high"},
        {"title-alpha.png", 160, 120,
         "data/title-alpha.png is 160\u00d7120, the demo needs it the size of data/title.png, "
         "320\u00d7240"},
        {"credits-sunbo.png", 640, 480,
         "data/credits-sunbo.png is 640\u00d7480, the demo needs it 320 pixels wide and at least "
         "239 high"},
        {"flarealpha16.png", 8, 8,
         "data/flarealpha16.png is 8\u00d78, the demo needs it 16 pixels wide and at least 16 "
         "high"},
        {"font.png", 64, 45, "data/font.png is 64\u00d745, the demo needs it at least 128\u00d745"},
    };
    for (const Case& c : cases) {
        const fs::path file = run / "data" / c.file;
        const fs::path real = fs::read_symlink(file);
        replacePicture(file, c.width, c.height);
        const capturetest::CaptureResult played = playIn(run);
        EXPECT_EQ(played.status, 1) << c.file;
        EXPECT_EQ(played.messages, std::string(c.line) + "\n") << c.file;
        fs::remove(file);
        fs::create_symlink(real, file);
    }
    fs::remove_all(run);
}

// The sync table is read whole at the first frame: a file longer than the
// table is no table either. And run outside the folder that holds the
// demo's files, both programs say where they looked and where to run them.
TEST(StartUpData, ALongSyncTableAndAFolderWithoutTheFilesAreSaidInOneLine) {
    const fs::path run = capturetest::scratchRunFolder("table");
    const fs::path table = run / "data" / "patterndata.bin";
    fs::remove(table);
    std::ofstream(table).close();
    fs::resize_file(table, 100 << 20);
    const capturetest::CaptureResult played = playIn(run);
    EXPECT_EQ(played.status, 1);
    // After start-up's progress lines.
    EXPECT_TRUE(endsWith(played.messages,
                         "\nerror loading data/patterndata.bin: 104857600 bytes, the table is "
                         "42260\n"))
        << played.messages;

    const fs::path empty = capturetest::scratch("nowhere");
    const std::string where = " (run it in " + std::string(DEMO_RUN_DIR) + ": cd there, then ../";
    const capturetest::CaptureResult demo = playIn(empty);
    EXPECT_EQ(demo.status, 1);
    EXPECT_EQ(demo.messages, "the demo's files are not here: no data/ folder in " + empty.string() +
                                 where + "demo)\n");
    const capturetest::CaptureResult capture =
        capturetest::capture("--hashes - --at 0", "cd '" + empty.string() + "' &&");
    EXPECT_EQ(capture.status, 1);
    EXPECT_EQ(capture.messages, "capture: the demo's files are not here: no data/ folder in " +
                                    empty.string() + where + "capture)\n");
    fs::remove_all(run);
    fs::remove_all(empty);
}
