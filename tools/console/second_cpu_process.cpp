// second_cpu_process - the console's second processor as a process of its
// own, beside the console program under qemu-arm: the two processors, two
// processes over one memory. It maps the test's "/dev/mem" file shared, as
// the program does, and watches the register window there: when the clock
// is on and the processor is out of reset with memory bank 3, it runs the
// image at the processor's address 0 (code940.bin, as the program copied
// it) in the project's ARM emulator (platform/second_cpu/arm_emulator.h);
// when the clock stops or reset is asserted, it halts it.
//
//   second_cpu_process MEMORY_FILE LOG
//
// LOG gets a line at each change ("released: running code940.bin",
// "halted"), and "ended" (with "while running" if so) at the end. A program that idles goes on
// every millisecond: this side cannot see the main program's writes to the control block. A wait
// for an interrupt is logged when the run halts, since on the console none would come. Ends on
// SIGTERM or SIGINT, halting what runs.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/code940/code940_image.h"
#include "platform/mem_device.h"
#include "platform/registers.h"
#include "platform/second_cpu/arm_emulator.h"
#include "platform/sound_control_layout.h"

namespace {

volatile sig_atomic_t gEnd = 0;

void onEnd(int) {
    gEnd = 1;
}

template <typename T>
T* mapShared(int fd, size_t length, off_t offset, const char* what) {
    void* at = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
    if (at == MAP_FAILED) {
        fprintf(stderr, "second_cpu_process: cannot map %s: %s\n", what, strerror(errno));
        _exit(2);
    }
    return static_cast<T*>(at);
}

class Processor {
  public:
    Processor(uint8_t* memory, FILE* log) : memory_(memory), log_(log) {}

    void setRunning(bool running) {
        if (running == running_) return;
        running_ = running;
        if (running) {
            release();
        } else {
            halt();
        }
    }

    // The process ends: what runs is stopped, but the registers did not halt it.
    void end() {
        const bool wasRunning = running_;
        stop();
        say(wasRunning ? "ended while running" : "ended");
    }

    void tick() {
        if (thread_.joinable()) armEmulatorWake();
    }

  private:
    void release() {
        if (!code940ImageRecognised(memory_, kCode940Capacity)) {
            say("released: no program it runs at address 0");
            return;
        }
        halt_.store(false);
        finished_.store(false);
        say("released: running code940.bin");
        thread_ = std::thread([this] {
            armEmulatorMain(memory_, kSecondCpuMemoryBytes, halt_, false, &figures_);
            finished_.store(true);
        });
    }

    void halt() {
        stop();
        say("halted");
    }

    // A stop may fall just before the emulator enters its core: ask again
    // until the run has ended.
    void stop() {
        if (!thread_.joinable()) return;
        halt_.store(true);
        while (!finished_.load()) {
            armEmulatorStop();
            usleep(1000);
        }
        thread_.join();
        // The ticks below wake any wait, but on the console nothing raises an
        // interrupt for this processor: a program that waits for one there is
        // silent for good.
        if (figures_.interruptWaits > 0)
            say("waited for an interrupt, which the console never raises");
        figures_ = {};
    }

    void say(const char* line) {
        fprintf(log_, "%s\n", line);
        fflush(log_);
    }

    uint8_t* memory_;
    FILE* log_;
    bool running_ = false;
    std::atomic<bool> halt_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
    ArmEmulatorFigures figures_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: second_cpu_process MEMORY_FILE LOG\n");
        return 2;
    }
    const int fd = open(argv[1], O_RDWR);
    FILE* log = fopen(argv[2], "w");
    if (fd < 0 || log == nullptr) {
        fprintf(stderr, "second_cpu_process: cannot open %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    auto* registers =
        mapShared<volatile uint16_t>(fd, kRegisterWindowSize, kRegisterBase, "registers");
    auto* memory = mapShared<uint8_t>(fd, kSecondCpuMemorySize, kSecondCpuMemoryBase, "memory");
    signal(SIGTERM, onEnd);
    signal(SIGINT, onEnd);

    Processor processor(memory, log);
    while (!gEnd) {
        const bool clockOn = (registers[kRegSecondCpuClock / 2] & 1) != 0;
        const bool released = (registers[kRegSecondCpuReset / 2] & 0xFF) == kSecondCpuReleased;
        processor.setRunning(clockOn && released);
        processor.tick();
        usleep(1000);
    }
    processor.end();
    return 0;
}
