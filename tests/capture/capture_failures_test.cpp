// Capture never fails in silence: sound that cannot come is refused before
// anything is written, outputs are whole or absent (and never mixed with an
// earlier run's), and every failure is one line that names what failed and why.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "../music/audio_test_support.h"
#include "capture_test_support.h"

namespace {

namespace fs = std::filesystem;
using capturetest::capture;
using capturetest::CaptureResult;

std::string inFolder(const fs::path& dir) {
    return "cd '" + dir.string() + "' &&";
}

// The folder's entries, hidden ones included, sorted.
std::vector<std::string> entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void replaceWith(const fs::path& file, const std::string& bytes) {
    fs::remove(file);
    std::ofstream(file, std::ios::binary) << bytes;
}

}  // namespace

TEST(CaptureFailures, SoundThatCannotComeIsRefusedBeforeAnythingIsWritten) {
    const fs::path run = capturetest::scratchRunFolder("nosound");
    std::string noise(1 << 20, '\0');
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = char((i * 2654435761u) >> 11);
    replaceWith(run / "data" / "ondrivale.ogg", noise);
    const std::vector<std::string> before = entries(run);
    const std::string refusal =
        "capture: no sound can come: data/ondrivale.ogg is not an Ogg Vorbis stream (--no-sound "
        "captures without it)\n";
    for (const char* args : {"--out v.mp4 --at 1000", "--frames f --hashes h.txt --at 1000"}) {
        const CaptureResult refused = capture(args, inFolder(run));
        EXPECT_EQ(refused.status, 1) << args;
        EXPECT_EQ(refused.messages, refusal) << args;
        EXPECT_EQ(entries(run), before) << args;
    }

    // Hashes need no sound; start-up still says why the music is missing.
    const CaptureResult hashes = capture("--hashes h.txt --at 1000", inFolder(run));
    EXPECT_EQ(hashes.status, 0);
    EXPECT_EQ(hashes.messages.rfind(
                  "capture: no music: data/ondrivale.ogg is not an Ogg Vorbis stream\n", 0),
              0u)
        << hashes.messages;

    // Asked for, a silent capture: a video without a sound stream, frames
    // without sound.wav.
    const CaptureResult silent =
        capture("--no-sound --out v.mkv --frames f --at 1000", inFolder(run));
    ASSERT_EQ(silent.status, 0) << silent.messages;
    const std::string streams = capturetest::probe(run / "v.mkv", "stream=codec_type");
    EXPECT_EQ(streams, "codec_type=video\n");
    EXPECT_EQ(entries(run / "f"), std::vector<std::string>{"frame_000060.png"});

    fs::remove(run / "code940.bin");
    const CaptureResult noProgram = capture("--frames g --at 1000", inFolder(run));
    EXPECT_EQ(noProgram.status, 1);
    EXPECT_NE(noProgram.messages.find("no sound can come: code940.bin is missing, and "),
              std::string::npos)
        << noProgram.messages;
    EXPECT_FALSE(fs::exists(run / "g"));
    fs::remove_all(run);
}

TEST(CaptureFailures, OutputsAreWholeOrAbsentAndNeverMixedWithAnEarlierRun) {
    const fs::path dir = capturetest::scratch("outputs");

    // Ctrl-C while the frames before --from are computed: no frame was
    // written, so no file is left, not even an empty one.
    const pid_t pid = capturetest::startCapture({"--out", (dir / "b.mp4").string(), "--frames",
                                                 (dir / "bf").string(), "--hashes",
                                                 (dir / "b.txt").string(), "--from", "p34"});
    ASSERT_GT(pid, 0);
    // The outputs are staged (and the new frames folder made) once the
    // signal handlers are in place.
    ASSERT_TRUE(audiotest::waitFor([&] { return entries(dir).size() == 4; }, 60));
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(entries(dir), std::vector<std::string>{});

    // A folder that holds files is refused and left as it was.
    fs::create_directories(dir / "frames");
    std::ofstream(dir / "frames" / "frame_999999.png") << "an earlier run";
    const CaptureResult full = capture("--frames " + (dir / "frames").string() + " --at 0");
    EXPECT_EQ(full.status, 2);
    EXPECT_EQ(full.messages, "capture: cannot write " + (dir / "frames").string() +
                                 ": the folder is not empty (give a new or empty one)\n");
    EXPECT_EQ(entries(dir / "frames"), std::vector<std::string>{"frame_999999.png"});
    fs::remove_all(dir / "frames");

    // What a killed run left is removed by the next run into the folder, as
    // long as the process that staged it is gone.
    const pid_t gone = capturetest::startCapture({"--help"});
    waitpid(gone, &status, 0);
    const std::string mine = ".x.txt.partial-" + std::to_string(getpid());
    std::ofstream(dir / (".x.txt.partial-" + std::to_string(gone))) << "left";
    fs::create_directories(dir / (".frames.partial-" + std::to_string(gone)));
    std::ofstream(dir / mine) << "still being written";
    const CaptureResult later = capture("--hashes " + (dir / "h.txt").string() + " --at 0");
    EXPECT_EQ(later.status, 0) << later.messages;
    EXPECT_EQ(entries(dir), (std::vector<std::string>{mine, "h.txt"}));

    // The container follows the name; a QuickTime file says so in its brand.
    const CaptureResult mov = capture("--out " + (dir / "v.mov").string() + " --at 1000");
    ASSERT_EQ(mov.status, 0) << mov.messages;
    const std::string probed =
        capturetest::probe(dir / "v.mov", "format_tags=major_brand:stream=codec_name");
    EXPECT_EQ(probed, "codec_name=h264\ncodec_name=aac\nTAG:major_brand=qt  \n");
    fs::remove_all(dir);
}

