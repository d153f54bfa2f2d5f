// song_renderer.cpp - steps through the arrangement row by row, starts and stops
// voices, and mixes them with the kick's side-chain, the reverb and the echo.
#include "song/song_renderer.h"

#include <algorithm>
#include <cmath>

#include "song/effects.h"
#include "song/synth_voice.h"

namespace song {
namespace {

constexpr int kVoicesPerChannel =
    6;  // enough for a pad chord's release to finish before its voice is reused
constexpr float kReverbReturn = 0.9f;
constexpr float kEchoReturn = 0.55f;
constexpr int kEchoRows = 6;  // a dotted eighth at this tempo
constexpr float kDuckSeconds = 0.2f;
constexpr int kMaxRowSamples = 1835;

struct Slot {
    Voice voice;
    float panLeft = 0.7071f;
    float panRight = 0.7071f;
};

struct ChannelState {
    Slot slots[kVoicesPerChannel];
    int stabCount = 0;

    void releaseAll() {
        for (Slot& s : slots) s.voice.release();
    }
    Slot* gatedVoiceOf(uint8_t instrument) {
        for (Slot& s : slots)
            if (s.voice.gated() && s.voice.instrument() == instrument) return &s;
        return nullptr;
    }
    // A silent slot if there is one, otherwise the slot that was started first.
    Slot& freeSlot(const int64_t (&startedAt)[kVoicesPerChannel], int& chosen) {
        for (int i = 0; i < kVoicesPerChannel; ++i)
            if (!slots[i].voice.active()) return slots[chosen = i];
        chosen = int(std::min_element(startedAt, startedAt + kVoicesPerChannel) - startedAt);
        return slots[chosen];
    }
};

float panFor(int channel, uint8_t instrument, int stabCount) {
    if (instrument == kPad) return float(channel - kPadChannel - 1) * 0.55f;  // chord spread wide
    if (instrument == kGlitchStab) return (stabCount % 2 == 0) ? -0.45f : 0.45f;
    return mixOf(instrument).pan;
}

class Renderer {
  public:
    explicit Renderer(const Arrangement& song)
        : song_(song), echo_(int(rowStartSample(kEchoRows))) {}

    StereoBuffer run() {
        StereoBuffer out;
        out.left.assign(size_t(songFrames()), 0.0f);
        out.right.assign(size_t(songFrames()), 0.0f);
        const int rows = kSongPositions * kRowsPerPosition;
        for (int row = 0; row < rows; ++row) {
            startRow(row);
            const int64_t begin = rowStartSample(row);
            renderBlock(out, begin, int(rowStartSample(row + 1) - begin));
        }
        return out;
    }

  private:
    void startRow(int songRow) {
        const int position = songRow / kRowsPerPosition;
        const int row = songRow % kRowsPerPosition;
        for (int c = 0; c < kChannels; ++c) {
            const Cell& cell = song_.at(position, c, row);
            ChannelState& channel = channels_[c];
            if (cell.kind == CellKind::kCut) channel.releaseAll();
            if (cell.kind != CellKind::kNote) continue;
            const float velocity = float(cell.volume) / 100.0f;
            if (cell.instrument == kBass) {
                if (Slot* playing = channel.gatedVoiceOf(kBass)) {
                    playing->voice.glide(cell.note, velocity);
                    continue;
                }
            }
            channel.releaseAll();
            int chosen = 0;
            Slot& slot = channel.freeSlot(startedAt_[c], chosen);
            startedAt_[c][chosen] = songRow;
            const uint32_t seed = uint32_t(songRow) * 16u + uint32_t(c) + 1u;
            slot.voice.start(cell.instrument, cell.note, velocity, seed);
            panGains(panFor(c, cell.instrument, channel.stabCount), slot.panLeft, slot.panRight);
            if (cell.instrument == kGlitchStab) ++channel.stabCount;
            if (cell.instrument == kKick) {
                duckAge_ = 0;
                duckDepth_ = velocity;
            }
        }
    }

    void renderBlock(StereoBuffer& out, int64_t begin, int count) {
        float duck[kMaxRowSamples];
        for (int i = 0; i < count; ++i, ++duckAge_) {
            const float t = float(duckAge_) / float(kSampleRate);
            const float left = std::fmax(0.0f, 1.0f - t / kDuckSeconds);
            duck[i] = duckDepth_ * left * left;
        }
        float reverbSend[kMaxRowSamples] = {};
        float echoSend[kMaxRowSamples] = {};
        float* dryLeft = &out.left[size_t(begin)];
        float* dryRight = &out.right[size_t(begin)];
        float mono[kMaxRowSamples];
        for (ChannelState& channel : channels_) {
            for (Slot& slot : channel.slots) {
                if (!slot.voice.active()) continue;
                const InstrumentMix& mix = mixOf(slot.voice.instrument());
                slot.voice.render(mono, count);
                for (int i = 0; i < count; ++i) {
                    const float x = mono[i] * mix.gain * (1.0f - mix.duck * duck[i]);
                    dryLeft[i] += x * slot.panLeft;
                    dryRight[i] += x * slot.panRight;
                    reverbSend[i] += x * mix.reverb;
                    echoSend[i] += x * mix.delay;
                }
            }
        }
        for (int i = 0; i < count; ++i) {
            float reverbLeft, reverbRight, echoLeft, echoRight;
            reverb_.process(reverbSend[i], reverbLeft, reverbRight);
            echo_.process(echoSend[i], echoLeft, echoRight);
            dryLeft[i] += kReverbReturn * reverbLeft + kEchoReturn * echoLeft;
            dryRight[i] += kReverbReturn * reverbRight + kEchoReturn * echoRight;
        }
    }

    const Arrangement& song_;
    ChannelState channels_[kChannels];
    int64_t startedAt_[kChannels][kVoicesPerChannel] = {};
    int64_t duckAge_ = 1 << 30;
    float duckDepth_ = 0;
    Reverb reverb_;
    PingPongDelay echo_;
};

}  // namespace

StereoBuffer renderMix(const Arrangement& song) {
    Renderer renderer(song);
    return renderer.run();
}

}  // namespace song
