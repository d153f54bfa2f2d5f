#include "capture/options.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <numeric>

#include "core/timeline.h"
#include "music/pattern_data.h"

const char* const kCaptureUsage =
    "usage: capture [--out FILE.mp4] [--frames DIR] [--hashes FILE|-] [--fps RATE]\n"
    "               [--from TIME] [--to TIME] [--at MS[,MS...]] [--scale N] [--no-sound]\n"
    "Renders the demo offline, frame by frame at a fixed rate, with its sound, from\n"
    "the run folder (data/ and code940.bin in the working directory).\n"
    "  --out FILE.mp4   H.264 video with the soundtrack (through ffmpeg); FILE.mkv\n"
    "                   and FILE.mov give those containers\n"
    "  --frames DIR     DIR/frame_000123.png for every frame written, and DIR/sound.wav;\n"
    "                   DIR must be new or empty, and one run at a time fills it\n"
    "  --hashes FILE    one line a frame: n ms position row hash ('-': standard output)\n"
    "  --fps RATE       frames a second: 60 (the default), 50, 59.94, 60000/1001\n"
    "  --from TIME      write from the first frame at or after TIME\n"
    "  --to TIME        write the frames before TIME (the default: to the end)\n"
    "                   TIME: milliseconds of music, or pN for the start of position N\n"
    "  --at MS[,MS...]  write only the first frame at or after each of these times\n"
    "  --scale N        frames and video N times larger, N from 1 to 8\n"
    "  --no-sound       the video and the frames without sound (the music is\n"
    "                   otherwise required: without it capture refuses to start)\n"
    "Frame n shows music time floor(n * 1000 / fps) ms; the run ends with the frame\n"
    "that ends the demo (position 35). Frames before --from are computed, not written.\n"
    "Each written frame carries its own 1/fps of sound.\n";

namespace {

constexpr uint32_t kMaxFps = 1000;
constexpr uint32_t kMaxDenominator = 1000000;
constexpr int kMaxScale = 8;

bool parseUnsigned(const std::string& text, uint64_t limit, uint64_t* value) {
    if (text.empty() || text.size() > 12) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + uint64_t(c - '0');
    }
    if (v > limit) return false;
    *value = v;
    return true;
}

