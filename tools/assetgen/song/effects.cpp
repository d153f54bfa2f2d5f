// effects.cpp - reverb and echo of the mix's sends.
#include "song/effects.h"

namespace song {
namespace {

constexpr int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllPassLengths[4] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;  // the right side's lines are this much longer
constexpr float kCombFeedback = 0.83f;
constexpr float kCombDamping = 0.3f;
constexpr float kInputGain = 0.015f;
constexpr float kEchoFeedback = 0.42f;

}  // namespace

Reverb::Reverb() {
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 8; ++i)
            combs_[side][i].buffer.assign(size_t(kCombLengths[i] + side * kStereoSpread), 0.0f);
        for (int i = 0; i < 4; ++i)
            allPasses_[side][i].buffer.assign(size_t(kAllPassLengths[i] + side * kStereoSpread),
                                              0.0f);
    }
    // Low rumble in the hall only muddies the bass.
    inputHighPass_.tune(250.0f, 0.0f);
}

float Reverb::comb(Comb& c, float in) {
    const float out = c.buffer[c.index];
    c.store = out * (1.0f - kCombDamping) + c.store * kCombDamping;
    c.buffer[c.index] = in + c.store * kCombFeedback;
    if (++c.index == c.buffer.size()) c.index = 0;
    return out;
}

float Reverb::allPass(AllPass& a, float in) {
    const float delayed = a.buffer[a.index];
    a.buffer[a.index] = in + delayed * 0.5f;
    if (++a.index == a.buffer.size()) a.index = 0;
    return delayed - in;
}

void Reverb::process(float in, float& left, float& right) {
    const float input = inputHighPass_.highPass(in) * kInputGain;
    float out[2];
    for (int side = 0; side < 2; ++side) {
        float sum = 0;
        for (Comb& c : combs_[side]) sum += comb(c, input);
        for (AllPass& a : allPasses_[side]) sum = allPass(a, sum);
        out[side] = sum;
    }
    left = out[0];
    right = out[1];
}

PingPongDelay::PingPongDelay(int delaySamples)
    : left_(size_t(delaySamples), 0.0f), right_(size_t(delaySamples), 0.0f) {
    dampLeft_.tune(3500.0f);
    dampRight_.tune(3500.0f);
}

// The input enters on the left; each repeat crosses to the other side, duller
// and quieter than the one before.
void PingPongDelay::process(float in, float& left, float& right) {
    left = left_[index_];
    right = right_[index_];
    left_[index_] = in + dampRight_.process(right) * kEchoFeedback;
    right_[index_] = dampLeft_.process(left) * kEchoFeedback;
    if (++index_ == left_.size()) index_ = 0;
}

}  // namespace song
