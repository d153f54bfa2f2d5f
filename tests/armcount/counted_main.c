/* counted_main.c - the instruction counter's test program: the first thread
 * runs two loops of known length while a second thread spins beside it, so
 * that a count taken from every thread would show. */
#include <pthread.h>
#include <stdlib.h>

void countedLoop(unsigned n);

static volatile int started;
static volatile int done;

static void* spin(void* unused) {
    (void)unused;
    started = 1;
    unsigned long turns = 0;
    while (!done) ++turns;
    return (void*)turns;
}

int main(int argc, char** argv) {
    pthread_t other;
    if (pthread_create(&other, NULL, spin, NULL) != 0) return 1;
    while (!started) {
    }
    countedLoop(argc > 1 ? (unsigned)atoi(argv[1]) : 1000);
    countedLoop(argc > 2 ? (unsigned)atoi(argv[2]) : 1);
    done = 1;
    void* turns;
    pthread_join(other, &turns);
    return turns == NULL; /* the spinning thread ran */
}