bool parseAtList(const std::string& text, std::vector<uint32_t>* times) {
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        uint64_t ms = 0;
        if (!parseUnsigned(text.substr(start, comma - start), UINT32_MAX, &ms)) return false;
        times->push_back(uint32_t(ms));
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

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
        return refuseValue(error, from ? "--from" : "--to", "milliseconds or a position p0 to p35",
                           value);
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
            return parseAtList(value, &options->atMs) ||
                   refuseValue(error, "--at", "milliseconds separated by commas", value);
        case kScale:
            if (!parseUnsigned(value, kMaxScale, &scale) || scale == 0) {
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

bool parseFrameRate(const std::string& text, FrameRate* rate) {
    uint64_t numerator = 0;
    uint64_t denominator = 1;
    const size_t slash = text.find('/');
    const size_t dot = text.find('.');
    if (slash != std::string::npos) {
        if (!parseUnsigned(text.substr(0, slash), UINT32_MAX, &numerator) ||
            !parseUnsigned(text.substr(slash + 1), kMaxDenominator, &denominator))
            return false;
    } else if (dot != std::string::npos) {
        const std::string whole = text.substr(0, dot);
        const std::string fraction = text.substr(dot + 1);
        if (fraction.empty() || fraction.size() > 6) return false;
        uint64_t w = 0;
        uint64_t f = 0;
        if (!parseUnsigned(whole, kMaxFps, &w) || !parseUnsigned(fraction, 999999, &f))
            return false;
        for (size_t i = 0; i < fraction.size(); ++i) denominator *= 10;
        numerator = w * denominator + f;
    } else if (!parseUnsigned(text, kMaxFps, &numerator)) {
        return false;
    }
    if (numerator == 0 || denominator == 0) return false;
    // At least 1 and at most kMaxFps frames a second.
    if (numerator < denominator || numerator > kMaxFps * denominator) return false;
    const uint64_t g = std::gcd(numerator, denominator);
    rate->numerator = uint32_t(numerator / g);
    rate->denominator = uint32_t(denominator / g);
    return true;
}

bool parseMusicTime(const std::string& text, uint32_t* ms) {
    uint64_t value = 0;
    if (!text.empty() && text[0] == 'p') {
        if (!parseUnsigned(text.substr(1), kEndPosition, &value)) return false;
        *ms = uint32_t(PatternData::firstMsOfRow(int32_t(value) * PatternData::kRows));
        return true;
    }
    if (!parseUnsigned(text, UINT32_MAX, &value)) return false;
    *ms = uint32_t(value);
    return true;
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
    const uint32_t endMs = demoEndMs();
    const auto afterEnd = [&](const char* what, uint32_t ms) {
        *error = std::string(what) + " " + std::to_string(ms) +
                 " ms is after the end of the demo (" + std::to_string(endMs) + " ms)";
        return false;
    };
    *plan = FramePlan();
    plan->rate = options.rate;
    plan->endFrame = firstFrameAtOrAfter(endMs, options.rate);
    // A time up to the end frame's own time still names the end frame: that
    // frame is the first at or after the end, and may fall a little after it.
    const auto pastTheEnd = [&](uint32_t ms) {
        return firstFrameAtOrAfter(ms, options.rate) > plan->endFrame;
    };
    for (uint32_t ms : options.atMs) {
        if (pastTheEnd(ms)) return afterEnd("--at", ms);
        plan->at.push_back(firstFrameAtOrAfter(ms, options.rate));
    }
    std::sort(plan->at.begin(), plan->at.end());
    plan->at.erase(std::unique(plan->at.begin(), plan->at.end()), plan->at.end());

    plan->firstWritten = options.hasFrom ? firstFrameAtOrAfter(options.fromMs, options.rate) : 0;
    plan->rangeEnd = plan->endFrame + 1;
    if (options.hasTo)
        plan->rangeEnd = std::min(plan->rangeEnd, firstFrameAtOrAfter(options.toMs, options.rate));
    if (options.hasFrom && pastTheEnd(options.fromMs)) return afterEnd("--from", options.fromMs);
    if (plan->at.empty() && plan->firstWritten >= plan->rangeEnd) {
        *error = options.hasFrom
                     ? "no frame lies in the range: --from " + std::to_string(options.fromMs) +
                           " ms is not before --to " + std::to_string(options.toMs) + " ms"
                     : "no frame lies before --to " + std::to_string(options.toMs) +
                           " ms: the first frame is at 0 ms";
        return false;
    }
    return true;
}

bool FramePlan::writes(uint64_t frame) const {
    if (!at.empty()) return std::binary_search(at.begin(), at.end(), frame);
    return frame >= firstWritten && frame < rangeEnd;
}

uint64_t FramePlan::firstWrittenFrame() const {
    return at.empty() ? firstWritten : at.front();
}

uint64_t FramePlan::nextWrittenAfter(uint64_t frame) const {
    if (!at.empty()) {
        const auto next = std::upper_bound(at.begin(), at.end(), frame);
        return next == at.end() ? lastFrame() + 1 : *next;
    }
    return std::max(frame + 1, firstWritten);
}

uint64_t FramePlan::lastFrame() const {
    return at.empty() ? rangeEnd - 1 : at.back();
}

uint64_t FramePlan::writtenCount() const {
    return at.empty() ? rangeEnd - firstWritten : at.size();
}

uint64_t FramePlan::soundSamplesThrough(uint64_t frame) const {
    if (at.empty()) {
        if (frame < firstWritten) return 0;
        const uint64_t last = std::min(frame, rangeEnd - 1);
        return soundFrameAt(last + 1, rate) - soundFrameAt(firstWritten, rate);
    }
    uint64_t samples = 0;
    for (uint64_t n : at) {
        if (n <= frame) samples += soundFrameAt(n + 1, rate) - soundFrameAt(n, rate);
    }
    return samples;
}
