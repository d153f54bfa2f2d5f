#include "music/audio_bridge.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/code940/code940_image.h"
#include "platform/code940/decoder_program.h"
#include "platform/mem_device.h"
#include "platform/messages.h"
#include "platform/registers.h"
#include "platform/sound_control_block.h"
#include "platform/sound_device.h"
#include "platform/threads.h"

namespace AudioBridge {

int memDevice = 0;
volatile uint16_t* registers = nullptr;

namespace {

constexpr size_t kImageChunk = 1000;
constexpr size_t kSongChunk = 100000;

// OSS requests and their values, applied in this order.
constexpr unsigned long kDspSpeed = 0xC0045002;
constexpr unsigned long kDspSetFormat = 0xC0045005;
constexpr unsigned long kDspStereo = 0xC0045003;
constexpr unsigned long kDspSetFragment = 0xC004500A;
constexpr int kFormatS16Le = 16;
constexpr int kTwoFragmentsOf2048 = 0x2000B;

// How long init waits for the audio thread's start-up beyond its fixed sleep,
// looking every millisecond: the sound device or the second processor may be
// slow, never endless.
constexpr int kStartUpWaitMs = 5000;

// The second processor's own time that may go by, while a block waits for
// it, before it counts as stopped. In emulation it works some 50 ms between
// two blocks, opening the song or a seek included; past a damaged stretch it
// decodes on without a block until a page states where the music stands (up
// to ten seconds of sound, about 3 s of emulation, and four times that under
// the sanitizers), so the watch allows more than that.
constexpr uint64_t kStalledWorkNanoseconds = 5000000000;

uint8_t* sharedRegion = nullptr;
SoundControlBlock* control = nullptr;
PlatformThread audioThread;
std::atomic<int> threadRunning{0};
std::atomic<int> stopRequested{0};
// Set once the audio thread has initialised the control block, so that
// loadSong may trust songOffset.
std::atomic<bool> controlInitialised{false};

// The audio thread's start-up hand-over to init: a flag that init polls, as
// every wait between the two threads does.
std::atomic<bool> startUpDone{false};

void signalStartUpDone() {
    startUpDone.store(true, std::memory_order_release);
}

void waitForStartUp() {
    for (int ms = 0; ms < kStartUpWaitMs && !startUpDone.load(std::memory_order_acquire); ++ms) {
        usleep(1000);
    }
}

// The clock bit is changed by read-modify-write: the register's other bits
// belong to other parts of the machine.
void setSecondCpuClock(bool on) {
    const uint16_t clock = registerRead(registers, kRegSecondCpuClock);
    registerWrite(registers, kRegSecondCpuClock, on ? clock | 1 : clock & ~1);
}

void haltSecondCpu() {
    setSecondCpuClock(false);
    registerWrite(registers, kRegSecondCpuReset, kSecondCpuHeldInReset);
}

// What the device answered for a setting it did not take as asked.
std::string answerText(unsigned long request, int value) {
    if (request == kDspSpeed) return std::to_string(value) + " Hz";
    if (request == kDspStereo) return value == 0 ? "mono" : std::to_string(value) + " channels";
    return "sample format " + std::to_string(value);
}

// Applies the four settings in their order and reads back what the device
// took: what it did not take, or empty. No sound is better than the song at
// another speed or as noise; the division into pieces is a wish that the
// device rounds as it can.
std::string configureDevice(int device) {
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

void initialiseControlBlock() {
    sharedStore(control->blocks[1].full, 0);
    sharedStore(control->songOffset, kSongOffset);
    sharedStore(control->reserved, 0);
    sharedStore(control->playing, 0);
    sharedStore(control->songReady, 0);
    sharedStore(control->songLoaded, 0);
    sharedStore(control->songLength, 0);
    sharedStore(control->blocks[0].full, 0);
    sharedStore(control->seekRequest, 0);
    sharedStore(control->seekSample, 0);
    sharedStore(control->blockSeek[0], 0);
    sharedStore(control->blockSeek[1], 0);
    sharedStore(control->songEndedAt, 0);
    sharedStore(control->songDamages, 0);
    sharedStore(control->songDamagedFrom, 0);
    sharedStore(control->songDamagedTo, 0);
    memset(control->blocks[0].samples, 0, kSoundBlockBytes);
    memset(control->blocks[1].samples, 0, kSoundBlockBytes);
    controlInitialised.store(true, std::memory_order_release);
}

// The audio thread's place in the blocks, which it writes in the order 0, 1,
// 0, 1, ...: a block is written only when the second processor has marked it
// full, and handed back right after. After a seek, what the device still
// holds is dropped, and so is every block whose sound comes from before the
// seek.
struct BlockPlayer {
    int device = -1;
    int current = 0;
    uint32_t seekHeard = 0;
};
BlockPlayer blockPlayer;
// No thread could be made (a browser page): no block is played here.
bool cooperative = false;

uint32_t latestSeek() {
    const uint32_t seek = sharedLoad(control->seekRequest);
    if (seek != blockPlayer.seekHeard) soundDeviceDiscard(blockPlayer.device);
    blockPlayer.seekHeard = seek;
    return seek;
}

// Plays the current block if it is full; false if it is not.
bool playNextBlock() {
    latestSeek();
    SoundBlock& block = control->blocks[blockPlayer.current];
    if (sharedLoad(block.full) == 0) return false;
    // Read after `full`: the second processor read the request its block
    // follows before it set the flag, so no newer block meets an older
    // request here. blockSeek[] was written before `full`, which the
    // acquire above makes visible.
    const uint32_t seek = latestSeek();
    if (sharedLoad(control->blockSeek[blockPlayer.current], std::memory_order_relaxed) == seek) {
        soundDeviceWrite(blockPlayer.device, block.samples, kSoundBlockBytes);
    }
    sharedStore(block.full, 0);
    blockPlayer.current = 1 - blockPlayer.current;
    return true;
}

// Watches a second processor that should be filling the current block: the
// song in place, playing, the block free. Its work is measured from when it
// was last found filling one or when what it was asked changed (playing, a
// seek); the halt comes once per start of the audio thread.
class StallWatch {
  public:
    void blockCame() { watching_ = false; }
    // Called while the current block is not full; true once the processor
    // has worked kStalledWorkNanoseconds since.
    bool stalled() {
        if (halted_) return false;
        const bool due = sharedLoad(control->songReady) == 1 && sharedLoad(control->playing) == 1;
        const uint32_t seek = sharedLoad(control->seekRequest);
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
    bool watching_ = false;
    bool halted_ = false;
    uint32_t seekSeen_ = 0;
    uint64_t workAtStart_ = 0;
};

void haltStalledProcessor() {
    problemLine(
        "second processor stopped: no sound after %llu s of its work; it is halted and "
        "the demo plays on silently",
        static_cast<unsigned long long>(kStalledWorkNanoseconds / 1000000000));
    haltSecondCpu();
}

void playBlocks() {
    StallWatch watch;
    while (!stopRequested.load(std::memory_order_acquire)) {
        if (playNextBlock()) {
            watch.blockCame();
            continue;
        }
        if (watch.stalled()) haltStalledProcessor();
        // The block is 46 ms of sound: a 1 ms nap costs nothing audible
        // and spares a core that spinning would burn.
        usleep(1000);
    }
}

// Why the audio thread's start-up found no sound device it can play on, for
// init to say once, from the main thread: empty where the host has nothing
// to say.
std::string soundProblem;

// The audio thread's start-up: false, with threadRunning 0, without a device
// that plays the song as it is.
bool startAudio() {
    threadRunning.store(1, std::memory_order_release);
    soundProblem.clear();
    const int device = soundDeviceOpen("/dev/dsp");
    if (device <= 0) {
        soundProblem = soundDeviceOpenProblem();
        threadRunning.store(0, std::memory_order_release);
        return false;
    }
    soundProblem = configureDevice(device);
    if (!soundProblem.empty()) {
        soundDeviceClose(device);
        threadRunning.store(0, std::memory_order_release);
        return false;
    }
    initialiseControlBlock();
    blockPlayer = BlockPlayer{device};
    start940();
    progressLine("entering thread loop");
    return true;
}

// Said by init once the audio thread's start-up is done (and only then:
// soundProblem is that thread's until it has signalled it).
void sayWhyNoSound() {
    if (!cooperative && !startUpDone.load(std::memory_order_acquire)) return;
    if (!soundProblem.empty()) problemLine("no sound: %s", soundProblem.c_str());
}

void finishAudio() {
    soundDeviceClose(blockPlayer.device);
    haltSecondCpu();
    threadRunning.store(0, std::memory_order_release);
}

uint32_t songAreaOffset() {
    if (!controlInitialised.load(std::memory_order_acquire)) return kSongOffset;
    return sharedLoad(control->songOffset);
}

long fileSize(FILE* file) {
    if (fseek(file, 0, SEEK_END) != 0) return -1;
    const long size = ftell(file);
    rewind(file);
    return size;
}

// The file's first `limit` bytes (all of it if shorter); false with errno set.
bool readUpTo(const char* path, size_t limit, std::vector<uint8_t>* bytes) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return false;
    bytes->resize(limit);
    bytes->resize(fread(bytes->data(), 1, limit, file));
    const bool ok = ferror(file) == 0;
    const int error = errno;
    fclose(file);
    errno = error;
    return ok;
}

std::string unreadable(const char* path) {
    if (errno == ENOENT) return std::string(path) + " is missing";
    return std::string(path) + " cannot be read: " + strerror(errno);
}

std::string programProblem() {
    std::vector<uint8_t> image;
    if (!readUpTo(kProgramFile, kCode940Capacity + 1, &image)) return unreadable(kProgramFile);
    if (image.size() > kCode940Capacity) {
        return std::string(kProgramFile) +
               " is larger than the 2 MiB before the sound control block";
    }
    if (!code940ImageRecognised(image.data(), image.size())) {
        return std::string(kProgramFile) + " is not a program the second processor runs";
    }
    return "";
}

// Tenths of a second, "5.6".
std::string tenthsText(uint64_t tenths) {
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string songProblem(const char* path, uint32_t demoMs) {
    std::vector<uint8_t> song;
    if (!readUpTo(path, size_t(kSongCapacity) + 1, &song)) return unreadable(path);
    if (song.size() > kSongCapacity) {
        return std::string(path) + " does not fit the " + std::to_string(kSongCapacity) +
               " bytes of the song area";
    }
    if (!decoderAcceptsSong(song.data(), song.size())) {
        return std::string(path) + " is not an Ogg Vorbis stream";
    }
    const uint64_t samples = songSamples(song.data(), song.size());
    if (samples < soundFrameAtMs(demoMs)) {
        // Rounded apart (the song's end down, the demo's length up), so that
        // the two figures never read alike.
        return std::string(path) + " ends at " + tenthsText(samples * 10 / kSoundSamplesPerSecond) +
               " s, the demo needs " + tenthsText((uint64_t(demoMs) + 99) / 100) + " s";
    }
    return "";
}

}  // namespace

std::string musicProblem(uint32_t demoMs, const char* songPath) {
    const std::string program = programProblem();
    const std::string song = songProblem(songPath, demoMs);
    if (program.empty() || song.empty()) return program + song;
    return program + ", and " + song;
}

void warnIfNoMusic(uint32_t demoMs) {
    const std::string problem = musicProblem(demoMs);
    if (!problem.empty()) problemLine("no music: %s", problem.c_str());
}

SongDamage songDamage() {
    SongDamage damage;
    if (control == nullptr) return damage;
    // The count first: the second processor writes it after the stretch.
    damage.count = sharedLoad(control->songDamages);
    if (damage.count == 0) return damage;
    damage.from = sharedLoad(control->songDamagedFrom);
    damage.to = sharedLoad(control->songDamagedTo);
    return damage;
}

std::string secondsText(uint64_t sample) {
    return tenthsText(sample * 10 / kSoundSamplesPerSecond);
}

std::string songDamageLine(const SongDamage& damage) {
    const std::string song = kSongFile;
    if (damage.count == 1) {
        return song + " is damaged at " + secondsText(damage.from) + " s: the music is silent to " +
               secondsText(damage.to) + " s and goes on";
    }
    return song + " is damaged in " + std::to_string(damage.count) + " places from " +
           secondsText(damage.from) + " s to " + secondsText(damage.to) +
           " s: the music is silent there and goes on";
}

uint64_t musicStoppedAt() {
    if (control == nullptr) return UINT64_MAX;
    const uint32_t endedAt = sharedLoad(control->songEndedAt);
    return endedAt == 0 ? UINT64_MAX : endedAt - 1;
}

std::string musicStopProblem(uint64_t stoppedSample, uint32_t demoMs) {
    if (stoppedSample >= soundFrameAtMs(demoMs)) return "";
    return "the music stops at " + tenthsText(stoppedSample * 10 / kSoundSamplesPerSecond) +
           " s: " + kSongFile + " is damaged there";
}

void init() {
    progressLine("init...");
    haltSecondCpu();
    void* region = memDeviceMap(nullptr, kSecondCpuMemorySize, PROT_READ | PROT_WRITE, MAP_SHARED,
                                memDevice, kSecondCpuMemoryBase);
    if (region == MAP_FAILED) {
        // Without the second processor's memory there is nothing to play:
        // no thread, and the demo runs silently.
        progressLine("init done");
        return;
    }
    sharedRegion = static_cast<uint8_t*>(region);
    control = reinterpret_cast<SoundControlBlock*>(sharedRegion + kControlBlockOffset);
    stopRequested.store(0);
    controlInitialised.store(false);
    startUpDone.store(false);
    // Set before the thread exists, so that a shutdown right after init
    // always waits for it.
    threadRunning.store(1, std::memory_order_release);
    cooperative = !platformStartThread(&audioThread, threadMain, "audio");
    if (cooperative) {
        // The thread's start-up runs here; its loop has nothing to play.
        startAudio();
    } else {
        usleep(100000);
        waitForStartUp();
    }
    sayWhyNoSound();
    progressLine("init done");
}

void threadMain() {
    const bool started = startAudio();
    signalStartUpDone();
    if (!started) return;
    playBlocks();
    finishAudio();
}

// An image too large for its area, or not one the second processor runs, is
// not started (musicProblem says so).
void start940() {
    progressLine("startup...");
    setSecondCpuClock(false);
    registerWrite(registers, kRegInterruptPending1, 0xFFFF);
    registerWrite(registers, kRegSecondCpuReset, kSecondCpuHeldInReset);
    registerWrite(registers, kRegInterruptEnable0, 0);
    registerWrite(registers, kRegInterruptEnable1, 0);
    registerWrite(registers, kRegInterruptPending0, 0xFFFF);

    FILE* image = fopen(kProgramFile, "r");
    if (image == nullptr) return;
    uint8_t chunk[kImageChunk];
    size_t copied = 0;
    for (;;) {
        const size_t n = fread(chunk, 1, sizeof chunk, image);
        if (n == 0) break;
        if (n > kCode940Capacity - copied) {
            fclose(image);
            return;
        }
        memcpy(sharedRegion + copied, chunk, n);
        copied += n;
    }
    fclose(image);
    // A damaged image (musicProblem says so) stays halted in reset, as a
    // missing one: released, the processor would run whatever it holds.
    if (!code940ImageRecognised(sharedRegion, copied)) return;

    registerWrite(registers, kRegSecondCpuReset, kSecondCpuReleased);
    setSecondCpuClock(true);
    usleep(10000);
    progressLine("startup done..");
}

void loadSong(const char* path) {
    FILE* file = fopen(path, "r");
    if (file == nullptr) return;
    if (control == nullptr) {
        fclose(file);
        return;
    }
    const uint32_t offset = songAreaOffset();
    const size_t capacity = offset <= kSecondCpuMemorySize ? kSecondCpuMemorySize - offset : 0;
    const long size = fileSize(file);
    if (size > 0 && size_t(size) > capacity) {
        fclose(file);
        return;
    }

    sharedStore(control->songLoaded, 0);
    progressLine("loading ");
    std::vector<uint8_t> chunk(kSongChunk);
    size_t copied = 0;
    bool fits = true;
    for (;;) {
        const size_t n = fread(chunk.data(), 1, chunk.size(), file);
        if (n == 0) break;
        // The file may have grown since it was measured, or had no size to measure.
        if (n > capacity - copied) {
            fits = false;
            break;
        }
        memcpy(sharedRegion + offset + copied, chunk.data(), n);
        copied += n;
    }
    fclose(file);
    if (!fits) return;
    progressLine("loading done");
    sharedStore(control->songLoaded, 1);
    sharedStore(control->songLength, uint32_t(copied));
    sharedStore(control->songReady, 1);
}

void play() {
    if (control != nullptr) sharedStore(control->playing, 1);
}

void stop() {
    if (control != nullptr) sharedStore(control->playing, 0);
}

void seek(uint32_t sample) {
    if (control == nullptr) return;
    sharedStore(control->seekSample, sample);
    sharedStore(control->seekRequest, sharedLoad(control->seekRequest) + 1);
    // Without an audio thread the device is this thread's own: what it still
    // holds is dropped now, not at the next block, so that no sound from
    // before the seek is counted as heard after it.
    if (cooperative && threadRunning.load(std::memory_order_acquire)) latestSeek();
}

void shutdown() {
    stopRequested.store(1, std::memory_order_release);
    if (cooperative && threadRunning.load(std::memory_order_acquire)) finishAudio();
    while (threadRunning.load(std::memory_order_acquire)) usleep(10000);
    platformJoinThread(&audioThread);
    if (sharedRegion != nullptr) {
        memDeviceUnmap(sharedRegion, kSecondCpuMemorySize);
        sharedRegion = nullptr;
        control = nullptr;
    }
    controlInitialised.store(false);
}

}  // namespace AudioBridge
