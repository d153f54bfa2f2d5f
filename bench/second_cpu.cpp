// bench_second_cpu [SECONDS] - what the second processor's program costs, run
// in the ARM emulator and natively: it decodes the first SECONDS (default 30)
// of data/ondrivale.ogg from the run folder into the control block, taking
// each block as soon as it is full, and prints
//  - the ARM instructions the emulated program executes per second of music
//    (counted by the emulator, in a run of its own: counting slows it), against
//    the goal of at most 40 million, a fifth of the ARM940T's 200 MHz;
//  - the host CPU time of the emulation per second of music, uncounted;
//  - the wall time of the native decoder for the same music.
// What those instructions cost the ARM940T itself, caches and bus included,
// is bench/arm --second-cpu's (tools/armcount/count940).
#include "platform/second_cpu.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/registers.h"
#include "platform/simulated/simulated_memory.h"
#include "platform/sound_control_block.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> readRunFile(const std::string& name) {
    std::ifstream in(std::string(DEMO_RUN_DIR) + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void setSecondCpu(uint16_t clock, uint16_t reset) {
    registerWrite(simulatedRegisterBlock(), kRegSecondCpuReset, reset);
    registerWrite(simulatedRegisterBlock(), kRegSecondCpuClock, clock);
}

// Plays `blocks` blocks the way the audio thread would, without a device;
// returns the wall seconds it took.
double decode(SecondCpuKind kind, long blocks) {
    SoundControlBlock* control =
        reinterpret_cast<SoundControlBlock*>(simulatedSecondCpuMemory() + kControlBlockOffset);
    memset(control, 0, sizeof *control);
    const std::vector<uint8_t> song = readRunFile("data/ondrivale.ogg");
    memcpy(simulatedSecondCpuMemory() + kSongOffset, song.data(), song.size());
    control->songOffset = kSongOffset;
    control->songLength = uint32_t(song.size());
    sharedStore(control->songLoaded, 1);
    sharedStore(control->songReady, 1);
    sharedStore(control->playing, 1);

    secondCpuSelect(kind);
    const auto start = Clock::now();
    setSecondCpu(1, kSecondCpuReleased);
    int current = 0;
    for (long b = 0; b < blocks; ++b) {
        while (sharedLoad(control->blocks[current].full) == 0) usleep(100);
        sharedStore(control->blocks[current].full, 0);
        current = 1 - current;
    }
    setSecondCpu(0, kSecondCpuHeldInReset);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? atof(argv[1]) : 30;
    const std::vector<uint8_t> image = readRunFile("code940.bin");
    if (image.empty() || readRunFile("data/ondrivale.ogg").empty()) {
        printf("bench_second_cpu: no code940.bin or data/ondrivale.ogg in %s\n", DEMO_RUN_DIR);
        return 1;
    }
    memcpy(simulatedSecondCpuMemory(), image.data(), image.size());
    const long blocks = long(seconds * 44100 / (kSoundBlockBytes / 4)) + 1;
    const double music = double(blocks) * (kSoundBlockBytes / 4) / 44100;

    secondCpuCountInstructions(true);
    const ArmEmulatorFigures beforeCounted = secondCpuEmulationFigures();
    decode(SecondCpuKind::Emulated, blocks);
    const ArmEmulatorFigures counted = secondCpuEmulationFigures();
    secondCpuCountInstructions(false);
    const double emulatedWall = decode(SecondCpuKind::Emulated, blocks);
    const ArmEmulatorFigures uncounted = secondCpuEmulationFigures();
    const double nativeWall = decode(SecondCpuKind::Native, blocks);

    printf("code940.bin: %zu bytes; %.1f s of music (%ld blocks)\n", image.size(), music, blocks);
    printf("emulated ARM instructions per second of music: %.1f million (goal: at most 40)\n",
           double(counted.instructions - beforeCounted.instructions) / music / 1e6);
    printf("emulation, host CPU per second of music: %.0f ms (%.2f s of wall for the run)\n",
           double(uncounted.cpuNanoseconds - counted.cpuNanoseconds) / 1e6 / music, emulatedWall);
    printf("native decoder, wall per second of music: %.2f ms\n", nativeWall * 1000 / music);
    return 0;
}
