#include "capture/capture.h"

#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "capture/frame_files.h"
#include "capture/frame_writer.h"
#include "capture/sound_collector.h"
#include "capture/sound_writer.h"
#include "capture/staged_output.h"
#include "capture/video_encoder.h"
#include "core/demo.h"
#include "core/offline_run.h"
#include "music/audio_bridge.h"
#include "music/pattern_data.h"
#include "platform/desktop/controls.h"
#include "platform/messages.h"
#include "platform/present.h"
#include "platform/second_cpu.h"
#include "platform/second_cpu/controls.h"
#include "platform/simulated/sound_controls.h"
#include "platform/sound_device.h"
#include "video/display.h"
#include "video/visible_screen.h"

namespace {

constexpr int kWidth = Display::kWidth;
constexpr int kHeight = Display::kHeight;
// The run's data cannot give what was asked (no music for the sound), as the
// engine's own exit on a missing asset.
constexpr int kExitNoMusic = 1;
// No demo files where it runs, as the engine's exit on a missing asset.
constexpr int kExitNoFiles = 1;
constexpr int kExitBadOutput = 2;
// Stopped by a signal: 128 + its number, as the shell counts it (130 for Ctrl-C).
constexpr int kExitBySignal = 128;
// About three seconds of sound may wait between the decoder and the frames.
constexpr size_t kSoundRingSamples = size_t{1} << 17;

// The signal that asked capture to stop, 0 while none has.
volatile sig_atomic_t gInterrupted = 0;
volatile pid_t gEncoderPid = -1;
// When the first Ctrl-C came, in ms of the monotonic clock.
volatile int64_t gInterruptedAtMs = 0;

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// ---- signals ------------------------------------------------------------------

int64_t monotonicMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The first Ctrl-C, or a termination request (kill, a closed terminal),
// finishes the files up to the frame in hand; a second one removes the
// unfinished files and ends at once, with a line. A repeat within half a
// second is the same request delivered twice (`timeout` signals both the
// process and its group).
void onSignal(int signal) {
    if (gInterrupted == 0) {
        gInterrupted = signal;
        gInterruptedAtMs = monotonicMs();
        return;
    }
    if (monotonicMs() - gInterruptedAtMs < 500) return;
    discardStagedFilesFromSignal();
    if (gEncoderPid > 0) kill(gEncoderPid, SIGKILL);
    static const char kLine[] = "capture: stopped at once: the unfinished files are removed\n";
    if (write(STDERR_FILENO, kLine, sizeof kLine - 1) < 0) {
        // Nowhere left to say it.
    }
    ::signal(signal, SIG_DFL);
    raise(signal);
}

// "interrupted" for Ctrl-C, "terminated" for the other requests.
const char* stoppedHow() {
    return gInterrupted == SIGINT ? "interrupted" : "terminated";
}

void installSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    // A dead ffmpeg shows as a failed write, not as the end of capture.
    signal(SIGPIPE, SIG_IGN);
}

// ---- the engine's own messages ---------------------------------------------------

// Start-up's progress lines ("init...", "loading done") say nothing to
// someone capturing; its problems (a missing asset, a mesh cut short, no
// music) are capture's own to report, on standard error.
void quiet(const char*) {}

void reportProblem(const char* line) {
    fprintf(stderr, "capture: %s\n", line);
}

void atExit() {
    discardAllStagedOutputs();
}

// ---- standard descriptors ----------------------------------------------------------

// Whether standard output was open at the start. A closed descriptor 0, 1 or
// 2 is opened on /dev/null, so that no file opened later takes its number
// and receives what is meant for the terminal.
bool keepStandardDescriptors() {
    const bool stdoutOpen = fcntl(STDOUT_FILENO, F_GETFL) >= 0;
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFL) >= 0) continue;
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
    return stdoutOpen;
}

// ---- progress ------------------------------------------------------------------------

std::string minutesAndSeconds(double seconds) {
    char text[32];
    const int whole = int(seconds + 0.5);
    snprintf(text, sizeof text, "%d:%02d", whole / 60, whole % 60);
    return text;
}

