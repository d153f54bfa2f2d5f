/* arm920t.c - the ARM920T's caches, write buffer and bus (arm920t.h). */
#include "arm920t.h"

#include <string.h>
#include <sys/mman.h>

enum {
    kSegments = 8,
    kWays = 64,
    kEntries = 4,      /* write-buffer addresses */
    kBufferWords = 16, /* write-buffer words */
};

typedef struct Cache {
    uint32_t line[kSegments][kWays]; /* address >> 5 of each way's line */
    uint8_t dirty[kSegments][kWays]; /* bit 0: first half, bit 1: second half */
    uint8_t next[kSegments];         /* the round-robin victim */
    unsigned shift;                  /* this cache's byte in a lookup entry */
} Cache;

/* What one fill time makes of the same accesses: the caches hold the same
 * lines whatever the fill time, only the waiting differs. */
typedef struct Timing {
    unsigned fill;
    unsigned otherWait; /* thousandths of a cycle a transaction waits for the other master */
    unsigned owed;      /* thousandths not yet waited */
    uint64_t now;       /* cycles committed, up to the block under way */
    uint64_t stall;     /* stalls of the block under way */
    uint64_t busFree;   /* when the bus finishes what it was given */
    uint64_t start[kEntries], done[kEntries];
    unsigned words[kEntries];
    unsigned head, count, bufferWords;
    uint64_t lastWho; /* the store that made the newest entry */
    MemTotals totals;
} Timing;

static Cache icache, dcache;
static Timing timing[kMaxFills];
static unsigned timings;
/* For each line of the 4 GiB guest space, its way in each cache plus one (0:
 * absent): instruction cache in bits 8..15, data cache in bits 0..7. Only
 * the pages touched take memory. */
static uint16_t* lookup;

