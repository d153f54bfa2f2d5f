// dsp.h - the synthesizer's small building blocks: noise, band-limited
// oscillators, a resonant filter, envelope decays. Single precision, one sample
// at a time; everything is deterministic (noise comes from a seeded generator).
#pragma once

#include <cmath>
#include <cstdint>

namespace song {

constexpr int kSampleRate = 44100;
constexpr float kPi = 3.14159265358979f;

inline float noteFrequency(float note) {
    return 440.0f * std::exp2((note - 69.0f) / 12.0f);
}

// Multiplier per sample that makes a level fall to 1/e in `seconds`.
inline float decayPerSample(float seconds) {
    return std::exp(-1.0f / (seconds * float(kSampleRate)));
}

// xorshift32: the same seed gives the same noise on every run.
struct Noise {
    uint32_t state = 0x9E3779B9u;
    explicit Noise(uint32_t seed = 1) : state(seed != 0 ? seed : 0x9E3779B9u) {}
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // White noise in [-1, 1).
    float white() { return float(int32_t(next())) * (1.0f / 2147483648.0f); }
    // Uniform in [0, 1).
    float unit() { return float(next() >> 8) * (1.0f / 16777216.0f); }
};

// Correction that removes the step discontinuity's aliasing from a naive
// oscillator (two-sample polynomial band-limited step).
inline float polyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

// Phase accumulator in [0, 1).
struct Phase {
    float value = 0.0f;
    float advance(float increment) {
        const float before = value;
        value += increment;
        if (value >= 1.0f) value -= 1.0f;
        return before;
    }
};

inline float sawWave(Phase& phase, float increment) {
    const float t = phase.advance(increment);
    return 2.0f * t - 1.0f - polyBlep(t, increment);
}

inline float pulseWave(Phase& phase, float increment, float width) {
    const float t = phase.advance(increment);
    float shifted = t + 1.0f - width;
    if (shifted >= 1.0f) shifted -= 1.0f;
    return (t < width ? 1.0f : -1.0f) + polyBlep(t, increment) - polyBlep(shifted, increment);
}

inline float sineWave(Phase& phase, float increment) {
    return std::sin(2.0f * kPi * phase.advance(increment));
}

// State-variable filter (trapezoidal integration): stable at any cutoff and
// resonance, so cutoff sweeps never blow up. Resonance 0..1 (1 = self-oscillation).
struct Svf {
    float a1 = 0, a2 = 0, a3 = 0, k = 2;
    float ic1 = 0, ic2 = 0;
    float band = 0;

    void tune(float cutoffHz, float resonance) {
        const float limited = std::fmin(std::fmax(cutoffHz, 10.0f), 0.45f * kSampleRate);
        const float g = std::tan(kPi * limited / float(kSampleRate));
        k = 2.0f - 2.0f * std::fmin(resonance, 0.98f);
        a1 = 1.0f / (1.0f + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    float lowPass(float in) {
        const float v3 = in - ic2;
        const float v1 = a1 * ic1 + a2 * v3;
        const float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0f * v1 - ic1;
        ic2 = 2.0f * v2 - ic2;
        band = v1;
        return v2;
    }
    float highPass(float in) {
        const float low = lowPass(in);
        return in - k * band - low;
    }
    float bandPass(float in) {
        lowPass(in);
        return band;
    }
};

// One-pole low-pass, for smoothing and gentle tone control.
struct OnePole {
    float coefficient = 0;
    float state = 0;
    void tune(float cutoffHz) {
        coefficient = 1.0f - std::exp(-2.0f * kPi * cutoffHz / float(kSampleRate));
    }
    float process(float in) { return state += coefficient * (in - state); }
};

// Equal-power pan: -1 left, 0 centre, +1 right.
inline void panGains(float pan, float& left, float& right) {
    const float angle = (pan + 1.0f) * 0.25f * kPi;
    left = std::cos(angle);
    right = std::sin(angle);
}

}  // namespace song