class Progress {
  public:
    Progress(uint64_t total) : total_(total), start_(Clock::now()), shown_(start_) {
        onTerminal_ = isatty(STDERR_FILENO) != 0;
    }
    void frameDone(uint64_t done) {
        if (!onTerminal_ || (done & 15) != 0) return;
        const auto now = Clock::now();
        if (now - shown_ < std::chrono::milliseconds(250)) return;
        shown_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const double rate = done / seconds;
        fprintf(stderr, "\rcapture: frame %llu of %llu, %.0f frames/s, %s left\033[K",
                static_cast<unsigned long long>(done), static_cast<unsigned long long>(total_),
                rate, minutesAndSeconds(double(total_ - done) / rate).c_str());
        fflush(stderr);
    }
    void clear() {
        if (onTerminal_) fprintf(stderr, "\r\033[K");
    }

  private:
    uint64_t total_;
    Clock::time_point start_;
    Clock::time_point shown_;
    bool onTerminal_ = false;
};

std::string rateText(FrameRate rate) {
    if (rate.denominator == 1) return std::to_string(rate.numerator);
    char text[32];
    snprintf(text, sizeof text, "%.3f", double(rate.numerator) / rate.denominator);
    return text;
}

std::string sizeText(const std::string& path) {
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(path, ec);
    if (ec) return path;
    char text[64];
    snprintf(text, sizeof text, " (%.1f MiB)", double(bytes) / (1024 * 1024));
    return path + text;
}

// ---- the outputs -------------------------------------------------------------------

struct Outputs {
    StagedOutput video;
    StagedOutput frames;
    StagedOutput hashes;
    std::string ffmpeg;
    VideoEncoder encoder;
    WavWriter wav;
    FILE* hashesFile = nullptr;
    bool hashesToStdout = false;
    // The names as given, for messages.
    std::string framesName;
    std::string hashesName;

    ~Outputs() {
        if (hashesFile != nullptr && !hashesToStdout) fclose(hashesFile);
    }
};

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool samePlace(const std::string& a, const std::string& b) {
    std::error_code ec;
    const fs::path first = fs::weakly_canonical(withoutTrailingSlashes(a), ec);
    const fs::path second = fs::weakly_canonical(withoutTrailingSlashes(b), ec);
    return !ec && first == second;
}

// Whether `path` lies inside `folder` (both made absolute, links followed).
bool inside(const std::string& path, const std::string& folder) {
    std::error_code ec;
    const fs::path file = fs::weakly_canonical(withoutTrailingSlashes(path), ec);
    const fs::path dir = fs::weakly_canonical(withoutTrailingSlashes(folder), ec);
    if (ec || file == dir) return false;
    return std::mismatch(dir.begin(), dir.end(), file.begin(), file.end()).first == dir.end();
}

// Two outputs under one name would overwrite each other, and a file inside
// the frames folder would be overwritten by a frame or the sound, or replace one.
bool outputsAreDistinct(const CaptureOptions& options, std::string* error) {
    const std::pair<const char*, std::string> named[] = {
        {"--out", options.videoPath},
        {"--frames", options.framesDir},
        {"--hashes", options.hashesPath == "-" ? "" : options.hashesPath}};
    for (size_t i = 0; i < std::size(named); ++i) {
        for (size_t j = i + 1; j < std::size(named); ++j) {
            if (named[i].second.empty() || named[j].second.empty()) continue;
            if (!samePlace(named[i].second, named[j].second)) continue;
            *error = std::string(named[i].first) + " and " + named[j].first + " both name " +
                     named[j].second + ": give each its own";
            return false;
        }
    }
    if (options.framesDir.empty()) return true;
    for (const auto& [option, path] : named) {
        if (path.empty() || !inside(path, options.framesDir)) continue;
        *error = std::string(option) + " " + path + " is inside the --frames folder " +
                 withoutTrailingSlashes(options.framesDir) +
                 ", which holds the frames and sound.wav: give it a place of its own";
        return false;
    }
    return true;
}