bool memInit(const unsigned* fills, const unsigned* waits, unsigned count) {
    if (count == 0 || count > kMaxFills) return false;
    lookup = mmap(NULL, sizeof(uint16_t) << 27, PROT_READ | PROT_WRITE,
                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (lookup == MAP_FAILED) return false;
    memset(&icache, 0, sizeof icache);
    memset(&dcache, 0, sizeof dcache);
    icache.shift = 8;
    dcache.shift = 0;
    timings = count;
    for (unsigned v = 0; v < count; ++v) {
        memset(&timing[v], 0, sizeof timing[v]);
        timing[v].fill = fills[v];
        timing[v].otherWait = waits[v];
        timing[v].lastWho = ~0ull;
    }
    return true;
}

static unsigned wayOf(const Cache* c, uint32_t line) {
    return (lookup[line] >> c->shift) & 0xFF;
}

static void setWay(const Cache* c, uint32_t line, unsigned wayPlusOne) {
    lookup[line] = (uint16_t)((lookup[line] & ~(0xFF << c->shift)) | (wayPlusOne << c->shift));
}

/* Puts `line` in its segment's next way; returns the words of the dirty
 * halves it replaced (0, 4 or 8). */
static unsigned allocate(Cache* c, uint32_t line) {
    const unsigned segment = line & (kSegments - 1);
    const unsigned way = c->next[segment];
    c->next[segment] = (uint8_t)((way + 1) % kWays);
    const uint32_t old = c->line[segment][way];
    unsigned castout = 0;
    if (wayOf(c, old) == way + 1) {
        const unsigned d = c->dirty[segment][way];
        castout = 4 * ((d & 1) + (d >> 1));
        setWay(c, old, 0);
    }
    c->line[segment][way] = line;
    c->dirty[segment][way] = 0;
    setWay(c, line, way + 1);
    return castout;
}

static uint64_t writeCycles(const Timing* t, unsigned words) {
    return (uint64_t)t->fill * (words + 4) / 12;
}

/* Entries written by `at` leave the buffer. */
static void retire(Timing* t, uint64_t at) {
    while (t->count > 0 && t->done[t->head] <= at) {
        t->bufferWords -= t->words[t->head];
        t->head = (t->head + 1) % kEntries;
        --t->count;
    }
}

/* The core's time now: committed cycles, the block's cycles before this
 * access, and its stalls so far. */
static uint64_t coreTime(const Timing* t, uint32_t prefix) {
    return t->now + prefix + t->stall;
}

static void wait(Timing* t, uint64_t cycles, uint64_t* cause) {
    t->stall += cycles;
    *cause += cycles;
}

/* The whole cycles a transaction waits for the other master: the average
 * wait, its fractions carried to the next. */
static uint64_t otherMaster(Timing* t) {
    t->owed += t->otherWait;
    const uint64_t cycles = t->owed / 1000;
    t->owed %= 1000;
    return cycles;
}

/* A fill of one line at `at`: the write buffer drains, the other master's
 * transaction under way ends, then the fill holds the core. */
static void fillLine(Timing* t, uint64_t at, uint64_t* cause, unsigned castout) {
    const uint64_t drained = t->busFree > at ? t->busFree : at;
    wait(t, drained - at, &t->totals.wbuffer);
    const uint64_t start = drained + otherMaster(t);
    wait(t, start - drained, &t->totals.other);
    wait(t, t->fill, cause);
    t->busFree = start + t->fill;
    t->head = t->count = t->bufferWords = 0;
    t->lastWho = ~0ull;
    if (castout == 0) return;
    const unsigned e = t->head;
    t->words[e] = castout;
    t->start[e] = t->busFree + otherMaster(t);
    t->done[e] = t->busFree + writeCycles(t, castout);
    t->busFree = t->done[e];
    t->count = 1;
    t->bufferWords = castout;
}

static void bufferWrite(Timing* t, uint64_t at, uint64_t who) {
    retire(t, at);
    if (t->count > 0 && who == t->lastWho) {
        const unsigned e = (t->head + t->count - 1) % kEntries;
        if (t->words[e] < kBufferWords && t->bufferWords < kBufferWords) {
            /* The next word of the same store: the entry grows while it waits. */
            t->words[e]++;
            t->bufferWords++;
            t->done[e] = t->start[e] + writeCycles(t, t->words[e]);
            t->busFree = t->done[e];
            return;
        }
    }
    while (t->count == kEntries || t->bufferWords + 1 > kBufferWords) {
        const uint64_t oldest = t->done[t->head];
        wait(t, oldest - at, &t->totals.wbuffer);
        at = oldest;
        retire(t, at);
    }
    const unsigned e = (t->head + t->count) % kEntries;
    t->words[e] = 1;
    t->start[e] = (t->busFree > at ? t->busFree : at) + otherMaster(t);
    t->done[e] = t->start[e] + writeCycles(t, 1);
    t->busFree = t->done[e];
    t->count++;
    t->bufferWords++;
    t->lastWho = who;
}

void memFetch(uint32_t first, uint32_t last) {
    for (uint32_t line = first; line <= last; ++line) {
        if (wayOf(&icache, line)) continue;
        allocate(&icache, line);
        for (unsigned v = 0; v < timings; ++v) {
            Timing* t = &timing[v];
            t->totals.imisses++;
            fillLine(t, coreTime(t, 0), &t->totals.icache, 0);
        }
    }
}

void memData(uint32_t addr, bool store, uint32_t prefix, uint64_t who) {
    const uint32_t line = addr >> 5;
    const unsigned way = wayOf(&dcache, line);
    if (way) {
        if (store)
            dcache.dirty[line & (kSegments - 1)][way - 1] |= (uint8_t)(1u << ((addr >> 4) & 1));
        return;
    }
    if (store) {
        for (unsigned v = 0; v < timings; ++v)
            bufferWrite(&timing[v], coreTime(&timing[v], prefix), who);
        return;
    }
    const unsigned castout = allocate(&dcache, line);
    for (unsigned v = 0; v < timings; ++v) {
        Timing* t = &timing[v];
        t->totals.dmisses++;
        fillLine(t, coreTime(t, prefix), &t->totals.dcache, castout);
    }
}

void memCommit(uint64_t cycles) {
    for (unsigned v = 0; v < timings; ++v) {
        timing[v].now += cycles + timing[v].stall;
        timing[v].stall = 0;
    }
}

uint64_t memBlockStalls(void) {
    return timing[0].stall;
}

uint64_t memNow(unsigned which) {
    return which < timings ? timing[which].now : 0;
}

void memTotals(MemTotals* totals) {
    *totals = timing[0].totals;
}
