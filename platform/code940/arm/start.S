/* start.S - the first bytes of code940.bin: the exception vectors at address 0,
 * the image header, and the start-up that runs out of reset.
 *
 * Out of reset the processor runs from address 0 in supervisor mode with its
 * interrupts masked, its protection unit and both caches off: every fetch
 * and every access is one word alone on the bus it shares with the main
 * processor. Start-up describes the memory to the protection unit, switches
 * it and the caches on, sets the stack (code940.ld puts it at the top of the
 * program's 2 MiB, below the control block), zeroes .bss and calls main,
 * which never returns. Any other exception is a fault of the program (an
 * access outside the regions below included): it stops in a loop of
 * wait-for-interrupt, which an emulator also sees as idle.
 *
 * The regions (the same on the instruction and the data side where both
 * have one; a higher region takes precedence, and an access in none aborts):
 *
 *   1  0x000000  2 MiB   the program: vectors, code, data, .bss, heap and
 *                        stack. Instructions cached; data cached write-back
 *                        (C and B): only this processor reads or writes it.
 *   2  0x200000  32 KiB  the sound control block (0x4040 bytes), data only:
 *                        uncached, bufferable (B). The main side writes
 *                        `full`, `playing`, the song's words and the seeks at
 *                        any time, and neither processor sees the other's
 *                        cache: a cached copy would be stale (written through
 *                        is not enough, the reads would still come from the
 *                        line), and a write-back line would keep the samples
 *                        and flags from the main side. Bufferable lets the
 *                        samples go out through the write buffer while the
 *                        decoder goes on; the buffer is drained before a
 *                        block's `full` flag is set (__sync_synchronize in
 *                        main.c, before every release store), so the flag
 *                        never reaches the main side before its samples.
 *   3  0x700000  1 MiB   the song (from kSongOffset to the end of the
 *   4  0x800000  8 MiB   memory), data only: cached write-through (C), read
 *                        only in fact. The main side copies a song in while
 *                        the program waits for it, so main.c cleans and
 *                        invalidates the whole data cache before it opens a
 *                        song: no line of it from before can be read stale.
 *
 * Nothing else is reachable: no instruction comes from outside the program,
 * and the memory between the control block and the song is nobody's. The
 * program runs in supervisor mode only, so each region allows privileged
 * access (permission 01) and no other.
 */
#include "platform/code940/code940_layout.h"

    .arm
    .section .vectors, "ax"
    .global _start
_start:
    b reset
    b stopped           /* undefined instruction */
    b stopped           /* software interrupt */
    b stopped           /* prefetch abort */
    b stopped           /* data abort */
    b stopped           /* reserved */
    b stopped           /* IRQ */
    b stopped           /* FIQ */

    .org CODE940_HEADER_OFFSET
    .word CODE940_MAGIC_LOW
    .word CODE940_MAGIC_HIGH
    .word CODE940_VERSION
    .word 0             /* length: filled by the build */
    .word __code_end    /* what the checksum covers */
    .word 0             /* checksum: filled by the build */
    .word idleBriefly

    .text
reset:
    bl protectMemory
    ldr sp, =__stack_top
    ldr r0, =__bss_start
    ldr r1, =__bss_end
    mov r2, #0
1:  cmp r0, r1
    strlo r2, [r0], #4
    blo 1b
    bl main

/* Region registers (c6): base, size 2^(N + 1) in bits 5..1, enable in bit 0. */
#define REGION(base, log2Size) ((base) | (((log2Size) - 1) << 1) | 1)
#define PROGRAM_REGION REGION(0x000000, 21)
#define CONTROL_REGION REGION(0x200000, 15)
#define SONG_LOW_REGION REGION(0x700000, 20)
#define SONG_HIGH_REGION REGION(0x800000, 23)
/* Per-region bits and permissions (c2, c3: bit r; c5: bits 2r + 1..2r). */
#define DATA_CACHED ((1 << 1) | (1 << 3) | (1 << 4))
#define DATA_BUFFERED ((1 << 1) | (1 << 2))
#define DATA_ACCESS ((1 << 2) | (1 << 4) | (1 << 6) | (1 << 8))
#define CODE_CACHED (1 << 1)
#define CODE_ACCESS (1 << 2)
/* Control register (c1): protection unit, data cache, instruction cache. */
#define CACHES_ON ((1 << 0) | (1 << 2) | (1 << 12))