// The hashes on standard output keep a descriptor of their own; standard
// output itself then goes to standard error, so that nothing the engine
// might print there mixes with them.
bool openHashesOnStdout(bool stdoutOpen, Outputs* out, std::string* error) {
    out->hashesName = "standard output";
    const int flags = fcntl(STDOUT_FILENO, F_GETFL);
    if (!stdoutOpen || (flags & O_ACCMODE) == O_RDONLY) {
        *error = "cannot write the hashes to standard output: it is not open for writing";
        return false;
    }
    const int fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    out->hashesFile = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (out->hashesFile == nullptr) {
        *error = std::string("cannot write the hashes to standard output: ") + strerror(errno);
        return false;
    }
    out->hashesToStdout = true;
    return true;
}

// Checks every output before anything is rendered.
bool prepareOutputs(const CaptureOptions& options, bool withSound, bool stdoutOpen, Outputs* out,
                    std::string* error) {
    if (!outputsAreDistinct(options, error)) return false;
    if (!options.videoPath.empty()) {
        out->ffmpeg = findOnPath("ffmpeg");
        if (out->ffmpeg.empty()) {
            *error = "--out needs ffmpeg, which is not installed (Debian: apt-get install ffmpeg)";
            return false;
        }
        if (!out->video.prepare(options.videoPath, StagedOutput::Kind::File, error)) return false;
    }
    if (!options.framesDir.empty()) {
        out->framesName = withoutTrailingSlashes(options.framesDir);
        if (!out->frames.prepare(options.framesDir, StagedOutput::Kind::Folder, error))
            return false;
        if (withSound && !out->wav.open(out->frames.stagingPath() + "/sound.wav")) {
            *error = "cannot write " + out->framesName + "/sound.wav: " + out->wav.failure();
            return false;
        }
    }
    if (options.hashesPath == "-") {
        if (!openHashesOnStdout(stdoutOpen, out, error)) return false;
    } else if (!options.hashesPath.empty()) {
        out->hashesName = options.hashesPath;
        if (!out->hashes.prepare(options.hashesPath, StagedOutput::Kind::File, error)) return false;
        out->hashesFile = fopen(out->hashes.stagingPath().c_str(), "w");
        if (out->hashesFile == nullptr) {
            *error = "cannot write " + options.hashesPath + ": " + strerror(errno);
            return false;
        }
    }
    fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    return true;
}

// Completes every file and moves it to its name; false with one line in
// *error, unless an earlier failure (writesOk false) already has it.
bool finishOutputs(Outputs* out, bool writesOk, std::string* error) {
    bool ok = writesOk;
    std::string encoderError;
    if (out->encoder.pid() > 0) {
        const bool encoded = out->encoder.finish(out->video.path(), &encoderError);
        gEncoderPid = -1;
        // ffmpeg's own words say more than a refused frame does.
        if (!encoded) *error = encoderError;
        ok = ok && encoded;
    }
    if (out->hashesFile != nullptr) {
        const bool written =
            out->hashesToStdout ? fflush(out->hashesFile) == 0 : fclose(out->hashesFile) == 0;
        if (!out->hashesToStdout) out->hashesFile = nullptr;
        if (!written && ok) {
            *error = "cannot write " + out->hashesName + ": " + strerror(errno);
            ok = false;
        }
    }
    if (!ok) {
        out->video.discard();
        out->frames.discard();
        out->hashes.discard();
        return false;
    }
    return out->video.commit(error) && out->frames.commit(error) && out->hashes.commit(error);
}

void fillFrame(CapturedFrame* frame, const OfflineRun& run) {
    frame->number = run.frame();
    frame->ms = run.frameMs();
    frame->position = PatternData::instance().position();
    frame->row = PatternData::instance().row();
    memcpy(frame->pixels.data(), visibleScreen(), frame->pixels.size() * 2);
}

