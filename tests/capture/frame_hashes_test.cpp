// The demo's pictures held still: the screens at fixed times spread over every
// section (tests/capture/frame_hashes.txt, which says how to regenerate it)
// must come out of a capture bit for bit, so that work on speed can never
// change a pixel or the order of the random numbers behind the noise and the
// particles without this test naming the frame.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct FrameHash {
    std::string frame, ms, position, row, hash;
};

// The lines of a hashes file, comments and blank lines left out.
std::vector<FrameHash> readFrameHashes(const std::string& path) {
    std::vector<FrameHash> frames;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        FrameHash f;
        if (fields >> f.frame >> f.ms >> f.position >> f.row >> f.hash) frames.push_back(f);
    }
    return frames;
}

}  // namespace

TEST(FrameHashes, EverySectionShowsTheScreensItShowedBefore) {
    const std::vector<FrameHash> expected =
        readFrameHashes(std::string(DEMO_SOURCE_DIR) + "/tests/capture/frame_hashes.txt");
    ASSERT_GE(expected.size(), 36u);

    // The whole demo, every frame hashed, as the reference was made.
    const std::string out =
        testing::TempDir() + "frame-hashes-" + std::to_string(getpid()) + ".txt";
    const std::string command = std::string(DEMO_CAPTURE) + " --hashes " + out + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    std::map<std::string, FrameHash> shown;
    for (const FrameHash& f : readFrameHashes(out)) shown[f.frame] = f;
    std::filesystem::remove(out);

    for (const FrameHash& e : expected) {
        const auto found = shown.find(e.frame);
        ASSERT_NE(found, shown.end()) << "frame " << e.frame << " was not rendered";
        const FrameHash& a = found->second;
        EXPECT_EQ(a.ms + " " + a.position + " " + a.row, e.ms + " " + e.position + " " + e.row)
            << "frame " << e.frame << ": the frame clock or the music clock moved";
        EXPECT_EQ(a.hash, e.hash) << "frame " << e.frame << " (position " << e.position << ", row "
                                  << e.row << ") changed";
    }
}
