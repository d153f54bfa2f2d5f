// Start-up refuses the data it cannot play with one line that says why, and
// exit status 1: a picture of another size than its scene reads (the other
// sizes and alpha maps: the image tests), a sync
// table longer than the table (read at the first frame, after start-up's
// progress lines), and no demo files at all where the programs are run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "../capture/capture_test_support.h"
#include "common/asset_files.h"

namespace {

namespace fs = std::filesystem;

// A program run (headless, as every test) in `folder`: its status and its last line.
std::pair<int, std::string> lastLine(const fs::path& folder, const std::string& program) {
    const capturetest::CaptureResult run =
        capturetest::capture("", "cd '" + folder.string() + "' &&", "1>&2", program);
    const size_t start = run.messages.rfind('\n', run.messages.size() - 2);
    return {run.status, run.messages.substr(start == std::string::npos ? 0 : start + 1)};
}

}  // namespace

TEST(StartUpData, WhatCannotPlayIsRefusedSayingWhy) {
    const fs::path run = capturetest::scratchRunFolder("startup");
    const fs::path table = run / "data" / "patterndata.bin";
    fs::remove(table);
    std::ofstream(table).close();
    fs::resize_file(table, 100 << 20);
    EXPECT_EQ(lastLine(run, DEMO_PLAYER),
              std::make_pair(1, std::string("error loading data/patterndata.bin: 104857600 bytes, "
                                            "the table is 42260\n")));
    // A 640×480 title (its scene reads it with the screen's width) ends
    // start-up before the first frame.
    const fs::path title = run / "data" / "title.png";
    fs::remove(title);
    ASSERT_TRUE(writePng(title.string(), RgbPicture(640, 480)));
    EXPECT_EQ(lastLine(run, DEMO_PLAYER),
              std::make_pair(1, std::string("data/title.png is 640×480, the demo needs it 320 "
                                            "pixels wide and at least 195 high\n")));

    const fs::path empty = capturetest::scratch("nowhere");
    const std::string said = "the demo's files are not here: no data/ folder in " + empty.string() +
                             " (run it in " + DEMO_RUN_DIR + ": cd there, then ../";
    EXPECT_EQ(lastLine(empty, DEMO_PLAYER), std::make_pair(1, said + "demo)\n"));
    EXPECT_EQ(lastLine(empty, DEMO_CAPTURE + std::string(" --hashes - --at 0")),
              std::make_pair(1, "capture: " + said + "capture)\n"));
    fs::remove_all(run);
    fs::remove_all(empty);
}
