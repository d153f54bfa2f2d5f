/* clock_shim - loaded into qemu-arm (LD_PRELOAD) by the console test: the
 * system clock that the console program reads, and the screens it shows.
 *
 * qemu-arm answers the program's gettimeofday with the host's, called from
 * the host thread that runs the calling guest thread; the program's first
 * thread runs on qemu's first thread. Each time that thread asks the time:
 *   - the screen: the framebuffer file (CONSOLE_SCREEN, its first
 *     CONSOLE_SCREEN_BYTES bytes) is read and hashed (64-bit FNV-1a, as
 *     capture hashes the screen) and, when it changed, a line "MS HASH" goes
 *     to CONSOLE_SCREEN_LOG. The program presents between two readings of the
 *     clock and never while it reads it, so each line is a whole screen.
 *   - the time: with CONSOLE_CLOCK_STEP_US set, a clock that moves that many
 *     microseconds at each of that thread's readings and not otherwise, so
 *     that how far the program gets by each frame does not depend on how fast
 *     the machine runs it; other threads read it without moving it. Without
 *     it, the host's clock.
 * The variables are taken out of the environment at load, so that neither
 * the program nor what it executes inherits them. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

static int64_t gStepUs;
static int64_t gVirtualUs;
static int64_t gStartUs;
static int gScreen = -1;
static size_t gScreenBytes;
static unsigned char* gPixels;
static FILE* gLog;
static uint64_t gLastHash;

static int64_t hostMicroseconds(void) {
    struct timeval now;
    syscall(SYS_gettimeofday, &now, NULL);
    return (int64_t)now.tv_sec * 1000000 + now.tv_usec;
}

static char* take(const char* name) {
    char* value = getenv(name);
    if (value == NULL) return NULL;
    char* copy = strdup(value);
    unsetenv(name);
    return copy;
}

__attribute__((constructor)) static void start(void) {
    char* step = take("CONSOLE_CLOCK_STEP_US");
    char* screen = take("CONSOLE_SCREEN");
    char* bytes = take("CONSOLE_SCREEN_BYTES");
    char* log = take("CONSOLE_SCREEN_LOG");
    unsetenv("LD_PRELOAD");
    gStepUs = step != NULL ? atoll(step) : 0;
    gStartUs = gVirtualUs = hostMicroseconds();
    if (screen != NULL && bytes != NULL && log != NULL) {
        gScreen = open(screen, O_RDONLY | O_CLOEXEC);
        gScreenBytes = (size_t)atoll(bytes);
        gPixels = malloc(gScreenBytes);
        gLog = fopen(log, "we");
    }
}

static void noteScreen(int64_t nowUs) {
    if (gScreen < 0 || gPixels == NULL || gLog == NULL) return;
    if (pread(gScreen, gPixels, gScreenBytes, 0) != (ssize_t)gScreenBytes) return;
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < gScreenBytes; ++i) hash = (hash ^ gPixels[i]) * 0x100000001b3ull;
    if (hash == gLastHash) return;
    gLastHash = hash;
    fprintf(gLog, "%lld %016llx\n", (long long)((nowUs - gStartUs) / 1000),
            (unsigned long long)hash);
    fflush(gLog);
}

int gettimeofday(struct timeval* restrict time, void* restrict zone) {
    (void)zone;
    const int first = syscall(SYS_gettid) == getpid();
    int64_t now;
    if (gStepUs == 0) {
        now = hostMicroseconds();
    } else {
        if (first) gVirtualUs += gStepUs;
        now = __atomic_load_n(&gVirtualUs, __ATOMIC_RELAXED);
    }
    if (first) noteScreen(now);
    time->tv_sec = now / 1000000;
    time->tv_usec = now % 1000000;
    return 0;
}
