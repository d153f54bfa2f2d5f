/* arm940t.h - the ARM940T's protection unit, caches, write buffer and bus,
 * in cycles, as the program itself sets them through CP15.
 *
 * Contract: m940Init once with the memory timings to model side by side;
 * then, in the order the program does them: m940Cp15 for each MCR to CP15
 * that executes, m940Fetch for each instruction that begins, m940Data for
 * each data access of that instruction, m940Commit with the instruction's own
 * cycles (core and interlocks), m940WrongPath after a taken jump. The main
 * processor's writes into the shared memory are told with m940MainSideWrote.
 * Every time is a cycle count of the core clock since the start.
 *
 * Each timing is a pair: F, a line fill of four words, and U, one word alone
 * on the bus (an uncached read or write). Each is modelled twice: with the
 * protection unit and caches as the program sets them, and "off" as the
 * processor comes out of reset (no protection unit, no cache, no write
 * buffer: every fetch and access a single word on the bus).
 *
 * What is modelled, from the ARM940T Technical Reference Manual (ARM DDI
 * 0144B; its CP15 registers as in ARM DDI 0092B, chapter 2):
 * - The protection unit (chapter 3): eight instruction and eight data
 *   regions (c6, opcode_2 1 and 0), base aligned to a size of 4 KB to 4 GB,
 *   the higher region taking precedence; per region and side the cacheable
 *   bit (c2), the data side's bufferable bit (c3) and the access permission
 *   (c5); control register c1 bit 0 enables it, 2 the data cache, 12 the
 *   instruction cache. With the unit on, an access that falls in no enabled
 *   region, or in one whose permission is "no access", would abort on the
 *   device: it is counted (aborts), and then done as an uncached one.
 * - Caches (chapter 4): 4 KB for instructions and 4 KB for data, each four
 *   segments (address bits 5..4) of 64 fully associative lines of 16 bytes;
 *   allocation on read misses only; the victim chosen by a randomly clocked
 *   counter (here a fixed 32-bit LFSR, so a run repeats exactly) over the
 *   lines from the lockdown base (c9) to 63. A cacheable store that hits
 *   updates the line, and in a write-back region (C and B) marks it dirty
 *   instead of writing it out; in a write-through one (C alone) it also goes
 *   to the write buffer. A store that misses goes to the write buffer. A
 *   dirty victim is written back through the write buffer before its fill.
 *   c7 operations: flush I or D cache, flush or clean (and flush) one D entry
 *   by segment and index, flush one I entry, prefetch an I line, drain.
 * - The write buffer (4.4): 8 words at 4 addresses, first in first out,
 *   non-merging: each store takes an address, a store multiple one for each
 *   4-word aligned group of its words. A store that finds it full waits for
 *   its oldest entry. An uncached unbuffered store waits for it to empty.
 * - One bus, in order: a line fill or any other read waits until the write
 *   buffer has drained (946E-S TRM, ARM DDI 0155A, 6.5.1, of the same
 *   design), then holds the core: a fill F cycles; a single word U cycles,
 *   one of which the core spends on the instruction anyway (U - 1 of stall).
 *   Writing k words of one buffer entry takes U + (k - 1)(F - U)/3 cycles:
 *   the first word as alone, the others at a fill's pace (4 words: F).
 * - Fetches: with the instruction cache off, or from a region it does not
 *   cache, every instruction is a single word on the bus, and so are the
 *   two the pipeline fetched past a taken jump; from a cached region only a
 *   line not yet fetched is looked up.
 *
 * What it checks that the device would get wrong (the main processor's
 * memory is not snooped by these caches): in the shared range given by
 * m940SetShared,
 * - held: stores into the control block held in a write-back line (dirty,
 *   not on the bus where the main side reads);
 * - cached: loads of the words the main side writes (the control block's
 *   own) served from the data cache, and loads of the song from a line
 *   filled before the main side's latest write into it (stale);
 * - undrained: a block's `full` flag set with stores to its samples since
 *   the last drain of the write buffer.
 *
 * Also counted: per timing, bus transactions and their cycles (and the sum
 * of their squares, for the wait another master sees).
 */
#ifndef ARM940T_H
#define ARM940T_H

#include <stdbool.h>
#include <stdint.h>

enum { kMax940Timings = 4 };

typedef struct Timing940 {
    unsigned fill;   /* F: a line fill, four words */
    unsigned single; /* U: one word alone */
} Timing940;

typedef struct Totals940 {
    uint64_t cycles;
    uint64_t fetch;   /* stalls on instruction fetches: fills or single words */
    uint64_t data;    /* stalls on data reads: fills or single words */
    uint64_t wbuffer; /* stalls on the write buffer: full, draining, or an unbuffered store */
    uint64_t ifills, dfills, singles, writes; /* bus transactions by kind */
    uint64_t busCycles;                       /* the bus busy */
    uint64_t busSquares;                      /* sum of each transaction's cycles squared */
} Totals940;

typedef struct Checks940 {
    uint64_t held, cached, undrained, aborts;
    bool protection, icache, dcache; /* enabled now */
} Checks940;

bool m940Init(const Timing940* timings, unsigned count);
/* The shared memory: the control block [control, control + controlBytes),
 * the main side's words in it (byte offsets, each a word), the two blocks'
 * `full` flags and samples (offsets, kSoundBlockBytes each). */
void m940SetShared(uint32_t control, uint32_t controlBytes, const uint32_t* mainWords,
                   unsigned mainWordCount, const uint32_t fullAt[2], const uint32_t samplesAt[2],
                   uint32_t sampleBytes);

/* An MCR to CP15 that executes: CRn, CRm, opcode_2 and the value written. */
void m940Cp15(unsigned crn, unsigned crm, unsigned op2, uint32_t value);
/* The instruction at addr (size 2 or 4) begins. */
void m940Fetch(uint32_t addr, unsigned size);
/* A data access of the instruction under way, numbered `who` (the words of
 * one store multiple share it). */
void m940Data(uint32_t addr, unsigned bytes, bool store, uint32_t value, uint64_t who);
/* The instruction under way took `cycles` of its own (core and interlocks). */
void m940Commit(uint64_t cycles);
/* A jump was taken: the pipeline had fetched the next two instructions. */
void m940WrongPath(uint32_t fallThrough);
/* The main processor wrote [addr, addr + bytes). */
void m940MainSideWrote(uint32_t addr, uint32_t bytes);

/* Totals so far: timing `which` with the program's settings (off false) or
 * with everything off (off true). */
void m940Totals(unsigned which, bool off, Totals940* totals);
void m940Checks(Checks940* checks);

#endif
