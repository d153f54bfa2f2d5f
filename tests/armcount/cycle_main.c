/* cycle_main.c - runs the routines of cycle_programs.S twice, the second
 * time with their code cached, then newer_programs.S's once: 25 parts between
 * marks for cycle_test.sh. */
#include <stdint.h>
#include <stdlib.h>

void dataLoop(unsigned n);
void loadUse(const void* words, unsigned n);
void branches(unsigned n);
void blocks(const void* from, void* to, unsigned n);
void stream(const void* buffer, unsigned bytes, unsigned passes);
void newerInstructions(void* eightAligned);

static uint32_t words[4] = {1, 2, 3, 4};
static uint32_t from[8] __attribute__((aligned(32)));
static uint32_t to[8] __attribute__((aligned(32)));
static uint64_t pair[2];

int main(int argc, char** argv) {
    const unsigned n = argc > 1 ? (unsigned)atoi(argv[1]) : 1000;
    uint8_t* big = aligned_alloc(32, 65536);
    uint8_t* small = aligned_alloc(32, 4096);
    if (!big || !small) return 1;
    for (int run = 0; run < 2; ++run) {
        dataLoop(n);
        loadUse(words, n);
        branches(n);
        (void)*(volatile uint32_t*)to; /* read, so that the stores hit */
        blocks(from, to, n);
        stream(big, 65536, 4);
        stream(small, 4096, 4);
    }
    newerInstructions(pair);
    free(big);
    free(small);
    return 0;
}
