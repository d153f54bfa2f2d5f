// synth_voice.h - one sounding note of one of the song's instruments.
//
// A voice is started by a note cell, plays its instrument's sound (synthesized
// drums, bass, pads, lead, arpeggio, effects) and fades out after release(): a
// cut, or a new note on its channel. render() writes mono samples; the renderer
// places them in the stereo field and on the effect sends (InstrumentMix).
#pragma once

#include <cstdint>

#include "song/dsp.h"

namespace song {

// How an instrument sits in the mix.
struct InstrumentMix {
    float gain;
    float pan;     // -1 left .. +1 right
    float reverb;  // send level
    float delay;   // send level
    float duck;    // how far the kick pushes it down (0 none, 1 fully)
};
const InstrumentMix& mixOf(uint8_t instrument);

// Attack, decay to sustain, release; retriggering starts from the current level,
// so a new note on a sounding voice does not click.
struct Envelope {
    enum Stage : uint8_t { kAttack, kDecay, kRelease, kOff };
    float attackStep = 1, decayCoef = 0, sustain = 0, releaseCoef = 0;
    float level = 0;
    Stage stage = kOff;

    void set(float attackSeconds, float decaySeconds, float sustainLevel, float releaseSeconds);
    void trigger() { stage = kAttack; }
    void gateOff() {
        if (stage != kOff) stage = kRelease;
    }
    float next() {
        switch (stage) {
            case kAttack:
                level += attackStep;
                if (level >= 1.0f) level = 1.0f, stage = kDecay;
                break;
            case kDecay:
                level = sustain + (level - sustain) * decayCoef;
                if (sustain == 0.0f && level < 1e-4f) level = 0, stage = kOff;
                break;
            case kRelease:
                level *= releaseCoef;
                if (level < 1e-4f) level = 0, stage = kOff;
                break;
            case kOff:
                break;
        }
        return level;
    }
};

class Voice {
  public:
    void start(uint8_t instrument, int note, float velocity, uint32_t seed);
    // Legato: moves to a new pitch without restarting the amplitude.
    void glide(int note, float velocity);
    void release() { amp_.gateOff(); }
    bool active() const { return amp_.stage != Envelope::kOff; }
    bool gated() const { return amp_.stage == Envelope::kAttack || amp_.stage == Envelope::kDecay; }
    uint8_t instrument() const { return instrument_; }
    // Writes `count` mono samples; a voice that has ended writes silence.
    void render(float* out, int count);

  private:
    void renderKick(float* out, int count);
    void renderSnare(float* out, int count);
    void renderHat(float* out, int count, float cutoff);
    void renderBass(float* out, int count);
    void renderSubDrone(float* out, int count);
    void renderPad(float* out, int count);
    void renderLead(float* out, int count);
    void renderArp(float* out, int count);
    void renderRiser(float* out, int count);
    void renderStab(float* out, int count);

    uint8_t instrument_ = 0;
    float velocity_ = 0;
    float frequency_ = 0;
    float targetFrequency_ = 0;
    float sweep_ = 0;  // pitch or filter sweep that decays after the start
    float sweepCoef_ = 0;
    int64_t age_ = 0;  // samples since the start
    Envelope amp_;
    Envelope body_;  // a second amplitude (the snare's tone, the kick's click)
    Phase phase_[4];
    Svf filter_;
    Svf filter2_;
    OnePole smooth_;
    Noise noise_;
    float held_ = 0;      // sample-and-hold value of the glitch stab
    float hopRatio_ = 1;  // the glitch stab's current pitch jump
};

}  // namespace song
