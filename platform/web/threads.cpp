// The page has no threads: the audio bridge then runs its thread's work in
// the page's sound callback.
#include "platform/threads.h"

bool platformStartThread(PlatformThread* thread, void (*)(), const char*) {
    thread->started = false;
    return false;
}

void platformJoinThread(PlatformThread*) {}
