#include "music/audio_thread.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/messages.h"
#include "platform/second_cpu.h"
#include "platform/sound_control_block.h"
#include "platform/sound_device.h"
#include "platform/sound_pump.h"

namespace AudioBridge {

namespace {

// OSS requests and their values, applied in this order.
constexpr unsigned long kDspSpeed = 0xC0045002;
constexpr unsigned long kDspSetFormat = 0xC0045005;
constexpr unsigned long kDspStereo = 0xC0045003;
constexpr unsigned long kDspSetFragment = 0xC004500A;
constexpr int kFormatS16Le = 16;
constexpr int kTwoFragmentsOf2048 = 0x2000B;

// The second processor's own time that may go by, while a block waits for
// it, before it counts as stopped. In emulation it works some 50 ms between
// two blocks, opening the song or a seek included; past a damaged stretch it
// decodes on without a block until a page states where the music stands (up
// to ten seconds of sound, about 3 s of emulation, and four times that under
// the sanitizers), so the watch allows more than that.
constexpr uint64_t kStalledWorkNanoseconds = 5000000000;

// What the device answered for a setting it did not take as asked.
std::string answerText(unsigned long request, int value) {
    if (request == kDspSpeed) return std::to_string(value) + " Hz";
    if (request == kDspStereo) return value == 0 ? "mono" : std::to_string(value) + " channels";
    return "sample format " + std::to_string(value);
}

}  // namespace

// No sound is better than the song at another speed or as noise; the
// division into pieces is a wish that the device rounds as it can.
std::string configureSoundDevice(int device) {
    struct Setting {
        unsigned long request;
        int wanted;
        const char* what;
    };
    const Setting settings[] = {{kDspSpeed, int(kSoundSamplesPerSecond), "44100 Hz"},
                                {kDspSetFormat, kFormatS16Le, "signed 16-bit little-endian"},
                                {kDspStereo, 1, "stereo"}};
    std::string problem;
    for (const Setting& setting : settings) {
        int value = setting.wanted;
        const bool taken = soundDeviceIoctl(device, setting.request, &value) == 0;
        if (!problem.empty()) continue;
        if (!taken) {
            problem =
                std::string("the sound device refuses ") + setting.what + ": " + strerror(errno);
        } else if (value != setting.wanted) {
            problem = "the sound device plays " + answerText(setting.request, value) + ", not " +
                      setting.what;
        }
    }
    int fragments = kTwoFragmentsOf2048;
    soundDeviceIoctl(device, kDspSetFragment, &fragments);
    return problem;
}

namespace {

void writeBlock(void* device, const uint8_t* samples, uint32_t) {
    soundDeviceWrite(*static_cast<int*>(device), samples, kSoundBlockBytes);
}

// Plays the current block if it is full (or drops it); false if it is not.
// After a seek, what the device still holds is dropped.
bool playNextBlock(SoundPump* pump, SoundControlBlock* control, int device) {
    if (soundPumpNewSeek(pump, control)) soundDeviceDiscard(device);
    if (soundPumpTake(pump, control, writeBlock, &device) == kSoundPumpWaits) return false;
    secondCpuDoorbell();
    return true;
}

// Watches a second processor that should be filling the current block: the
// song in place, playing, the block free. Its work is measured from when it
// was last found filling one or when what it was asked changed (playing, a
// seek); the halt comes once per start of the audio thread.
class StallWatch {
  public:
    explicit StallWatch(const SoundControlBlock* control) : control_(control) {}
    void blockCame() { watching_ = false; }
    // Called while the current block is not full; true once the processor
    // has worked kStalledWorkNanoseconds since.
    bool stalled() {
        if (halted_) return false;
        const bool due = sharedLoad(control_->songReady) == 1 && sharedLoad(control_->playing) == 1;
        const uint32_t seek = sharedLoad(control_->seekRequest);
        // A program that faulted has said so itself.
        if (!due || !secondCpuProgramRunning() || secondCpuProgramFaulted()) {
            watching_ = false;
            return false;
        }
        const uint64_t work = secondCpuWorkNanoseconds();
        // A new program (its clock starts again) is a new start too.
        if (!watching_ || seek != seekSeen_ || work < workAtStart_) {
            watching_ = true;
            seekSeen_ = seek;
            workAtStart_ = work;
            return false;
        }
        if (work - workAtStart_ < kStalledWorkNanoseconds) return false;
        halted_ = true;
        return true;
    }

  private:
    const SoundControlBlock* control_;
    bool watching_ = false;
    bool halted_ = false;
    uint32_t seekSeen_ = 0;
    uint64_t workAtStart_ = 0;
};

}  // namespace

void playBlocks(SoundControlBlock* control, int device, const std::atomic<int>& stop,
                void (*haltSecondCpu)()) {
    SoundPump pump{};
    StallWatch watch(control);
    while (!stop.load(std::memory_order_acquire)) {
        if (playNextBlock(&pump, control, device)) {
            watch.blockCame();
            continue;
        }
        if (watch.stalled()) {
            problemLine(
                "second processor stopped: no sound after %llu s of its work; it is halted and "
                "the demo plays on silently",
                static_cast<unsigned long long>(kStalledWorkNanoseconds / 1000000000));
            haltSecondCpu();
        }
        // The block is 46 ms of sound: a 1 ms nap costs nothing audible
        // and spares a core that spinning would burn.
        usleep(1000);
    }
}

}  // namespace AudioBridge
