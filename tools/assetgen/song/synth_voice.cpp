// synth_voice.cpp - the sound of each instrument.
#include "song/synth_voice.h"

#include <cmath>

#include "song/song_arrangement.h"

namespace song {
namespace {

constexpr InstrumentMix kSilentMix = {0, 0, 0, 0, 0};

// Indexed by instrument code.
constexpr InstrumentMix kMix[kInstrumentCount] = {
    kSilentMix,
    /* kick       */ {0.60f, 0.0f, 0.02f, 0.0f, 0.0f},
    /* snare      */ {0.70f, 0.05f, 0.22f, 0.0f, 0.0f},
    /* closed hat */ {0.26f, -0.25f, 0.05f, 0.0f, 0.0f},
    /* open hat   */ {0.22f, -0.25f, 0.10f, 0.0f, 0.3f},
    /* bass       */ {0.50f, 0.0f, 0.0f, 0.0f, 0.5f},
    /* pad        */ {0.20f, 0.0f, 0.45f, 0.08f, 0.6f},
    /* lead       */ {0.32f, -0.12f, 0.28f, 0.28f, 0.25f},
    /* arp        */ {0.15f, 0.35f, 0.20f, 0.35f, 0.45f},
    /* crash      */ {0.17f, -0.25f, 0.20f, 0.0f, 0.0f},
    /* riser      */ {0.20f, 0.0f, 0.35f, 0.10f, 0.0f},
    /* stab       */ {0.30f, 0.0f, 0.30f, 0.45f, 0.0f},
    /* sub drone  */ {0.16f, 0.0f, 0.0f, 0.0f, 0.3f},
};

constexpr float kRiserSeconds = 64 * float(kRowMs) / 1000.0f;  // two bars
constexpr int kControlInterval = 32;                           // samples between filter retunes

// Saturation that keeps peaks round instead of clipping them.
inline float softClip(float x) {
    return std::tanh(x);
}

}  // namespace

const InstrumentMix& mixOf(uint8_t instrument) {
    return instrument < kInstrumentCount ? kMix[instrument] : kSilentMix;
}

void Envelope::set(float attackSeconds, float decaySeconds, float sustainLevel,
                   float releaseSeconds) {
    attackStep = 1.0f / std::fmax(1.0f, attackSeconds * float(kSampleRate));
    decayCoef = decayPerSample(decaySeconds);
    sustain = sustainLevel;
    releaseCoef = decayPerSample(releaseSeconds);
}

void Voice::start(uint8_t instrument, int note, float velocity, uint32_t seed) {
    const bool wasSounding = active();
    instrument_ = instrument;
    velocity_ = velocity;
    frequency_ = targetFrequency_ = noteFrequency(float(note));
    age_ = 0;
    noise_ = Noise(seed * 2654435761u + 12345u);
    if (!wasSounding) {
        filter_ = Svf{};
        filter2_ = Svf{};
        smooth_ = OnePole{};
        for (Phase& p : phase_) p.value = noise_.unit();
    }
    hopRatio_ = 1;
    held_ = 0;
    switch (instrument) {
        case kKick:
            amp_.set(0.0004f, 0.2f, 0.0f, 0.012f);
            body_.set(0.0001f, 0.0015f, 0.0f, 0.001f);
            for (Phase& p : phase_) p.value = 0;  // every kick starts at the same phase
            smooth_.tune(5000.0f);
            sweep_ = 105.0f;
            sweepCoef_ = decayPerSample(0.010f);
            break;
        case kSnare:
            amp_.set(0.0005f, 0.14f, 0.0f, 0.03f);
            body_.set(0.0005f, 0.07f, 0.0f, 0.03f);
            sweep_ = 60.0f;
            sweepCoef_ = decayPerSample(0.012f);
            filter_.tune(1800.0f, 0.1f);
            filter2_.tune(9000.0f, 0.0f);
            break;
        case kClosedHat:
            amp_.set(0.0003f, 0.028f, 0.0f, 0.01f);
            break;
        case kOpenHat:
            amp_.set(0.0005f, 0.22f, 0.0f, 0.03f);
            break;
        case kCrash:
            amp_.set(0.001f, 1.3f, 0.0f, 0.4f);
            filter_.tune(4200.0f, 0.0f);
            break;
        case kBass:
            amp_.set(0.004f, 0.3f, 0.85f, 0.05f);
            sweep_ = 1.0f;
            sweepCoef_ = decayPerSample(0.14f);
            break;
        case kSubDrone:
            amp_.set(0.4f, 1.0f, 1.0f, 0.5f);
            smooth_.tune(160.0f);
            break;
        case kPad:
            amp_.set(0.35f, 1.2f, 0.8f, 0.9f);
            break;
        case kLead:
            amp_.set(0.006f, 0.35f, 0.75f, 0.14f);
            sweep_ = 1.0f;
            sweepCoef_ = decayPerSample(0.25f);
            break;
        case kArp:
            amp_.set(0.002f, 0.16f, 0.0f, 0.05f);
            sweep_ = 1.0f;
            sweepCoef_ = decayPerSample(0.06f);
            break;
        case kRiser:
            amp_.set(0.001f, 1.0f, 1.0f, 0.02f);
            break;
        case kGlitchStab:
            amp_.set(0.001f, 0.5f, 0.6f, 0.004f);
            smooth_.tune(3500.0f);
            break;
        default:
            amp_.set(0.001f, 0.001f, 0.0f, 0.001f);
            break;
    }
    amp_.trigger();
    body_.level = 0;
    body_.trigger();
}

void Voice::glide(int note, float velocity) {
    targetFrequency_ = noteFrequency(float(note));
    velocity_ = velocity;
    sweep_ = 1.0f;  // the filter opens again for the new note
}

void Voice::render(float* out, int count) {
    if (!active()) {
        for (int i = 0; i < count; ++i) out[i] = 0;
        return;
    }
    switch (instrument_) {
        case kKick:
            renderKick(out, count);
            break;
        case kSnare:
            renderSnare(out, count);
            break;
        case kClosedHat:
            renderHat(out, count, 7500.0f);
            break;
        case kOpenHat:
            renderHat(out, count, 6500.0f);
            break;
        case kCrash:
            renderHat(out, count, 4200.0f);
            break;
        case kBass:
            renderBass(out, count);
            break;
        case kSubDrone:
            renderSubDrone(out, count);
            break;
        case kPad:
            renderPad(out, count);
            break;
        case kLead:
            renderLead(out, count);
            break;
        case kArp:
            renderArp(out, count);
            break;
        case kRiser:
            renderRiser(out, count);
            break;
        case kGlitchStab:
            renderStab(out, count);
            break;
        default:
            for (int i = 0; i < count; ++i) out[i] = 0;
            amp_.stage = Envelope::kOff;
            break;
    }
    age_ += count;
}

// Sine falling from 150 Hz to 45 Hz within a few tens of milliseconds, with a
// short noise click on top: the attack is what marks the beat.
void Voice::renderKick(float* out, int count) {
    for (int i = 0; i < count; ++i) {
        const float frequency = 45.0f + sweep_;
        sweep_ *= sweepCoef_;
        const float tone = sineWave(phase_[0], frequency / float(kSampleRate));
        const float click = smooth_.process(noise_.white()) * body_.next();
        const float level = amp_.next();
        out[i] = softClip(1.7f * (tone * level + 0.6f * click)) * velocity_;
    }
}

void Voice::renderSnare(float* out, int count) {
    for (int i = 0; i < count; ++i) {
        const float frequency = 180.0f + sweep_;
        sweep_ *= sweepCoef_;
        const float tone = sineWave(phase_[0], frequency / float(kSampleRate)) * body_.next();
        const float rattle = filter2_.lowPass(filter_.highPass(noise_.white())) * amp_.next();
        out[i] = (0.6f * tone + 0.9f * rattle) * velocity_;
    }
}

// Hats and cymbal: high-passed noise with a touch of resonance for a metallic ring.
void Voice::renderHat(float* out, int count, float cutoff) {
    if (age_ == 0) filter_.tune(cutoff, 0.35f);
    for (int i = 0; i < count; ++i)
        out[i] = filter_.highPass(noise_.white()) * amp_.next() * velocity_;
}

// Two slightly detuned saws and a sine at the fundamental through a resonant
// low-pass whose cutoff jumps up at each note and settles back.
void Voice::renderBass(float* out, int count) {
    const float glideCoef = decayPerSample(0.025f);
    for (int i = 0; i < count; ++i) {
        if ((age_ + i) % kControlInterval == 0) {
            filter_.tune(170.0f + 1500.0f * velocity_ * sweep_, 0.35f);
        }
        sweep_ *= sweepCoef_;
        frequency_ = targetFrequency_ + (frequency_ - targetFrequency_) * glideCoef;
        const float increment = frequency_ / float(kSampleRate);
        const float saws = sawWave(phase_[0], increment) + sawWave(phase_[1], increment * 1.004f);
        const float sub = sineWave(phase_[2], increment);
        const float filtered = filter_.lowPass(0.45f * saws);
        out[i] = softClip(1.3f * (filtered + 0.4f * sub)) * amp_.next() * velocity_;
    }
}

void Voice::renderSubDrone(float* out, int count) {
    const float increment = frequency_ / float(kSampleRate);
    for (int i = 0; i < count; ++i) {
        const float body =
            sineWave(phase_[0], increment) + 0.25f * smooth_.process(sawWave(phase_[1], increment));
        out[i] = body * amp_.next() * velocity_;
    }
}

// Three detuned saws through a low-pass that breathes with a slow wobble.
void Voice::renderPad(float* out, int count) {
    const float detune[3] = {0.9931f, 1.0f, 1.0072f};
    const float increment = frequency_ / float(kSampleRate);
    for (int i = 0; i < count; ++i) {
        const int64_t t = age_ + i;
        if (t % kControlInterval == 0) {
            const float wobble = std::sin(2.0f * kPi * 0.17f * float(t) / float(kSampleRate) +
                                          phase_[3].value * 6.283f);
            filter_.tune(1300.0f + 650.0f * wobble, 0.18f);
        }
        float sum = 0;
        for (int s = 0; s < 3; ++s) sum += sawWave(phase_[s], increment * detune[s]);
        out[i] = filter_.lowPass(sum * 0.4f) * amp_.next() * velocity_;
    }
}

// Saw and square a few cents apart, vibrato that sets in after the attack.
void Voice::renderLead(float* out, int count) {
    for (int i = 0; i < count; ++i) {
        const int64_t t = age_ + i;
        const float seconds = float(t) / float(kSampleRate);
        if (t % kControlInterval == 0) filter_.tune(1600.0f + 3600.0f * sweep_, 0.3f);
        sweep_ *= sweepCoef_;
        const float depth = std::fmin(1.0f, std::fmax(0.0f, (seconds - 0.15f) * 4.0f)) * 0.012f;
        const float vibrato = 1.0f + depth * std::sin(2.0f * kPi * 5.5f * seconds);
        const float increment = frequency_ * vibrato / float(kSampleRate);
        const float wave =
            sawWave(phase_[0], increment) + 0.6f * pulseWave(phase_[1], increment * 1.003f, 0.5f);
        out[i] = filter_.lowPass(0.6f * wave) * amp_.next() * velocity_;
    }
}

void Voice::renderArp(float* out, int count) {
    const float increment = frequency_ / float(kSampleRate);
    for (int i = 0; i < count; ++i) {
        if ((age_ + i) % kControlInterval == 0) filter_.tune(1400.0f + 4200.0f * sweep_, 0.35f);
        sweep_ *= sweepCoef_;
        out[i] = filter_.lowPass(pulseWave(phase_[0], increment, 0.3f)) * amp_.next() * velocity_;
    }
}

// Noise through a band-pass that climbs from 250 Hz to 9 kHz over two bars while
// the level swells; it ends on the downbeat that follows.
void Voice::renderRiser(float* out, int count) {
    const float length = kRiserSeconds * float(kSampleRate);
    for (int i = 0; i < count; ++i) {
        const float progress = float(age_ + i) / length;
        if (progress >= 1.0f) amp_.gateOff();
        if ((age_ + i) % kControlInterval == 0) {
            filter_.tune(250.0f * std::exp2(5.17f * std::fmin(progress, 1.0f)), 0.55f);
        }
        const float swell = std::fmin(progress, 1.0f) * std::fmin(progress, 1.0f);
        out[i] = filter_.bandPass(noise_.white()) * swell * amp_.next() * velocity_ * 1.6f;
    }
}

// A square chord crushed to a few levels and held over several samples, its pitch
// hopping between octaves: the sound of a broken signal.
void Voice::renderStab(float* out, int count) {
    static const float kHops[8] = {1.0f, 2.0f, 1.0f, 0.5f, 1.5f, 1.0f, 2.0f, 0.75f};
    constexpr int kHopSamples = 1470;  // a new jump every 33 ms
    constexpr int kHoldSamples = 5;    // crude sample rate reduction
    for (int i = 0; i < count; ++i) {
        const int64_t t = age_ + i;
        if (t % kHopSamples == 0) hopRatio_ = t == 0 ? 1.0f : kHops[noise_.next() % 8];
        const float increment = frequency_ * hopRatio_ / float(kSampleRate);
        const float chord = pulseWave(phase_[0], increment, 0.5f) +
                            0.7f * pulseWave(phase_[1], increment * 1.4983f, 0.5f) +
                            0.5f * pulseWave(phase_[2], increment * 2.0f, 0.25f);
        if (t % kHoldSamples == 0) {
            const float crushed = std::round((chord + 0.3f * noise_.white()) * 3.0f) / 3.0f;
            held_ = crushed * 0.35f;
        }
        out[i] = smooth_.process(held_) * amp_.next() * velocity_;
    }
}

}  // namespace song