/* The region map above, then the protection unit and both caches on, with
 * both caches flushed first (they hold nothing after a reset, but a release
 * need not follow one). Uses r0 and r1 only, no memory. */
protectMemory:
    mov r0, #0
    mcr p15, 0, r0, c6, c0, 0
    mcr p15, 0, r0, c6, c0, 1
    mcr p15, 0, r0, c6, c2, 1
    mcr p15, 0, r0, c6, c3, 1
    mcr p15, 0, r0, c6, c4, 1
    mcr p15, 0, r0, c6, c5, 0
    mcr p15, 0, r0, c6, c5, 1
    mcr p15, 0, r0, c6, c6, 0
    mcr p15, 0, r0, c6, c6, 1
    mcr p15, 0, r0, c6, c7, 0
    mcr p15, 0, r0, c6, c7, 1
    ldr r0, =PROGRAM_REGION
    mcr p15, 0, r0, c6, c1, 0
    mcr p15, 0, r0, c6, c1, 1
    ldr r0, =CONTROL_REGION
    mcr p15, 0, r0, c6, c2, 0
    ldr r0, =SONG_LOW_REGION
    mcr p15, 0, r0, c6, c3, 0
    ldr r0, =SONG_HIGH_REGION
    mcr p15, 0, r0, c6, c4, 0
    mov r0, #DATA_CACHED
    mcr p15, 0, r0, c2, c0, 0
    mov r0, #CODE_CACHED
    mcr p15, 0, r0, c2, c0, 1
    mov r0, #DATA_BUFFERED
    mcr p15, 0, r0, c3, c0, 0
    ldr r0, =DATA_ACCESS
    mcr p15, 0, r0, c5, c0, 0
    mov r0, #CODE_ACCESS
    mcr p15, 0, r0, c5, c0, 1
    mov r0, #0
    mcr p15, 0, r0, c7, c5, 0       /* flush the instruction cache */
    mcr p15, 0, r0, c7, c6, 0       /* flush the data cache */
    mrc p15, 0, r0, c1, c0, 0
    ldr r1, =CACHES_ON
    orr r0, r0, r1
    mcr p15, 0, r0, c1, c0, 0
    bx lr

/* Writes every dirty line of the data cache back and empties it: its 4
 * segments (bits 5..4) of 64 lines (bits 31..26), one clean-and-flush each.
 * Then no line holds anything the main side wrote since it was filled. */
    .global forgetCachedData
forgetCachedData:
    mov r0, #(3 << 4)
1:  orr r1, r0, #(63 << 26)
2:  mcr p15, 0, r1, c7, c14, 2
    subs r1, r1, #(1 << 26)
    bcs 2b
    subs r0, r0, #(1 << 4)
    bcs 1b
    bx lr

/* The program's wait when it has nothing to do: about 50 us at 200 MHz
 * (2560 passes of 4 cycles, a taken branch costing 3) in registers alone, so
 * that the bus stays free for the main processor. Nothing on the console
 * interrupts this processor (the main side switches the inter-processor
 * interrupts off and never raises one), so a wait for an interrupt would
 * never end: the program counts instead and looks at the control block
 * again. An emulator finds this routine through the header and sleeps there
 * until the main side writes, rather than counting. */
    .global idleBriefly
idleBriefly:
    mov r0, #2560
1:  subs r0, r0, #1
    bne 1b
    bx lr

stopped:
    mcr p15, 0, r0, c7, c0, 4
    b stopped
