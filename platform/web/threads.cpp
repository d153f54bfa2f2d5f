// The page's engine has no threads: the audio bridge then runs its thread's
// start-up itself, and the second processor is a worker of the page's.
#include "platform/threads.h"

bool platformStartThread(PlatformThread* thread, void (*)(), const char*) {
    thread->started = false;
    return false;
}

void platformJoinThread(PlatformThread*) {}
