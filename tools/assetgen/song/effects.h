// effects.h - the two send effects of the mix: a stereo hall reverb (parallel
// damped combs into series all-passes, left and right tuned apart for width) and
// an echo that bounces between left and right.
#pragma once

#include <vector>

#include "song/dsp.h"

namespace song {

class Reverb {
  public:
    Reverb();
    // One mono input sample in, one stereo sample out.
    void process(float in, float& left, float& right);

  private:
    struct Comb {
        std::vector<float> buffer;
        size_t index = 0;
        float store = 0;
    };
    struct AllPass {
        std::vector<float> buffer;
        size_t index = 0;
    };
    static float comb(Comb& c, float in);
    static float allPass(AllPass& a, float in);

    Comb combs_[2][8];
    AllPass allPasses_[2][4];
    Svf inputHighPass_;
};

class PingPongDelay {
  public:
    explicit PingPongDelay(int delaySamples);
    void process(float in, float& left, float& right);

  private:
    std::vector<float> left_, right_;
    size_t index_ = 0;
    OnePole dampLeft_, dampRight_;
};

}  // namespace song
