// The desktop's threads: POSIX threads.
#include "platform/threads.h"

#include <pthread.h>

namespace {

struct Start {
    void (*body)();
    const char* name;
};

void* run(void* argument) {
    const Start start = *static_cast<Start*>(argument);
    delete static_cast<Start*>(argument);
    pthread_setname_np(pthread_self(), start.name);
    start.body();
    return nullptr;
}

}  // namespace

bool platformStartThread(PlatformThread* thread, void (*body)(), const char* name) {
    pthread_t id;
    auto* start = new Start{body, name};
    thread->started = pthread_create(&id, nullptr, run, start) == 0;
    if (!thread->started) {
        delete start;
        return false;
    }
    thread->handle = uintptr_t(id);
    return true;
}

void platformJoinThread(PlatformThread* thread) {
    if (!thread->started) return;
    pthread_join(pthread_t(thread->handle), nullptr);
    thread->started = false;
}
