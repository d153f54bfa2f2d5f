// heard_clock.h - a clock that runs with the sound a listener hears: the
// milliseconds of sound played out so far, from the blocks handed to an
// output that plays each from a known time on its own clock (a browser's
// audio context).
//
// Only sound counts: not the silence an output plays where it was handed
// none (paused, an output that called too late), nor sound handed before a
// pause or a jump, which is still heard for a moment but belongs to music no
// longer shown. So the clock stands still while the output is stalled or
// plays old sound, and moves exactly as fast as the sound that counts.
#pragma once

#include <cstdint>
#include <deque>

class HeardClock {
  public:
    // A block handed to the output, heard from `atSeconds` of the output's
    // clock on, whose first `soundFrames` stereo frames are sound (the rest,
    // if any, silence).
    void handed(double atSeconds, uint32_t soundFrames);
    // The sound handed so far no longer counts (a pause or a jump dropped
    // it): the clock stands where it was last read until new sound is heard.
    void forget();
    // The output holds `frames` more of the sound to follow the latest block
    // directly (an output that tells what it played only once played, and
    // what it holds): a reading past the latest block's end counts them as
    // they will be heard, but keeps none, since the output may yet run dry.
    void willFollow(uint32_t frames);
    // Milliseconds of sound heard by `heardSeconds` of the output's clock:
    // floor(frames heard * 1000 / 44100). Never goes back, also when asked
    // about an earlier time, but for what willFollow lent.
    uint32_t heardMs(double heardSeconds);

  private:
    struct Block {
        double atSeconds;
        uint32_t soundFrames;
        bool counts;
    };
    std::deque<Block> blocks_;
    uint64_t framesHeard_ = 0;   // of the blocks heard to their end
    uint64_t latestFrames_ = 0;  // at the latest reading
    double latestEnd_ = -1;      // of the latest block that counts
    uint32_t following_ = 0;     // frames to follow it
};
