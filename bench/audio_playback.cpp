// bench_audio_playback [SECONDS] [SONG.ogg] - plays a song through the whole
// audio path (bridge, simulated second processor, sound device) and prints
// the time from AudioBridge::play until the device has taken the first block,
// and the processor time of the audio and decoder threads over the run.
//
// Without a song argument it plays data/ondrivale.ogg from the run folder, or,
// if there is none, a minute of generated sweeps encoded with oggenc. Without
// SDL_AUDIODRIVER set it uses SDL's dummy driver, which consumes in real time.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "music/audio_bridge.h"
#include "platform/mem_device.h"
#include "platform/simulated/sound_controls.h"
#include "platform/sound_device.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int64_t> gFirstBlockNs{0};
std::atomic<long> gBlocks{0};

void noteBlock(void*, const uint8_t*, size_t) {
    int64_t none = 0;
    const int64_t now = Clock::now().time_since_epoch().count();
    gFirstBlockNs.compare_exchange_strong(none, now);
    gBlocks.fetch_add(1);
}

// Processor time in clock ticks of each named thread of this process.
std::map<std::string, long> threadTicks() {
    std::map<std::string, long> ticks;
    DIR* dir = opendir("/proc/self/task");
    while (dirent* entry = dir ? readdir(dir) : nullptr) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream stat(std::string("/proc/self/task/") + entry->d_name + "/stat");
        std::string line;
        std::getline(stat, line);
        const size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        const std::string name = line.substr(open + 1, close - open - 1);
        // After the name: state is field 3; utime and stime are fields 14 and 15.
        std::vector<std::string> fields;
        size_t at = close + 2;
        while (at < line.size()) {
            const size_t end = line.find(' ', at);
            fields.push_back(line.substr(at, end - at));
            if (end == std::string::npos) break;
            at = end + 1;
        }
        if (fields.size() > 12) ticks[name] += std::stol(fields[11]) + std::stol(fields[12]);
    }
    if (dir) closedir(dir);
    return ticks;
}

std::string generatedSong(int seconds) {
    const std::string raw = "/tmp/bench_audio_song.raw", ogg = "/tmp/bench_audio_song.ogg";
    std::vector<int16_t> samples(size_t(seconds) * 44100 * 2);
    double phase = 0;
    unsigned noise = 1;
    for (size_t i = 0; i < samples.size() / 2; ++i) {
        phase += 2 * M_PI * (200 + 40 * std::sin(i / 44100.0)) * (1 + (i / 22050) % 4) / 44100;
        noise = noise * 1103515245u + 12345u;
        const int n = int((noise >> 16) & 2047) - 1024;
        samples[i * 2] = int16_t(8000 * std::sin(phase) + n);
        samples[i * 2 + 1] = int16_t(6000 * std::sin(phase * 1.5) - n);
    }
    FILE* out = fopen(raw.c_str(), "wb");
    fwrite(samples.data(), 2, samples.size(), out);
    fclose(out);
    const std::string command =
        "oggenc -Q -r -B 16 -C 2 -R 44100 --raw-endianness 0 -o " + ogg + " " + raw;
    if (std::system(command.c_str()) != 0) return "";
    return ogg;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? atoi(argv[1]) : 60;
    if (chdir(DEMO_RUN_DIR) != 0) {
        printf("cannot enter %s\n", DEMO_RUN_DIR);
        return 1;
    }
    std::string song = argc > 2 ? argv[2] : AudioBridge::kSongFile;
    if (access(song.c_str(), R_OK) != 0) song = generatedSong(seconds + 5);
    if (song.empty()) {
        printf("no song to play (oggenc missing?)\n");
        return 1;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    soundDeviceSetObserver(noteBlock, nullptr);

    AudioBridge::memDevice = memDeviceOpen("/dev/mem", O_RDWR);
    AudioBridge::registers = static_cast<volatile uint16_t*>(
        memDeviceMap(nullptr, kRegisterWindowSize, PROT_READ | PROT_WRITE, MAP_SHARED,
                     AudioBridge::memDevice, kRegisterBase));
    AudioBridge::init();
    AudioBridge::loadSong(song.c_str());
    const auto before = threadTicks();
    const auto playAt = Clock::now();
    AudioBridge::play();
    sleep(unsigned(seconds));
    const auto after = threadTicks();
    const double elapsed = std::chrono::duration<double>(Clock::now() - playAt).count();
    AudioBridge::stop();
    AudioBridge::shutdown();
    memDeviceClose(AudioBridge::memDevice);

    const int64_t first = gFirstBlockNs.load();
    if (first == 0) {
        printf("no block reached the sound device\n");
        return 1;
    }
    printf("song: %s\n", song.c_str());
    printf("play -> first block taken by the device: %.2f ms\n",
           (first - playAt.time_since_epoch().count()) / 1e6);
    printf("blocks written: %ld in %.1f s (%.1f s of sound)\n", gBlocks.load(), elapsed,
           gBlocks.load() * 2048 / 44100.0);
    const double tickSeconds = 1.0 / double(sysconf(_SC_CLK_TCK));
    for (const auto& [name, ticks] : after) {
        const long used = ticks - (before.count(name) ? before.at(name) : 0);
        printf("cpu %-16s %6.2f%% of one core\n", name.c_str(),
               100.0 * used * tickSeconds / elapsed);
    }
    return 0;
}
