#include "platform/second_cpu/arm_emulator.h"

#include <dlfcn.h>
#include <time.h>
#include <unicorn/unicorn.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "platform/code940/code940_image.h"

namespace {

// Unicorn is opened when the emulated processor first runs, not linked: its
// tables, relocated at load, cost some 5 MiB of resident memory that a demo
// decoding natively never uses.
struct Unicorn {
    decltype(&uc_open) open = nullptr;
    decltype(&uc_close) close = nullptr;
    decltype(&uc_ctl) ctl = nullptr;
    decltype(&uc_mem_map_ptr) memMapPtr = nullptr;
    decltype(&uc_hook_add) hookAdd = nullptr;
    decltype(&uc_emu_start) emuStart = nullptr;
    decltype(&uc_emu_stop) emuStop = nullptr;
    decltype(&uc_reg_read) regRead = nullptr;
    decltype(&uc_strerror) strerror = nullptr;
};

template <typename Function>
bool findCall(void* library, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(dlsym(library, name));
    return *function != nullptr;
}

// Null (after one line, once) if the library or one of its calls is missing.
const Unicorn* unicorn() {
    static const Unicorn* const loaded = []() -> const Unicorn* {
        void* library = dlopen("libunicorn.so.2", RTLD_NOW | RTLD_LOCAL);
        static Unicorn calls;
        if (library != nullptr && findCall(library, "uc_open", &calls.open) &&
            findCall(library, "uc_close", &calls.close) &&
            findCall(library, "uc_ctl", &calls.ctl) &&
            findCall(library, "uc_mem_map_ptr", &calls.memMapPtr) &&
            findCall(library, "uc_hook_add", &calls.hookAdd) &&
            findCall(library, "uc_emu_start", &calls.emuStart) &&
            findCall(library, "uc_emu_stop", &calls.emuStop) &&
            findCall(library, "uc_reg_read", &calls.regRead) &&
            findCall(library, "uc_strerror", &calls.strerror)) {
            return &calls;
        }
        printf("second processor cannot be emulated: %s\n", dlerror());
        fflush(stdout);
        return nullptr;
    }();
    return loaded;
}

// Bumped by every wake; the sleeper compares it with what it saw last.
std::atomic<uint32_t> gWakeCount{0};
std::atomic<bool> gSleeping{false};

// The core that runs now, so that a halt from another thread can stop it.
std::mutex gRunningMutex;
uc_engine* gRunning = nullptr;

uint64_t threadCpuNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

// The address of the access that left the memory: the emulator's program
// counter is only exact at an instruction it cannot decode.
bool noteUnmapped(uc_engine*, uc_mem_type, uint64_t address, int, int64_t, void* user) {
    *static_cast<uint64_t*>(user) = address;
    return false;  // not handled: the run stops
}

void reportFault(uc_err error, uint32_t pc, uint64_t address) {
    const unsigned long long where = address;
    switch (error) {
        case UC_ERR_INSN_INVALID:
            printf("second processor stopped: undefined instruction at 0x%08X\n", pc);
            break;
        case UC_ERR_READ_UNMAPPED:
            printf("second processor stopped: read at 0x%08llX, outside its memory\n", where);
            break;
        case UC_ERR_WRITE_UNMAPPED:
            printf("second processor stopped: write at 0x%08llX, outside its memory\n", where);
            break;
        case UC_ERR_FETCH_UNMAPPED:
            printf("second processor stopped: jump to 0x%08llX, outside its memory\n", where);
            break;
        default:
            printf("second processor stopped: %s at 0x%08X\n", unicorn()->strerror(error), pc);
            break;
    }
    fflush(stdout);
}

// Entering the program's idle routine: stop before its first instruction,
// so that the run sleeps until the main side writes instead of counting down.
// (Unicorn loses a stop asked for by a hook that also moves the PC: the run
// moves it to the routine's return afterwards.)
void idleInstead(uc_engine* core, uint64_t, uint32_t, void* user) {
    *static_cast<bool*>(user) = true;
    unicorn()->emuStop(core);
}

void countBlock(uc_engine*, uint64_t, uint32_t size, void* user) {
    *static_cast<uint64_t*>(user) += size / 4;  // ARM state: 4 bytes an instruction
}

// Opens an ARM946 core over the memory; null (after one line) if it cannot.
uc_engine* openCore(uint8_t* memory, size_t size) {
    const Unicorn* uc = unicorn();
    if (uc == nullptr) return nullptr;
    uc_engine* core = nullptr;
    uc_err error = uc->open(UC_ARCH_ARM, UC_MODE_ARM, &core);
    if (error == UC_ERR_OK) {
        error = uc->ctl(core, UC_CTL_WRITE(UC_CTL_CPU_MODEL, 1), int(UC_CPU_ARM_946));
    }
    if (error == UC_ERR_OK) error = uc->memMapPtr(core, 0, size, UC_PROT_ALL, memory);
    if (error != UC_ERR_OK) {
        printf("second processor cannot be emulated: %s\n", uc->strerror(error));
        fflush(stdout);
        if (core != nullptr) uc->close(core);
        return nullptr;
    }
    return core;
}

void setRunning(uc_engine* core) {
    std::lock_guard<std::mutex> lock(gRunningMutex);
    gRunning = core;
}

// Sleeps until a wake that came after `seen`.
void sleepUntilWoken(uint32_t seen) {
    gSleeping.store(true);
    gWakeCount.wait(seen, std::memory_order_acquire);
    gSleeping.store(false);
}

}  // namespace