// Why the music of the sound written, samples [from, to), is not whole:
// the second processor skipped a damaged stretch in it (the live player
// plays on past it, silent there; a capture is the demo exactly, so it
// refuses), or found the song's sound stop before the demo's end (a cut,
// damage it could not pass). Empty if it is whole.
std::string musicHoleProblem(uint64_t from, uint64_t to) {
    const uint64_t end = std::min<uint64_t>(to, soundFrameAtMs(demoEndMs()));
    const AudioBridge::SongDamage damage = AudioBridge::songDamage();
    if (damage.count > 0 && damage.from < end && damage.to > from) {
        const std::string holes =
            damage.count == 1 ? "a hole" : std::to_string(damage.count) + " holes";
        return "the music has " + holes + " from " + AudioBridge::secondsText(damage.from) +
               " s to " + AudioBridge::secondsText(damage.to) + " s: " + AudioBridge::kSongFile +
               " is damaged there";
    }
    const uint64_t stopped = AudioBridge::musicStoppedAt();
    if (stopped >= end) return "";
    return AudioBridge::musicStopProblem(stopped, demoEndMs());
}

int fail(const std::string& message, int status = kExitBadOutput) {
    fprintf(stderr, "capture: %s\n", message.c_str());
    return status;
}

}  // namespace

