#include "capture/options.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

const char* const kCaptureUsage =
    "usage: capture [--out FILE.mp4] [--frames DIR] [--hashes FILE|-] [--fps RATE]\n"
    "               [--from TIME] [--to TIME] [--at TIME[,...]] [--scale N] [--no-sound]\n"
    "Renders the demo offline, frame by frame at a fixed rate, with its sound, from\n"
    "the run folder (data/ and code940.bin in the working directory).\n"
    "  --out FILE.mp4   H.264 video with the soundtrack (through ffmpeg); FILE.mkv\n"
    "                   and FILE.mov give those containers\n"
    "  --frames DIR     DIR/frame_000123.png for every frame written, and DIR/sound.wav;\n"
    "                   DIR must be new or empty\n"
    "  --hashes FILE    one line a frame: n ms position row hash ('-': standard output)\n"
    "  --fps RATE       frames a second: 60 (the default), 50, 59.94, 60000/1001\n"
    "  --from TIME      write from the first frame at or after TIME\n"
    "  --to TIME        write the frames before TIME (the default: to the end)\n"
    "                   TIME: milliseconds of music (92400), m:ss.s (1:32.4), or pN\n"
    "                   for the start of position N\n"
    "  --at TIME[,...]  write only the first frame at or after each of these times\n"
    "  --scale N        frames and video N times larger, N from 1 to 8\n"
    "  --no-sound       the video and the frames without sound (the music is\n"
    "                   otherwise required: without it capture refuses to start)\n"
    "Frame n shows music time floor(n * 1000 / fps) ms; the run ends with the frame\n"
    "that ends the demo (position 35). Frames before --from are computed, not written.\n"
    "Each written frame carries its own 1/fps of sound.\n";

namespace {

constexpr int kMaxScale = 8;

// The long options' identities, above every character getopt_long returns.
enum OptionId : int {
    kOut = 256,
    kFrames,
    kHashes,
    kFps,
    kFrom,
    kTo,
    kAt,
    kScale,
    kNoSound,
    kHelp = 'h',
};

const option kOptions[] = {
    {"out", required_argument, nullptr, kOut},
    {"frames", required_argument, nullptr, kFrames},
    {"hashes", required_argument, nullptr, kHashes},
    {"fps", required_argument, nullptr, kFps},
    {"from", required_argument, nullptr, kFrom},
    {"to", required_argument, nullptr, kTo},
    {"at", required_argument, nullptr, kAt},
    {"scale", required_argument, nullptr, kScale},
    {"no-sound", no_argument, nullptr, kNoSound},
    {"help", no_argument, nullptr, kHelp},
    {nullptr, 0, nullptr, 0},
};

bool refuse(std::string* error, const std::string& message) {
    *error = message;
    return false;
}

// "--scale takes a whole factor from 1 to 8, not '9'"
bool refuseValue(std::string* error, const char* option, const char* takes,
                 const std::string& value) {
    return refuse(error, std::string(option) + " takes " + takes + ", not '" + value + "'");
}

bool applyVideoPath(const std::string& value, CaptureOptions* options, std::string* error) {
    if (value == "-") {
        return refuse(error, "--out takes a file name: the video cannot go to standard output");
    }
    if (videoContainer(value) == nullptr) {
        return refuseValue(error, "--out", "a name ending in .mp4, .mkv or .mov", value);
    }
    options->videoPath = value;
    return true;
}

bool applyMusicTime(int id, const std::string& value, CaptureOptions* options, std::string* error) {
    const bool from = id == kFrom;
    if (!parseMusicTime(value, from ? &options->fromMs : &options->toMs)) {
        return refuseValue(error, from ? "--from" : "--to",
                           "milliseconds, m:ss.s or a position p0 to p35", value);
    }
    (from ? options->hasFrom : options->hasTo) = true;
    return true;
}

// Stores one option's value; false with one line in *error if it is not valid.
bool applyOption(int id, const std::string& value, CaptureOptions* options, std::string* error) {
    uint64_t scale = 0;
    switch (id) {
        case kOut:
            return applyVideoPath(value, options, error);
        case kFrames:
            options->framesDir = value;
            return true;
        case kHashes:
            options->hashesPath = value;
            return true;
        case kFps:
            return parseFrameRate(value, &options->rate) ||
                   refuseValue(error, "--fps",
                               "a rate from 1 to 1000 such as 60, 59.94 or 60000/1001", value);
        case kFrom:
        case kTo:
            return applyMusicTime(id, value, options, error);
        case kAt:
            return parseMusicTimes(value, &options->atMs) ||
                   refuseValue(error, "--at", "music times separated by commas", value);
        case kScale:
            if (!parseWholeNumber(value, kMaxScale, &scale) || scale == 0) {
                return refuseValue(error, "--scale", "a whole factor from 1 to 8", value);
            }
            options->scale = int(scale);
            return true;
        case kNoSound:
            options->noSound = true;
            return true;
        case kHelp:
            options->help = true;
            return true;
        default:
            return refuse(error, "unknown option (capture --help lists them)");
    }
}

// Why getopt_long refused an argument: `result` is its ':' (a value missing)
// or '?' (anything else), `argument` the word it refused.
std::string refusal(int result, int shortOption, const std::string& argument) {
    if (argument.rfind("--", 0) != 0 && shortOption > 0 && shortOption < 256) {
        return std::string("unknown option -") + char(shortOption) + " (capture --help lists them)";
    }
    const std::string name = argument.substr(0, argument.find('='));
    if (result == ':') return name + " needs a value";
    for (const option& known : kOptions) {
        if (known.name != nullptr && name == std::string("--") + known.name)
            return name + " takes no value";
    }
    return "unknown option " + name + " (capture --help lists them)";
}

}  // namespace

const char* videoContainer(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".mp4") return "mp4";
    if (extension == ".mkv") return "matroska";
    if (extension == ".mov") return "mov";
    return nullptr;
}

bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options,
                         std::string* error) {
    // getopt_long wants the program's name first and may reorder what it is given.
    std::vector<char*> words = {const_cast<char*>("capture")};
    for (int i = 0; i < argc; ++i) words.push_back(const_cast<char*>(argv[i]));
    words.push_back(nullptr);
    const int count = argc + 1;
    // "+": stop at the first word that is not an option; ":": report a missing value as such.
    optind = 0;  // a fresh scan, also for a second call in one process
    opterr = 0;
    for (;;) {
        const int id = getopt_long(count, words.data(), "+:h", kOptions, nullptr);
        if (id == -1) break;
        if (id == '?' || id == ':') return refuse(error, refusal(id, optopt, words[optind - 1]));
        if (!applyOption(id, optarg != nullptr ? optarg : "", options, error)) return false;
    }
    if (optind < count) {
        return refuse(error, std::string("unexpected argument '") + words[optind] +
                                 "' (capture --help lists the options)");
    }
    if (options->help) return true;
    if (options->videoPath.empty() && options->framesDir.empty() && options->hashesPath.empty()) {
        *error = "nothing to write: give --out FILE.mp4, --frames DIR or --hashes FILE";
        return false;
    }
    if (!options->atMs.empty() && (options->hasFrom || options->hasTo)) {
        *error = "--at chooses frames by itself: give it without --from and --to";
        return false;
    }
    return true;
}

bool makeFramePlan(const CaptureOptions& options, FramePlan* plan, std::string* error) {
    FrameChoice choice;
    choice.rate = options.rate;
    choice.atMs = options.atMs;
    if (options.hasFrom) choice.fromMs = options.fromMs;
    if (options.hasTo) choice.toMs = options.toMs;
    return makeFramePlan(choice, plan, error);
}
