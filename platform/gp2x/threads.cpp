// The console's threads: clone(2) of the process sharing its memory, files
// and signal handlers. Its kernel (2.4) has no futexes and cannot clear a
// word when a thread ends, so the thread says itself that its body has
// returned, and a join polls for that with usleep. The stack and the start
// record are never released: the thread may still be on its way out of its
// stack when the flag is seen, and the process makes one audio thread.
// A thread is known by the stack it runs on (runtimeThread).
#include "platform/threads.h"

#include <sys/mman.h>
#include <unistd.h>

#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/runtime.h"
#include "platform/gp2x/system_calls.h"

namespace {

constexpr size_t kStackBytes = 128 * 1024;

constexpr int kMostThreadStacks = 4;
struct StackRange {
    uintptr_t low, high;
};
StackRange gThreadStacks[kMostThreadStacks];
volatile int gThreadStackCount = 0;

struct Start {
    void (*body)();
    volatile int finished;
};

void run(void* argument) {
    auto* start = static_cast<Start*>(argument);
    start->body();
    __sync_synchronize();
    start->finished = 1;
}

}  // namespace

void runtimeNoteThreadStack(const void* low, unsigned long size) {
    if (gThreadStackCount >= kMostThreadStacks) return;
    const auto start = reinterpret_cast<uintptr_t>(low);
    gThreadStacks[gThreadStackCount] = {start, start + size};
    __sync_synchronize();
    gThreadStackCount = gThreadStackCount + 1;
}

int runtimeThread() {
    const uintptr_t sp = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    for (int i = 0; i < gThreadStackCount; ++i) {
        if (sp >= gThreadStacks[i].low && sp < gThreadStacks[i].high) return i + 2;
    }
    return 1;
}

bool platformStartThread(PlatformThread* thread, void (*body)(), const char*) {
    thread->started = false;
    void* stack =
        mmap(nullptr, kStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (stack == MAP_FAILED) return false;
    auto* start = new Start{body, 0};
    void* top = static_cast<char*>(stack) + kStackBytes;
    runtimeNoteThreadStack(stack, kStackBytes);
    if (Sys::failed(runtimeClone(Linux::kCloneThread, top, run, start))) {
        delete start;
        munmap(stack, kStackBytes);
        return false;
    }
    thread->handle = reinterpret_cast<uintptr_t>(start);
    thread->started = true;
    return true;
}

void platformJoinThread(PlatformThread* thread) {
    if (!thread->started) return;
    const auto* start = reinterpret_cast<const Start*>(thread->handle);
    while (!start->finished) usleep(1000);
    thread->started = false;
}
