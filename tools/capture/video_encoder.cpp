#include "capture/video_encoder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sound_device.h"

extern char** environ;

namespace {

// ffmpeg reads the frames from its descriptor 3 and the sound from 4.
constexpr int kChildVideoFd = 3;
constexpr int kChildSoundFd = 4;
// Our own ends are kept above the descriptors the child is given, so that
// placing them there never overlaps.
constexpr int kFirstPrivateFd = 10;

int movedAbove(int fd) {
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, kFirstPrivateFd);
    close(fd);
    return moved;
}

// A pipe with both ends above the child's descriptors, closed on exec.
bool makePipe(int* readEnd, int* writeEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    *readEnd = movedAbove(ends[0]);
    *writeEnd = movedAbove(ends[1]);
    return *readEnd >= 0 && *writeEnd >= 0;
}

std::string rateText(FrameRate rate) {
    return std::to_string(rate.numerator) + "/" + std::to_string(rate.denominator);
}

// ffmpeg's arguments: frames from descriptor 3 and, with sound, sound from 4.
std::vector<std::string> encoderArguments(const std::string& ffmpeg, const std::string& path,
                                          const std::string& container, int width, int height,
                                          FrameRate rate, bool withSound) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::vector<std::string> args = {ffmpeg,      "-hide_banner", "-nostdin",
                                     "-loglevel", "error",        "-y"};
    args.insert(args.end(), {"-f", "rawvideo", "-pix_fmt", "rgb565le", "-s", size, "-framerate",
                             rateText(rate), "-i", "pipe:3"});
    if (withSound) {
        args.insert(args.end(), {"-f", "s16le", "-ar", std::to_string(kSoundSamplesPerSecond),
                                 "-ac", "2", "-i", "pipe:4", "-map", "0:v", "-map", "1:a"});
    }
    args.insert(args.end(),
                {"-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p"});
    if (withSound) {
        // An interrupted run may have sent more sound than frames: the file
        // ends with the shorter stream. Complete runs send both to the sample.
        args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k", "-shortest"});
    }
    // The index first, so that a player can start before it has the whole file.
    if (container != "matroska") args.insert(args.end(), {"-movflags", "+faststart"});
    args.insert(args.end(), {"-f", container, path});
    return args;
}

}  // namespace

std::string findOnPath(const std::string& program) {
    const char* path = getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        const size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + program;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string::npos) return "";
        start = colon + 1;
    }
}

VideoEncoder::~VideoEncoder() {
    if (pid_ > 0) {
        // Not finished: the file is being abandoned.
        kill(pid_, SIGKILL);
        std::string ignored;
        finish("", &ignored);
    }
    if (messages_ >= 0) close(messages_);
}

bool VideoEncoder::start(const std::string& ffmpeg, const std::string& path, const char* container,
                         int width, int height, FrameRate rate, bool withSound,
                         std::string* error) {
    int videoRead = -1;
    int soundRead = -1;
    char messagesName[] = "/tmp/capture-ffmpeg-XXXXXX";
    messages_ = mkostemp(messagesName, O_CLOEXEC);
    if (messages_ >= 0) {
        unlink(messagesName);
        messages_ = movedAbove(messages_);
    }
    if (messages_ < 0 || !makePipe(&videoRead, &videoPipe_) ||
        (withSound && !makePipe(&soundRead, &soundPipe_))) {
        *error = std::string("cannot start ffmpeg: ") + strerror(errno);
        return false;
    }
    const std::vector<std::string> args =
        encoderArguments(ffmpeg, path, container, width, height, rate, withSound);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, messages_, 2);
    posix_spawn_file_actions_adddup2(&actions, videoRead, kChildVideoFd);
    if (withSound) posix_spawn_file_actions_adddup2(&actions, soundRead, kChildSoundFd);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    const int spawned =
        posix_spawn(&pid_, ffmpeg.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(videoRead);
    if (withSound) close(soundRead);
    if (spawned != 0) {
        pid_ = -1;
        *error = "cannot start " + ffmpeg + ": " + strerror(spawned);
        return false;
    }
    return true;
}

bool VideoEncoder::writeAll(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= size_t(n);
    }
    return true;
}

bool VideoEncoder::writeFrame(const uint16_t* pixels, size_t count) {
    // RGB565 little-endian is the machine's own layout.
    return videoPipe_ >= 0 && writeAll(videoPipe_, pixels, count * 2);
}

bool VideoEncoder::writeSound(const int16_t* samples, size_t stereoSamples) {
    return soundPipe_ >= 0 && writeAll(soundPipe_, samples, stereoSamples * 4);
}

// The end of ffmpeg's messages, without the final line break.
std::string VideoEncoder::messages() {
    if (messages_ < 0) return "";
    const off_t size = lseek(messages_, 0, SEEK_END);
    const off_t from = size > 4096 ? size - 4096 : 0;
    std::string text(size_t(size - from), '\0');
    if (pread(messages_, text.data(), text.size(), from) < 0) return "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

namespace {

// The system's reason for a failed write, as ffmpeg quotes it ("...: No
// space left on device"); empty if its messages name none. It often ends
// with a consequence ("Error initializing output stream 0:1 --") after the
// line that has the cause.
std::string writeFailureIn(const std::string& messages) {
    for (const int reason : {ENOSPC, EDQUOT, EFBIG, EIO, EROFS, EACCES, EPERM}) {
        const std::string text = strerror(reason);
        if (messages.find(": " + text) != std::string::npos) return text;
    }
    return "";
}

}  // namespace

void VideoEncoder::closeFrames() {
    if (videoPipe_ >= 0) close(videoPipe_);
    videoPipe_ = -1;
}

void VideoEncoder::closeSound() {
    if (soundPipe_ >= 0) close(soundPipe_);
    soundPipe_ = -1;
}

bool VideoEncoder::finish(const std::string& videoName, std::string* error) {
    closeFrames();
    closeSound();
    if (pid_ <= 0) return false;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    const std::string said = messages();
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && said.empty()) return true;
    const std::string reason = writeFailureIn(said);
    if (!reason.empty()) {
        *error = "cannot write " + videoName + ": " + reason;
        return false;
    }
    const size_t newline = said.find_last_of('\n');
    const std::string last = newline == std::string::npos ? said : said.substr(newline + 1);
    *error = "ffmpeg failed" + (last.empty() ? std::string() : ": " + last);
    return false;
}
