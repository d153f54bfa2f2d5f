#include "core/frame_plan.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "core/timeline.h"
#include "music/pattern_data.h"
#include "platform/sound_device.h"

namespace {

constexpr uint32_t kMaxFps = 1000;
constexpr uint32_t kMaxDenominator = 1000000;

}  // namespace

bool parseWholeNumber(const std::string& text, uint64_t limit, uint64_t* value) {
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

uint64_t frameTimeMs(uint64_t frame, FrameRate rate) {
    return frame * 1000 * rate.denominator / rate.numerator;
}

// floor(n * 1000 * d / f) >= ms exactly when n * 1000 * d >= ms * f, ms being whole.
uint64_t firstFrameAtOrAfter(uint64_t ms, FrameRate rate) {
    const uint64_t perFrame = uint64_t{1000} * rate.denominator;
    return (ms * rate.numerator + perFrame - 1) / perFrame;
}

// floor(n * 1000 * d / f) <= ms exactly when n * 1000 * d < (ms + 1) * f.
uint64_t lastFrameAtOrBefore(uint64_t ms, FrameRate rate) {
    return firstFrameAtOrAfter(ms + 1, rate) - 1;
}

uint64_t soundFrameAt(uint64_t frame, FrameRate rate) {
    return frame * kSoundSamplesPerSecond * rate.denominator / rate.numerator;
}

uint32_t demoEndMs() {
    return uint32_t(PatternData::firstMsOfRow(kEndPosition * PatternData::kRows));
}

bool parseFrameRate(const std::string& text, FrameRate* rate) {
    uint64_t numerator = 0;
    uint64_t denominator = 1;
    const size_t slash = text.find('/');
    const size_t dot = text.find('.');
    if (slash != std::string::npos) {
        if (!parseWholeNumber(text.substr(0, slash), UINT32_MAX, &numerator) ||
            !parseWholeNumber(text.substr(slash + 1), kMaxDenominator, &denominator))
            return false;
    } else if (dot != std::string::npos) {
        const std::string whole = text.substr(0, dot);
        const std::string fraction = text.substr(dot + 1);
        if (fraction.empty() || fraction.size() > 6) return false;
        uint64_t w = 0;
        uint64_t f = 0;
        if (!parseWholeNumber(whole, kMaxFps, &w) || !parseWholeNumber(fraction, 999999, &f))
            return false;
        for (size_t i = 0; i < fraction.size(); ++i) denominator *= 10;
        numerator = w * denominator + f;
    } else if (!parseWholeNumber(text, kMaxFps, &numerator)) {
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

namespace {

// "1:32", "1:32.4" or "0:05.125": minutes, two digits of seconds below 60, and
// up to three digits of their fraction.
bool parseMinutesAndSeconds(const std::string& text, uint32_t* ms) {
    const size_t colon = text.find(':');
    const size_t dot = text.find('.', colon);
    const std::string seconds = text.substr(colon + 1, dot - colon - 1);
    const std::string fraction = dot == std::string::npos ? "0" : text.substr(dot + 1);
    uint64_t m = 0;
    uint64_t s = 0;
    uint64_t f = 0;
    if (seconds.size() != 2 || fraction.empty() || fraction.size() > 3 ||
        !parseWholeNumber(text.substr(0, colon), 999, &m) || !parseWholeNumber(seconds, 59, &s) ||
        !parseWholeNumber(fraction, 999, &f))
        return false;
    for (size_t digits = fraction.size(); digits < 3; ++digits) f *= 10;
    *ms = uint32_t((m * 60 + s) * 1000 + f);
    return true;
}

}  // namespace

bool parseMusicTime(const std::string& text, uint32_t* ms) {
    uint64_t value = 0;
    if (!text.empty() && text[0] == 'p') {
        if (!parseWholeNumber(text.substr(1), kEndPosition, &value)) return false;
        *ms = uint32_t(PatternData::firstMsOfRow(int32_t(value) * PatternData::kRows));
        return true;
    }
    if (text.find(':') != std::string::npos) return parseMinutesAndSeconds(text, ms);
    if (!parseWholeNumber(text, UINT32_MAX, &value)) return false;
    *ms = uint32_t(value);
    return true;
}

std::string musicTimeText(uint32_t ms) {
    char text[24];
    snprintf(text, sizeof text, "%u:%02u.%03u", unsigned(ms / 60000), unsigned(ms / 1000 % 60),
             unsigned(ms % 1000));
    return text;
}

bool parseMusicTimes(const std::string& text, std::vector<uint32_t>* times) {
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        uint32_t ms = 0;
        if (!parseMusicTime(text.substr(start, comma - start), &ms)) return false;
        times->push_back(ms);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
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

bool makeFramePlan(const FrameChoice& choice, FramePlan* plan, std::string* error) {
    const uint32_t endMs = demoEndMs();
    const auto afterEnd = [&](const char* what, uint32_t ms) {
        *error = std::string(what) + " " + std::to_string(ms) +
                 " ms is after the end of the demo (" + std::to_string(endMs) + " ms)";
        return false;
    };
    *plan = FramePlan();
    plan->rate = choice.rate;
    plan->endFrame = firstFrameAtOrAfter(endMs, choice.rate);
    // A time up to the end frame's own time still names the end frame: that
    // frame is the first at or after the end, and may fall a little after it.
    const auto pastTheEnd = [&](uint32_t ms) {
        return firstFrameAtOrAfter(ms, choice.rate) > plan->endFrame;
    };
    for (uint32_t ms : choice.atMs) {
        if (pastTheEnd(ms)) return afterEnd("--at", ms);
        plan->at.push_back(firstFrameAtOrAfter(ms, choice.rate));
    }
    std::sort(plan->at.begin(), plan->at.end());
    plan->at.erase(std::unique(plan->at.begin(), plan->at.end()), plan->at.end());

    plan->firstWritten = choice.fromMs ? firstFrameAtOrAfter(*choice.fromMs, choice.rate) : 0;
    plan->rangeEnd = plan->endFrame + 1;
    if (choice.toMs) {
        plan->rangeEnd = std::min(plan->rangeEnd, firstFrameAtOrAfter(*choice.toMs, choice.rate));
    }
    if (choice.fromMs && pastTheEnd(*choice.fromMs)) return afterEnd("--from", *choice.fromMs);
    if (plan->at.empty() && plan->firstWritten >= plan->rangeEnd) {
        const std::string to = "--to " + std::to_string(choice.toMs.value_or(endMs)) + " ms";
        *error = choice.fromMs ? "no frame lies in the range: --from " +
                                     std::to_string(*choice.fromMs) + " ms is not before " + to
                               : "no frame lies before " + to + ": the first frame is at 0 ms";
        return false;
    }
    return true;
}

FramePlan wholeDemoPlan(FrameRate rate) {
    FramePlan plan;
    plan.rate = rate;
    plan.endFrame = firstFrameAtOrAfter(demoEndMs(), rate);
    plan.firstWritten = plan.endFrame + 1;
    plan.rangeEnd = plan.endFrame + 1;
    return plan;
}
