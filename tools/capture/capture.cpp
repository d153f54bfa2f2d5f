#include "capture/capture.h"

#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

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
#include "music/pattern_data.h"
#include "platform/clock.h"
#include "platform/present.h"
#include "platform/second_cpu.h"
#include "platform/sound_device.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kExitBadOutput = 2;
constexpr int kExitInterrupted = 130;
// About three seconds of sound may wait between the decoder and the frames.
constexpr size_t kSoundRingSamples = size_t{1} << 17;

volatile sig_atomic_t gInterrupted = 0;
volatile pid_t gEncoderPid = -1;
// When the first Ctrl-C came, in ms of the monotonic clock.
volatile int64_t gInterruptedAtMs = 0;

using Clock = std::chrono::steady_clock;

// ---- signals ------------------------------------------------------------------

int64_t monotonicMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The first Ctrl-C finishes the files up to the frame in hand; a second one,
// or a termination request, removes the unfinished files and ends at once.
// A repeat within half a second is the same Ctrl-C delivered twice (`timeout`
// signals both the process and its group).
void onSignal(int signal) {
    if (signal == SIGINT && gInterrupted == 0) {
        gInterrupted = 1;
        gInterruptedAtMs = monotonicMs();
        return;
    }
    if (signal == SIGINT && monotonicMs() - gInterruptedAtMs < 500) return;
    discardStagedFilesFromSignal();
    if (gEncoderPid > 0) kill(gEncoderPid, SIGKILL);
    ::signal(signal, SIG_DFL);
    raise(signal);
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

// Start-up prints its progress lines ("init...", "loading done", ...) on
// standard output, where the hashes may go. Capture keeps them aside and
// passes on only other lines, or all of them if the process ends during
// start-up (the engine exits on a missing asset).
int gHeldOutput = -1;

bool isProgressLine(const std::string& line) {
    static const char* const kProgress[] = {
        "init...",  "init done",   "startup...", "startup done..", "entering thread loop",
        "loading ", "loading done"};
    for (const char* p : kProgress) {
        if (line == p) return true;
    }
    return false;
}

void passOnHeldOutput(bool everything) {
    if (gHeldOutput < 0) return;
    fflush(stdout);
    std::string text;
    char buffer[4096];
    ssize_t n;
    off_t offset = 0;
    while ((n = pread(gHeldOutput, buffer, sizeof buffer, offset)) > 0) {
        text.append(buffer, size_t(n));
        offset += n;
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (everything || !isProgressLine(line)) fprintf(stderr, "%s\n", line.c_str());
        start = end + 1;
    }
    dup2(STDERR_FILENO, STDOUT_FILENO);  // anything the engine prints later
    close(gHeldOutput);
    gHeldOutput = -1;
}

void atExit() {
    passOnHeldOutput(true);
    discardAllStagedOutputs();
}

void holdEngineOutput() {
    fflush(stdout);
    char name[] = "/tmp/capture-messages-XXXXXX";
    gHeldOutput = mkostemp(name, O_CLOEXEC);
    if (gHeldOutput < 0) return;
    unlink(name);
    dup2(gHeldOutput, STDOUT_FILENO);
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

    ~Outputs() {
        if (hashesFile != nullptr && !hashesToStdout) fclose(hashesFile);
    }
};

// Checks every output before anything is rendered.
bool prepareOutputs(const CaptureOptions& options, Outputs* out, std::string* error) {
    if (!options.videoPath.empty()) {
        out->ffmpeg = findOnPath("ffmpeg");
        if (out->ffmpeg.empty()) {
            *error = "--out needs ffmpeg, which is not installed (Debian: apt-get install ffmpeg)";
            return false;
        }
        if (!out->video.prepare(options.videoPath, StagedOutput::Kind::File, error)) return false;
    }
    if (!options.framesDir.empty()) {
        if (!out->frames.prepare(options.framesDir, StagedOutput::Kind::Folder, error))
            return false;
        if (!out->wav.open(out->frames.stagingPath() + "/sound.wav")) {
            *error = "cannot write " + options.framesDir + "/sound.wav";
            return false;
        }
    }
    if (options.hashesPath == "-") {
        // Standard output is about to carry the engine's messages: the hashes
        // keep a descriptor of their own.
        out->hashesToStdout = true;
        out->hashesFile = fdopen(dup(STDOUT_FILENO), "w");
    } else if (!options.hashesPath.empty()) {
        if (!out->hashes.prepare(options.hashesPath, StagedOutput::Kind::File, error)) return false;
        out->hashesFile = fopen(out->hashes.stagingPath().c_str(), "w");
        if (out->hashesFile == nullptr) {
            *error = "cannot write " + options.hashesPath;
            return false;
        }
    }
    return true;
}

// Completes every file and moves it to its name; false with one line in *error.
bool finishOutputs(Outputs* out, bool writesOk, std::string* error) {
    bool ok = writesOk;
    std::string encoderError;
    if (out->encoder.pid() > 0) {
        const bool encoded = out->encoder.finish(&encoderError);
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
            *error = "cannot write the hashes";
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

void fillFrame(CapturedFrame* frame, uint64_t n, FrameRate rate) {
    frame->number = n;
    frame->ms = uint32_t(frameTimeMs(n, rate));
    frame->position = PatternData::instance().position();
    frame->row = PatternData::instance().row();
    memcpy(frame->pixels.data(), platformVisibleScreen(), frame->pixels.size() * 2);
}

int fail(const std::string& message) {
    fprintf(stderr, "capture: %s\n", message.c_str());
    return kExitBadOutput;
}

}  // namespace

int runCapture(const CaptureOptions& options) {
    const auto started = Clock::now();
    FramePlan plan;
    std::string error;
    if (!makeFramePlan(options, &plan, &error)) return fail(error);

    atexit(atExit);
    auto outputs = std::make_unique<Outputs>();
    if (!prepareOutputs(options, outputs.get(), &error)) return fail(error);
    installSignalHandlers();

    // The same engine as the live player, given a frame clock, a screen with
    // no window and, when sound is written, a sink that takes the decoded
    // blocks as fast as they come.
    const bool withSound = outputs->frames.prepared() || outputs->video.prepared();
    SoundCollector sound(kSoundRingSamples);
    soundDeviceSelect(withSound ? SoundBackend::Sink : SoundBackend::None);
    // The second processor's decoder built for this machine whatever the
    // environment says: the same samples as its emulated ARM program, at a
    // hundredth of the cost.
    secondCpuSelect(SecondCpuKind::Native);
    if (withSound) {
        sound.skipTo(soundFrameAt(plan.firstWrittenFrame(), plan.rate));
        sound.attach();
    }
    platformUseHeadlessVideo();
    platformUseFrameClock(0, plan.rate);
    holdEngineOutput();
    demoStartUp();
    passOnHeldOutput(false);

    if (outputs->video.prepared()) {
        if (!outputs->encoder.start(outputs->ffmpeg, outputs->video.stagingPath(),
                                    kWidth * options.scale, kHeight * options.scale, plan.rate,
                                    &error)) {
            sound.close();
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
    FrameWriter writer(frameOutputs);
    std::unique_ptr<SoundWriter> soundWriter;
    if (withSound) {
        soundWriter = std::make_unique<SoundWriter>(
            &sound, plan, outputs->frames.prepared() ? &outputs->wav : nullptr,
            outputs->video.prepared() ? &outputs->encoder : nullptr);
    }

    Progress progress(plan.lastFrame() + 1);
    uint64_t computed = 0;
    for (uint64_t n = 0;; ++n) {
        const bool ended = demoRunFrame();
        ++computed;
        if (plan.writes(n)) {
            fillFrame(writer.next(), n, plan.rate);
            writer.publish();
        }
        progress.frameDone(computed);
        if (ended || n >= plan.lastFrame() || gInterrupted || writer.failed()) break;
        platformEndFrame();
    }
    progress.clear();

    // The frames first, then the sound up to the last of them, while the
    // decoder still runs; then the engine stops.
    bool writesOk = writer.finish();
    if (!writesOk) error = writer.failure();
    if (soundWriter) {
        soundWriter->endWith(computed - 1);
        if (!soundWriter->finish() && writesOk) {
            error = "cannot write " + options.framesDir + "/sound.wav";
            writesOk = false;
        }
        if (soundWriter->soundLost()) {
            fprintf(stderr,
                    "capture: no sound came from the second processor after %llu ms: silence from "
                    "there\n",
                    static_cast<unsigned long long>(soundWriter->lostFromMs()));
        }
    }
    sound.close();
    demoShutDown();
    sound.detach();
    if (!finishOutputs(outputs.get(), writesOk, &error)) return fail(error);

    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const double musicSeconds = double(computed) * plan.rate.denominator / plan.rate.numerator;
    std::string wrote;
    for (const StagedOutput* o : {&outputs->video, &outputs->frames, &outputs->hashes}) {
        if (!o->path().empty()) wrote += (wrote.empty() ? "" : ", ") + sizeText(o->path());
    }
    if (outputs->hashesToStdout) wrote += wrote.empty() ? "hashes" : ", hashes";
    fprintf(stderr,
            "capture: %s%llu frames at %s fps in %.1f s (%.1fx real time), %llu written -> %s\n",
            gInterrupted ? "interrupted after " : "", static_cast<unsigned long long>(computed),
            rateText(plan.rate).c_str(), seconds, musicSeconds / seconds,
            static_cast<unsigned long long>(writer.framesWritten()), wrote.c_str());
    return gInterrupted ? kExitInterrupted : 0;
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
