// mastering.cpp - from the raw mix to the finished soundtrack.
//
// Order: DC removal, the outro fade, then a gain found by a few passes so that
// the limited song meets the loudness target, and a look-ahead limiter that
// holds every sample below the ceiling without clipping.
#include <algorithm>
#include <cmath>
#include <deque>

#include "song/dsp.h"
#include "song/song_renderer.h"

namespace song {
namespace {

constexpr float kDcCutoffHz = 12.0f;
constexpr float kLookAheadSeconds = 0.005f;
constexpr float kReleaseSeconds = 0.08f;

float toDb(double amplitude) {
    return float(20.0 * std::log10(std::max(amplitude, 1e-12)));
}
float fromDb(float db) {
    return std::pow(10.0f, db / 20.0f);
}

void removeDc(std::vector<float>& samples) {
    const float pole = 1.0f - 2.0f * kPi * kDcCutoffHz / float(kSampleRate);
    float previousIn = 0, previousOut = 0;
    for (float& x : samples) {
        const float out = x - previousIn + pole * previousOut;
        previousIn = x;
        previousOut = out;
        x = out;
    }
}

// The outro fades from the start of position 33 to silence a little before the
// end, along a square law so that it sounds even to the ear.
void fadeOutro(StereoBuffer& mix, float silentTailSeconds) {
    const int64_t begin = rowStartSample(int64_t(kSongPositions - 2) * kRowsPerPosition);
    const int64_t end = int64_t(mix.frames()) - int64_t(silentTailSeconds * kSampleRate);
    for (int64_t n = begin; n < int64_t(mix.frames()); ++n) {
        const float remaining = n >= end ? 0.0f : float(end - n) / float(end - begin);
        const float gain = remaining * remaining;
        mix.left[size_t(n)] *= gain;
        mix.right[size_t(n)] *= gain;
    }
}

// Gain per sample that keeps gain * sample within the ceiling. The needed gain
// is the minimum over the next few milliseconds, smoothed by a moving average
// over the same span; because every sample inside that average's window looked
// ahead over the current sample, the result never exceeds what the current
// sample needs. After a peak the gain recovers slowly.
std::vector<float> limiterGains(const StereoBuffer& mix, float gain, float ceiling) {
    const size_t frames = mix.frames();
    const size_t span = size_t(kLookAheadSeconds * kSampleRate);
    std::vector<float> needed(frames);
    for (size_t n = 0; n < frames; ++n) {
        const float peak = gain * std::max(std::fabs(mix.left[n]), std::fabs(mix.right[n]));
        needed[n] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Minimum over [n, n + span] with a monotonic queue of (index, value).
    std::vector<float> ahead(frames);
    std::deque<std::pair<size_t, float>> window;
    size_t next = 0;
    for (size_t n = 0; n < frames; ++n) {
        while (next < frames && next <= n + span) {
            while (!window.empty() && window.back().second >= needed[next]) window.pop_back();
            window.emplace_back(next, needed[next]);
            ++next;
        }
        while (window.front().first < n) window.pop_front();
        ahead[n] = window.front().second;
    }
    // Moving average over [n - span, n], then the slow release.
    const float releaseStep = 1.0f / (kReleaseSeconds * kSampleRate);
    double sum = 0;
    float current = 1.0f;
    for (size_t n = 0; n < frames; ++n) {
        sum += ahead[n];
        if (n > span) sum -= ahead[n - span - 1];
        const size_t count = std::min(n + 1, span + 1);
        const float smoothed = float(sum / double(count));
        current = std::min(smoothed, current + (1.0f - current) * releaseStep);
        // The average is already within the sample's need; the min only guards
        // against the rounding of the running sum.
        needed[n] = std::min(current, needed[n]);
    }
    return needed;
}

double rmsOf(const StereoBuffer& mix, float gain, const std::vector<float>& limits) {
    double sum = 0;
    for (size_t n = 0; n < mix.frames(); ++n) {
        const double l = double(mix.left[n]) * gain * limits[n];
        const double r = double(mix.right[n]) * gain * limits[n];
        sum += l * l + r * r;
    }
    return std::sqrt(sum / (2.0 * double(std::max<size_t>(mix.frames(), 1))));
}

}  // namespace

MasterFigures masterSong(StereoBuffer& mix, const MasterSettings& settings) {
    removeDc(mix.left);
    removeDc(mix.right);
    fadeOutro(mix, settings.silentTailSeconds);
    const float ceiling = fromDb(settings.ceilingDb);
    const float target = fromDb(settings.targetRmsDb);
    float gain = 1.0f;
    std::vector<float> limits(mix.frames(), 1.0f);
    // Limiting takes a little loudness away, so the gain is found by repeating.
    for (int pass = 0; pass < 4; ++pass) {
        limits = limiterGains(mix, gain, ceiling);
        const double rms = rmsOf(mix, gain, limits);
        if (rms <= 0) break;
        gain *= float(target / rms);
    }
    limits = limiterGains(mix, gain, ceiling);
    MasterFigures figures;
    figures.gainDb = toDb(gain);
    double peak = 0, sum = 0;
    float deepest = 1.0f;
    size_t limited = 0;
    for (size_t n = 0; n < mix.frames(); ++n) {
        deepest = std::min(deepest, limits[n]);
        if (limits[n] < 0.891f) ++limited;  // more than 1 dB
        mix.left[n] *= gain * limits[n];
        mix.right[n] *= gain * limits[n];
        peak = std::max(peak, double(std::max(std::fabs(mix.left[n]), std::fabs(mix.right[n]))));
        sum += double(mix.left[n]) * mix.left[n] + double(mix.right[n]) * mix.right[n];
    }
    figures.deepestLimitDb = toDb(deepest);
    figures.limitedShare = float(double(limited) / double(std::max<size_t>(mix.frames(), 1)));
    figures.peakDb = toDb(peak);
    figures.rmsDb = toDb(std::sqrt(sum / (2.0 * double(std::max<size_t>(mix.frames(), 1)))));
    return figures;
}

std::vector<int16_t> toPcm16(const StereoBuffer& song) {
    std::vector<int16_t> pcm(song.frames() * 2);
    auto convert = [](float x) {
        const long v = std::lrint(double(x) * 32767.0);
        return int16_t(std::clamp(v, -32768L, 32767L));
    };
    for (size_t n = 0; n < song.frames(); ++n) {
        pcm[2 * n] = convert(song.left[n]);
        pcm[2 * n + 1] = convert(song.right[n]);
    }
    return pcm;
}

}  // namespace song