TEST(CaptureFailures, EveryFailureIsOneLineNamingWhatFailedAndWhy) {
    const fs::path dir = capturetest::scratch("messages");
    const std::string both = (dir / "s.mp4").string();
    const struct {
        std::string args, redirections, message;
    } cases[] = {
        {"--hashes - --bogus", "", "unknown option --bogus (capture --help lists them)"},
        {"--hashes - --at 1000", ">&-",
         "cannot write the hashes to standard output: it is not open for writing"},
        {"--hashes - --at 1000", ">/dev/full",
         "cannot write standard output: No space left on device"},
        {"--hashes /dev/full --at 1000", "", "cannot write /dev/full: No space left on device"},
        {"--hashes " + both + " --out " + both, "",
         "--out and --hashes both name " + both + ": give each its own"},
        {"--frames " + both + " --hashes " + both + "/sound.wav", "",
         "--hashes " + both + "/sound.wav is inside the --frames folder " + both +
             ", which holds the frames and sound.wav: give it a place of its own"},
        {"--out -", "", "--out takes a file name: the video cannot go to standard output"},
        {"--out x.avi", "", "--out takes a name ending in .mp4, .mkv or .mov, not 'x.avi'"},
    };
    for (const auto& c : cases) {
        const CaptureResult run =
            capture(c.args, "", c.redirections.empty() ? ">/dev/null" : c.redirections);
        EXPECT_EQ(run.status, 2) << c.args;
        EXPECT_EQ(run.messages, "capture: " + c.message + "\n") << c.args;
    }
    EXPECT_TRUE(fs::is_empty(dir));

    // A write that fails under --frames (here a file size limit, as a full
    // disk would) names the frame and the reason, once, with nothing from libpng.
    const std::string frames = (dir / "f").string();
    const CaptureResult big = capture("--no-sound --frames " + frames + " --at 5000",
                                      "sh -c 'trap \"\" XFSZ; ulimit -f 2; exec \"$0\" \"$@\"'");
    EXPECT_EQ(big.status, 2);
    EXPECT_EQ(big.messages,
              "capture: cannot write " + frames + "/frame_000300.png: File too large\n");
    // So does the video, in ffmpeg's words for the cause (a full disk the same).
    const std::string video = (dir / "v.mp4").string();
    const CaptureResult bigVideo =
        capture("--out " + video + " --to 2000",
                "sh -c 'trap \"\" XFSZ; ulimit -f 20; exec \"$0\" \"$@\"'");
    EXPECT_EQ(bigVideo.status, 2);
    EXPECT_EQ(bigVideo.messages, "capture: cannot write " + video + ": File too large\n");
    EXPECT_TRUE(fs::is_empty(dir));

    // A mesh cut short loads as far as it goes, and capture says so as its own.
    const fs::path run = capturetest::scratchRunFolder("cutmesh");
    const fs::path spid = fs::path(DEMO_RUN_DIR) / "data" / "spid";
    std::ifstream in(spid, std::ios::binary);
    std::string bytes(fs::file_size(spid) / 2, '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    replaceWith(run / "data" / "spid", bytes);
    const CaptureResult cut = capture("--hashes - --at 1000", inFolder(run));
    EXPECT_EQ(cut.status, 0);
    EXPECT_EQ(cut.messages.rfind("capture: data/spid is incomplete: ", 0), 0u) << cut.messages;
    fs::remove_all(run);
    fs::remove_all(dir);
}

// Music that stops before the demo ends, or has a hole, is no music for a
// capture: a song cut short (its stream's last page says where it ends) is
// refused before anything is written; a damaged stretch that only decoding
// finds ends the run with one line naming it, and nothing is left under the
// names given. The live player plays on past it, and says so once.
TEST(CaptureFailures, MusicThatStopsOrHasAHoleLeavesNothingAndThePlayerGoesOn) {
    const fs::path run = capturetest::scratchRunFolder("cutsong");
    const std::vector<uint8_t> real =
        audiotest::readFile(std::string(DEMO_RUN_DIR) + "/data/ondrivale.ogg");
    const std::string song(real.begin(), real.end());
    replaceWith(run / "data" / "ondrivale.ogg", song.substr(0, 100000));
    const std::vector<std::string> before = entries(run);
    const CaptureResult cut = capture("--out v.mp4 --to 20000", inFolder(run));
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.messages,
              "capture: no sound can come: data/ondrivale.ogg ends at 5.6 s, the demo needs "
              "186.4 s (--no-sound captures without it)\n");
    EXPECT_EQ(entries(run), before);

    // Overwritten bytes 30000 in: the stream's end is whole.
    std::string holed = song;
    for (size_t i = 30000; i < 50000; ++i) holed[i] = char(i * 37);
    replaceWith(run / "data" / "ondrivale.ogg", holed);
    const CaptureResult hole = capture("--frames f --out v.mkv --to 3000", inFolder(run));
    EXPECT_EQ(hole.status, 1);
    EXPECT_EQ(hole.messages,
              "capture: the music has a hole from 1.4 s to 3.0 s: data/ondrivale.ogg is damaged "
              "there\n");
    EXPECT_EQ(entries(run), before);

    const std::string log = testing::TempDir() + "player-hole-" + std::to_string(getpid());
    const pid_t pid = capturetest::startCapture({}, log, DEMO_PLAYER, run.string());
    const std::string said =
        "data/ondrivale.ogg is damaged at 1.4 s: the music is silent to 3.0 s and goes on\n";
    const auto printed = [&] {
        const std::vector<uint8_t> bytes = audiotest::readFile(log);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_TRUE(audiotest::waitFor([&] { return printed().find(said) != std::string::npos; }, 60));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(printed().find(said), printed().rfind(said)) << printed();
    fs::remove(log);
    fs::remove_all(run);
}

// Every output is found writable before the first frame, and a frames
// folder takes one run at a time. The runs that are refused start from a
// folder without the demo's files: the outputs are checked before them.
TEST(CaptureFailures, OutputsAreCheckedBeforeTheFirstFrameAndAFolderTakesOneRun) {
    const fs::path dir = capturetest::scratch("writable");
    std::ofstream(dir / "file") << "in the way";
    for (const char* option : {"--frames", "--out", "--hashes"}) {
        const std::string target = (dir / "file" / "x.mkv").string();
        const CaptureResult run =
            capture(std::string("--no-sound ") + option + " " + target + " --at 0", inFolder(dir));
        EXPECT_EQ(run.status, 2) << option;
        EXPECT_EQ(run.messages, "capture: cannot write " + target + ": Not a directory\n")
            << option;
    }
    EXPECT_EQ(entries(dir), std::vector<std::string>{"file"});

    // A second run into a folder that a first one is filling is refused;
    // the first finishes whole, and leaves no lock behind.
    const fs::path frames = dir / "frames";
    const pid_t first = capturetest::startCapture({"--frames", frames.string(), "--to", "3000"});
    ASSERT_GT(first, 0);
    ASSERT_TRUE(audiotest::waitFor([&] { return fs::exists(frames / ".capture.lock"); }, 60));
    const CaptureResult second =
        capture("--no-sound --frames " + frames.string() + " --from 1000 --to 2000", inFolder(dir));
    EXPECT_EQ(second.status, 2);
    EXPECT_EQ(second.messages, "capture: cannot write " + frames.string() +
                                   ": another capture is writing into that folder (give "
                                   "another one)\n");
    int status = 0;
    waitpid(first, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::vector<std::string> written = entries(frames);
    EXPECT_EQ(written.size(), 181u) << "180 frames and sound.wav";
    EXPECT_EQ(written.front(), "frame_000000.png");
    EXPECT_EQ(written.back(), "sound.wav");
    EXPECT_EQ(fs::file_size(frames / "sound.wav"), 44u + 3 * 44100 * 4);

    // A folder without write permission. Root writes anywhere, so as root
    // the run drops to the user nobody, with a copy of capture that nobody
    // may run wherever the build lies.
    const fs::path ro = dir / "ro";
    fs::create_directories(ro);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                            fs::perms::group_exec | fs::perms::others_read |
                            fs::perms::others_exec);
    std::string program = DEMO_CAPTURE;
    std::string asUser;
    if (geteuid() == 0) {
        asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups";
        if (std::system((asUser + " true 2>/dev/null").c_str()) != 0) {
            fs::remove_all(dir);
            GTEST_SKIP() << "running as root, and setpriv cannot drop to the user nobody: an "
                            "unwritable folder cannot be made";
        }
        program = (dir / "capture").string();
        fs::copy_file(DEMO_CAPTURE, program);
        fs::permissions(dir, fs::perms::all);
    }
    for (const std::string& target : {ro.string(), (ro / "v.mp4").string()}) {
        const std::string option = target == ro.string() ? "--frames " : "--out ";
        const CaptureResult run = capture("--no-sound " + option + target + " --at 0",
                                          inFolder(dir) + " " + asUser, ">/dev/null", program);
        EXPECT_EQ(run.status, 2) << option;
        EXPECT_EQ(run.messages, "capture: cannot write " + target + ": Permission denied\n")
            << option;
    }
    EXPECT_TRUE(fs::is_empty(ro));
    fs::remove_all(dir);
}
