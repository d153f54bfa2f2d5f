#include "music/music_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/code940/code940_image.h"
#include "platform/code940/decoder_program.h"
#include "platform/messages.h"
#include "platform/sound_control_layout.h"
#include "platform/sound_device.h"

namespace AudioBridge {

namespace {

// The file's first `limit` bytes (all of it if shorter); false with errno set.
bool readUpTo(const char* path, size_t limit, std::vector<uint8_t>* bytes) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return false;
    bytes->resize(limit);
    bytes->resize(fread(bytes->data(), 1, limit, file));
    const bool ok = ferror(file) == 0;
    const int error = errno;
    fclose(file);
    errno = error;
    return ok;
}

std::string unreadable(const char* path) {
    if (errno == ENOENT) return std::string(path) + " is missing";
    return std::string(path) + " cannot be read: " + strerror(errno);
}

// Tenths of a second, "5.6".
std::string tenthsText(uint64_t tenths) {
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

}  // namespace

std::string programProblem(const char* programPath) {
    std::vector<uint8_t> image;
    if (!readUpTo(programPath, kCode940Capacity + 1, &image)) return unreadable(programPath);
    if (image.size() > kCode940Capacity) {
        return std::string(programPath) +
               " is larger than the 2 MiB before the sound control block";
    }
    if (!code940ImageRecognised(image.data(), image.size())) {
        return std::string(programPath) + " is not a program the second processor runs";
    }
    return "";
}

std::string songProblem(uint32_t demoMs, const char* songPath) {
    std::vector<uint8_t> song;
    if (!readUpTo(songPath, size_t(kSongCapacity) + 1, &song)) return unreadable(songPath);
    if (song.size() > kSongCapacity) {
        return std::string(songPath) + " does not fit the " + std::to_string(kSongCapacity) +
               " bytes of the song area";
    }
    if (!decoderAcceptsSong(song.data(), song.size())) {
        return std::string(songPath) + " is not an Ogg Vorbis stream";
    }
    const uint64_t samples = songSamples(song.data(), song.size());
    if (samples < soundFrameAtMs(demoMs)) {
        // Rounded apart (the song's end down, the demo's length up), so that
        // the two figures never read alike.
        return std::string(songPath) + " ends at " + secondsText(samples) + " s, the demo needs " +
               tenthsText((uint64_t(demoMs) + 99) / 100) + " s";
    }
    return "";
}

std::string musicProblem(uint32_t demoMs, const char* songPath) {
    const std::string program = programProblem();
    const std::string song = songProblem(demoMs, songPath);
    if (program.empty() || song.empty()) return program + song;
    return program + ", and " + song;
}

void warnIfNoMusic(const std::string& problem) {
    if (!problem.empty()) problemLine("no music: %s", problem.c_str());
}

std::string secondsText(uint64_t sample) {
    return tenthsText(sample * 10 / kSoundSamplesPerSecond);
}

}  // namespace AudioBridge
