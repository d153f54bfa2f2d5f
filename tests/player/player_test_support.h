// player_test_support.h - the live player driven headless: the engine started
// on a chosen clock, keys pressed as the engine's keys, and the frames that offline
// capture computes for comparison.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "capture/frame_files.h"
#include "core/demo.h"
#include "core/player.h"
#include "core/seek.h"
#include "platform/clock.h"
#include "platform/desktop/controls.h"
#include "platform/input.h"
#include "platform/present.h"
#include "platform/simulated/simulated_memory.h"
#include "platform/sound_control_block.h"
#include "video/display.h"
#include "video/visible_screen.h"

namespace playertest {

// The hash of each given frame (60 a second) as `capture --hashes` prints it.
inline std::map<uint64_t, uint64_t> captureHashes(const std::vector<uint64_t>& frames) {
    std::string at;
    for (uint64_t n : frames) {
        at += (at.empty() ? "" : ",") + std::to_string(frameTimeMs(n, Seek::kRate));
    }
    const std::string file = testing::TempDir() + "player-hashes-" + std::to_string(getpid());
    const std::string command =
        std::string(DEMO_CAPTURE) + " --hashes " + file + " --at " + at + " 2>/dev/null";
    std::map<uint64_t, uint64_t> hashes;
    if (std::system(command.c_str()) != 0) return hashes;
    std::ifstream in(file);
    uint64_t frame, ms;
    int position, row;
    std::string hash;
    while (in >> frame >> ms >> position >> row >> hash) {
        hashes[frame] = std::stoull(hash, nullptr, 16);
    }
    std::remove(file.c_str());
    return hashes;
}

// Counts the presents an observer sees.
struct PresentCounter {
    int presents = 0;
    static void observe(void* context, const uint16_t*, int, int, int) {
        ++static_cast<PresentCounter*>(context)->presents;
    }
};

// A test's clock never waits; work in idle time may take all it likes.
inline uint32_t allTheTime() {
    return UINT32_MAX;
}

// The player's orders to the sound, in the simulated second processor's memory.
inline const SoundControlBlock& controlBlock() {
    return *reinterpret_cast<const SoundControlBlock*>(simulatedSecondCpuMemory() +
                                                       kControlBlockOffset);
}

inline uint64_t shownHash() {
    return screenHash(visibleScreen(), Display::kPixelCount);
}

inline void press(Key key) {
    platformQueueKey(key);
}

// Start-up as the demo runs it, its progress lines kept out of the log, then
// the player.
inline void startPlayer() {
    testing::internal::CaptureStdout();
    demoStartUp();
    testing::internal::GetCapturedStdout();
    playerStart();
}

}  // namespace playertest