void armEmulatorWake() {
    gWakeCount.fetch_add(1, std::memory_order_release);
    gWakeCount.notify_all();
}

bool armEmulatorSleeping() {
    return gSleeping.load();
}

void armEmulatorStop() {
    {
        std::lock_guard<std::mutex> lock(gRunningMutex);
        if (gRunning != nullptr) unicorn()->emuStop(gRunning);
    }
    armEmulatorWake();
}

bool armEmulatorMain(uint8_t* memory, size_t size, const std::atomic<bool>& halt,
                     bool countInstructions, ArmEmulatorFigures* figures) {
    const uint64_t cpuAtStart = threadCpuNanoseconds();
    uc_engine* core = openCore(memory, size);
    if (core == nullptr) return true;
    const Unicorn* uc = unicorn();
    uint64_t instructions = 0;
    uc_hook counter;
    if (countInstructions) {
        uc->hookAdd(core, &counter, UC_HOOK_BLOCK, reinterpret_cast<void*>(countBlock),
                    &instructions, 1, 0);
    }
    uint64_t faultAddress = 0;
    uc_hook unmapped;
    uc->hookAdd(core, &unmapped, UC_HOOK_MEM_UNMAPPED, reinterpret_cast<void*>(noteUnmapped),
                &faultAddress, 1, 0);
    bool idled = false;
    uc_hook idle;
    if (code940ImageRecognised(memory, std::min(size, kCode940Capacity))) {
        const uint32_t idleAt = code940Word(memory, CODE940_IDLE_OFFSET);
        uc->hookAdd(core, &idle, UC_HOOK_CODE, reinterpret_cast<void*>(idleInstead), &idled, idleAt,
                    idleAt);
    }
    setRunning(core);

    uint32_t pc = 0;
    // Wakes before this count were seen by the program before it went to wait.
    uint32_t seen = gWakeCount.load(std::memory_order_acquire);
    bool faulted = false;
    while (!halt.load()) {
        const uc_err error = uc->emuStart(core, pc, 0xFFFFFFFFu, 0, 0);
        uc->regRead(core, UC_ARM_REG_PC, &pc);
        if (error != UC_ERR_OK) {
            reportFault(error, pc, faultAddress);
            faulted = true;
            break;
        }
        if (halt.load()) break;
        // The program idles, or waits for an interrupt (which the console
        // never raises: a program stopped for good): sleep unless the main side
        // wrote since the program last looked.
        if (figures != nullptr) ++(idled ? figures->waits : figures->interruptWaits);
        if (idled) uc->regRead(core, UC_ARM_REG_LR, &pc);  // the routine returns at once
        idled = false;
        sleepUntilWoken(seen);
        seen = gWakeCount.load(std::memory_order_acquire);
    }

    setRunning(nullptr);
    uc->close(core);
    if (figures != nullptr) {
        figures->instructions += instructions;
        figures->cpuNanoseconds += threadCpuNanoseconds() - cpuAtStart;
    }
    return faulted;
}
