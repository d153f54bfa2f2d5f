// threads.h - a thread of the program's own beside the main thread: the
// audio thread that plays the second processor's sound.
//
// Each host that brings up the second processor makes it its own way: the
// desktop with POSIX threads, the console with a clone of the process that
// shares its memory (its kernel predates futexes: nothing here waits on a
// lock, every wait polls and sleeps). The web page has no audio thread: its
// second processor is a worker that feeds the page's sound output itself.
#pragma once

#include <cstdint>

struct PlatformThread {
    uintptr_t handle = 0;
    bool started = false;
};

// Starts body() on a new thread named `name` (where the host names threads);
// false if the host cannot make one.
bool platformStartThread(PlatformThread* thread, void (*body)(), const char* name);
// Returns once the thread's body has returned; at once if it never started.
void platformJoinThread(PlatformThread* thread);
