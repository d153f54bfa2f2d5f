// The page has no threads: pthread_create fails (the audio bridge then runs
// its thread's work in the page's sound callback), and naming a thread, which
// the browser's C library leaves out, never happens.
#include <pthread.h>

extern "C" int pthread_setname_np(pthread_t, const char*) {
    return 0;
}
