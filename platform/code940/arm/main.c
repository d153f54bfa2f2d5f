/* main.c - the second processor's program: decodes the song for the main
 * processor (platform/code940/song_decoder.h) and, whenever there is nothing
 * to do, idles briefly (start.S) and looks again.
 *
 * Its caches are on (start.S says which memory each covers and why). The
 * main side copies the song in while the program waits for it, behind the
 * data cache's back: until the song is open, the program empties the data
 * cache before each look (forgetCachedData), so that the song it opens is
 * read from memory, never from a line filled before the copy. */
#include <errno.h>
#include <stddef.h>
#include <stdint.h>

#include "platform/code940/song_decoder.h"

/* The program sees its whole memory from address 0. */
#define kMemory ((uint8_t*)0)

static DecoderProgram gProgram;

void idleBriefly(void);
void forgetCachedData(void);

int main(void) {
    decoderProgramInit(&gProgram, kMemory);
    for (;;) {
        if (!gProgram.songOpened) forgetCachedData();
        if (!decoderProgramStep(&gProgram)) idleBriefly();
    }
}

/* ---- what the C library needs of this machine ---------------------------------- */

extern char __heap_start[];
extern char __heap_limit[];

/* The heap grows from the end of .bss up to the stack; past that, malloc fails. */
void* _sbrk(ptrdiff_t increment) {
    static char* top = __heap_start;
    char* previous = top;
    if (increment > __heap_limit - top || increment < __heap_start - top) {
        errno = ENOMEM;
        return (void*)-1;
    }
    top += increment;
    return previous;
}

/* A barrier for the shared words: the ARM940T drains its write buffer, so the
 * main processor sees the samples before the flag that hands them over. The
 * compiler calls it around every acquire and release of a shared word (this
 * processor has no barrier instruction). */
void __sync_synchronize(void) {
    __asm__ volatile("mcr p15, 0, %0, c7, c10, 4" : : "r"(0) : "memory");
}