int runCapture(const CaptureOptions& options) {
    const auto started = Clock::now();
    FramePlan plan;
    std::string error;
    if (!makeFramePlan(options, &plan, &error)) return fail(error);

    // Before anything is created that a signal or an exit must take away.
    installSignalHandlers();
    atexit(atExit);
    setProgressSink(quiet);
    setProblemSink(reportProblem);
    const bool stdoutOpen = keepStandardDescriptors();

    // The outputs first, then the demo's files, then the music: a refusal
    // leaves nothing behind (the staged outputs go with `outputs`).
    const bool withSound =
        (!options.videoPath.empty() || !options.framesDir.empty()) && !options.noSound;
    auto outputs = std::make_unique<Outputs>();
    if (!prepareOutputs(options, withSound, stdoutOpen, outputs.get(), &error)) return fail(error);
    if (!demoFilesAreHere("capture", DEMO_RUN_DIR)) return kExitNoFiles;
    // Sound is asked for with the video and the frames; it must be able to come.
    if (withSound) {
        const std::string problem = AudioBridge::musicProblem(demoEndMs());
        if (!problem.empty()) {
            return fail("no sound can come: " + problem + " (--no-sound captures without it)",
                        kExitNoMusic);
        }
    }

    // The same engine as the live player, given a screen with no window and,
    // when sound is written, a sink that takes the decoded blocks as fast as
    // they come; the frames run on the plan's schedule (core/offline_run.h).
    SoundCollector sound(kSoundRingSamples);
    soundDeviceSelect(withSound ? SoundBackend::Sink : SoundBackend::None);
    // The second processor's decoder built for this machine, unless the
    // environment asks for its ARM program in the emulator: the same
    // samples, at a hundred times the cost.
    if (withSound && secondCpuSelected() == SecondCpuKind::Emulated) {
        fprintf(stderr,
                "capture: the second processor runs its own ARM program in the emulator "
                "(ONDRIVALE_SECOND_CPU=emulated): the same sound, more slowly\n");
    }
    if (withSound) {
        sound.skipTo(soundFrameAt(plan.firstWrittenFrame(), plan.rate));
        sound.attach();
    }
    platformUseHeadlessVideo();
    demoStartUp();

    if (outputs->video.prepared()) {
        if (!outputs->encoder.start(outputs->ffmpeg, outputs->video.stagingPath(),
                                    videoContainer(options.videoPath), kWidth * options.scale,
                                    kHeight * options.scale, plan.rate, withSound, &error)) {
            sound.stopCollecting();
            demoShutDown();
            sound.detach();
            return fail(error);
        }
        gEncoderPid = outputs->encoder.pid();
    }
    FrameOutputs frameOutputs;
    frameOutputs.hashes = outputs->hashesFile;
    frameOutputs.framesDir = outputs->frames.prepared() ? outputs->frames.stagingPath() : "";
    frameOutputs.video = outputs->video.prepared() ? &outputs->encoder : nullptr;
    frameOutputs.scale = options.scale;
    frameOutputs.hashesName = outputs->hashesName;
    frameOutputs.framesName = outputs->framesName;
    FrameWriter writer(frameOutputs);
    std::unique_ptr<SoundWriter> soundWriter;
    if (withSound) {
        soundWriter = std::make_unique<SoundWriter>(
            &sound, plan, outputs->frames.prepared() ? &outputs->wav : nullptr,
            outputs->video.prepared() ? &outputs->encoder : nullptr);
    }

    Progress progress(plan.lastFrame() + 1);
    OfflineRun run(plan);
    // The sound written: a hole found in it ends the run at once.
    const uint64_t soundFrom = soundFrameAt(plan.firstWrittenFrame(), plan.rate);
    const uint64_t soundTo = soundFrameAt(plan.lastFrame() + 1, plan.rate);
    std::string holed;
    while (run.runNext()) {
        if (run.written()) {
            fillFrame(writer.next(), run);
            writer.publish();
        }
        progress.frameDone(run.framesRun());
        if (gInterrupted || writer.failed()) break;
        if (soundWriter) holed = musicHoleProblem(soundFrom, soundTo);
        if (!holed.empty()) break;
    }
    const uint64_t computed = run.framesRun();
    progress.clear();

    // The frames first, then the sound up to the last of them, while the
    // decoder still runs; then the engine stops.
    bool writesOk = writer.finish();
    if (!writesOk) error = writer.failure();
    int status = kExitBadOutput;
    if (soundWriter) {
        soundWriter->endWith(computed - 1);
        if (!soundWriter->finish() && writesOk) {
            error = "cannot write " + outputs->framesName + "/sound.wav: " + outputs->wav.failure();
            writesOk = false;
        }
        if (soundWriter->soundLost() && writesOk) {
            error = "no sound came from the second processor after " +
                    std::to_string(soundWriter->lostFromMs()) + " ms of music";
            writesOk = false;
            status = kExitNoMusic;
        }
        if (holed.empty()) holed = musicHoleProblem(soundFrom, soundFrameAt(computed, plan.rate));
        if (!holed.empty() && writesOk) {
            error = holed;
            writesOk = false;
            status = kExitNoMusic;
        }
    }
    sound.stopCollecting();
    demoShutDown();
    sound.detach();
    // Stopped before the first frame to write: files without a frame are no files.
    if (gInterrupted && writer.framesWritten() == 0) {
        finishOutputs(outputs.get(), false, &error);
        fprintf(stderr, "capture: %s before the first frame to write: nothing written\n",
                stoppedHow());
        return kExitBySignal + gInterrupted;
    }
    if (!finishOutputs(outputs.get(), writesOk, &error)) return fail(error, status);

    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const double musicSeconds = double(computed) * plan.rate.denominator / plan.rate.numerator;
    std::string wrote;
    for (const StagedOutput* o : {&outputs->video, &outputs->frames, &outputs->hashes}) {
        if (!o->path().empty()) wrote += (wrote.empty() ? "" : ", ") + sizeText(o->path());
    }
    if (outputs->hashesToStdout) wrote += wrote.empty() ? "hashes" : ", hashes";
    fprintf(stderr,
            "capture: %s%llu frames at %s fps in %.1f s (%.1fx real time), %llu written -> %s\n",
            gInterrupted ? (std::string(stoppedHow()) + " after ").c_str() : "",
            static_cast<unsigned long long>(computed), rateText(plan.rate).c_str(), seconds,
            musicSeconds / seconds, static_cast<unsigned long long>(writer.framesWritten()),
            wrote.c_str());
    return gInterrupted ? kExitBySignal + gInterrupted : 0;
}

int captureMain(int argc, const char* const* argv) {
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(argc - 1, argv + 1, &options, &error)) {
        fprintf(stderr, "capture: %s\n", error.c_str());
        return kExitBadOutput;
    }
    if (options.help) {
        fputs(kCaptureUsage, stdout);
        return 0;
    }
    return runCapture(options);
}
