/* arm920t.h - the ARM920T's caches, write buffer and memory bus, in cycles.
 *
 * Contract: memInit once with the line-fill times to model side by side
 * (the first is the main one); then, in the order the program does them,
 * memFetch for the instruction lines a block runs through, memData for each
 * data access, and memCommit when the block's own cycles have passed. Every
 * time is a cycle count of the core clock since the start.
 *
 * What is modelled, from the ARM920T Technical Reference Manual (ARM DDI
 * 0151C), chapter 4 "Caches, Write Buffer, and Physical Address TAG RAM":
 * - A 16 KB instruction cache and a 16 KB data cache, each of 512 lines of
 *   32 bytes in 8 segments of 64 ways (the segment is address bits 7..5),
 *   round-robin replacement within a segment (the RR bit set).
 * - The data cache allocates on read misses only (LDR, LDM, SWP); a write
 *   that hits marks its half of the line dirty; a write that misses goes to
 *   the write buffer ("Table 4-1", write-back regions). A dirty line that is
 *   replaced goes to the write buffer, half or whole (two dirty bits a line).
 * - The write buffer holds 16 words at 4 addresses: one address for each
 *   store's run of words (an STM, a write-back), one for each single store.
 *   A store that finds it full waits for its oldest entry to be written.
 * - One memory bus, in order: a line fill waits until the write buffer has
 *   drained (a linefill drains the write buffer first, as the ARM940T's
 *   manual, ARM DDI 0155A, section 6.5.1, states it of the same design).
 * - A line fill takes F cycles (24 by default) and holds the core for all of
 *   them; a write of k words to memory takes F * (k + 4) / 12 cycles: a
 *   third of a fill opening the row, the rest spread over the 8 words.
 * - Another master on the bus (the second processor): each timing may carry
 *   a wait W (thousandths of a cycle) that every transaction of this
 *   processor's (a line fill, a buffered write) makes before it starts: the
 *   other master's transaction under way when it asks, on average. With the
 *   other master busy a share s of the time and transactions of L cycles,
 *   W = s E[L^2] / (2 E[L]) (the mean residual of what it finds under way).
 *   Its transactions are not queued behind this one's: an arbiter that
 *   grants this processor next.
 * Not modelled: the MMU's table walks (the TLBs are taken to hit), the
 * display's traffic on the same bus, SDRAM rows.
 */
#ifndef ARM920T_H
#define ARM920T_H

#include <stdbool.h>
#include <stdint.h>

enum { kMaxFills = 6 };

typedef struct MemTotals {
    uint64_t icache;  /* cycles waiting for instruction line fills */
    uint64_t dcache;  /* cycles waiting for data line fills */
    uint64_t wbuffer; /* cycles waiting for the write buffer: full, or draining before a fill */
    uint64_t other;   /* cycles a fill waited for the other master */
    uint64_t imisses, dmisses;
} MemTotals;

/* fills[v] and waits[v] (the other master's, in thousandths of a cycle) of
 * each timing. */
bool memInit(const unsigned* fills, const unsigned* waits, unsigned count);
/* The instruction lines first .. last (addresses >> 5) of a block beginning now. */
void memFetch(uint32_t first, uint32_t last);
/* A data access at addr, `prefix` cycles into the block under way. `who`
 * names the instruction's execution: the words one store writes in a row
 * share one address of the write buffer. */
void memData(uint32_t addr, bool store, uint32_t prefix, uint64_t who);
/* The block under way took `cycles` of its own, besides its stalls. */
void memCommit(uint64_t cycles);
/* The stalls of the block under way, for the main fill time. */
uint64_t memBlockStalls(void);
/* Cycles so far with fill time number `which`. */
uint64_t memNow(unsigned which);
void memTotals(MemTotals* totals);

#endif
