/* arm940t.c - the ARM940T's protection unit, caches, write buffer and bus
 * (arm940t.h). */
#include "arm940t.h"

#include <string.h>

enum {
    kSegments = 4,
    kLines = 64, /* a segment's lines */
    kLineShift = 4,
    kMemoryLines = 1 << 20, /* 16 MiB of lines looked up by table */
    kPageShift = 12,
    kPages = 1 << 12, /* 16 MiB of 4 KiB pages with their attributes */
    kBufferAddresses = 4,
    kBufferWords = 8,
    kControlWordsMax = 0x1000,
};

/* A page's attributes on one side, for the protection unit as set. */
enum {
    kCacheable = 1,
    kBufferable = 2,
    kAbort = 4, /* in no enabled region, or one that allows no access */
};

typedef struct Cache {
    uint32_t line[kSegments][kLines]; /* address >> 4 */
    bool valid[kSegments][kLines];
    bool dirty[kSegments][kLines];
    bool stale[kSegments][kLines]; /* filled before the main side's latest write */
    unsigned base;                 /* lockdown: lines below it are kept */
    bool loading;                  /* lockdown load: fills go to `base` */
    uint32_t lfsr;
    uint8_t way[kMemoryLines]; /* each memory line's line in its segment plus one, 0: absent */
} Cache;

typedef struct Side {
    uint32_t region[8]; /* c6 as written */
    uint8_t cacheable;  /* c2 */
    uint8_t bufferable; /* c3, data side only */
    uint16_t access;    /* c5 */
    uint8_t page[kPages];
} Side;

typedef struct Timing {
    unsigned fill, single;
    bool off;
    uint64_t now;   /* cycles committed */
    uint64_t stall; /* stalls of the instruction under way */
    uint64_t busFree;
    uint64_t done[kBufferAddresses];
    unsigned words[kBufferAddresses];
    unsigned head, count, bufferWords;
    uint64_t lastWho;
    uint32_t lastGroup;
    Totals940 totals;
} Timing;

static Cache icache, dcache;
static Side iside, dside;
static uint32_t controlRegister;
static Timing timing[2 * kMax940Timings];
static unsigned timings;
static uint32_t fetchedLine = ~0u;
static Checks940 checks;

/* The shared memory's layout. */
static uint32_t controlAt, controlBytes;
static uint8_t mainWord[kControlWordsMax];
static uint32_t fullAt[2], samplesAt[2], sampleBytes;
static bool samplesSinceDrain[2];

/* ---- the protection unit ------------------------------------------------------ */

static bool protectionOn(void) {
    return controlRegister & 1;
}

/* The attributes of the highest enabled region holding addr, as bits. */
static uint8_t attributesOf(const Side* side, uint32_t addr) {
    for (int r = 7; r >= 0; --r) {
        const uint32_t reg = side->region[r];
        if (!(reg & 1)) continue;
        const unsigned sizeBits = ((reg >> 1) & 31) + 1; /* 4 KB is 11: 2^12 */
        const uint64_t size = 1ull << (sizeBits < 12 ? 12 : sizeBits);
        const uint32_t base = reg & 0xFFFFF000u & ~(uint32_t)(size - 1);
        if ((uint64_t)(addr - base) >= size) continue;
        if (((side->access >> (2 * r)) & 3) == 0) return kAbort;
        return (uint8_t)(((side->cacheable >> r) & 1 ? kCacheable : 0) |
                         ((side->bufferable >> r) & 1 ? kBufferable : 0));
    }
    return kAbort;
}

static void mapPages(Side* side) {
    for (uint32_t p = 0; p < kPages; ++p) side->page[p] = attributesOf(side, p << kPageShift);
}

static uint8_t pageOf(const Side* side, uint32_t addr) {
    if (!protectionOn()) return 0;
    return addr >> kPageShift < kPages ? side->page[addr >> kPageShift] : attributesOf(side, addr);
}

/* ---- the caches --------------------------------------------------------------- */

static unsigned segmentOf(uint32_t line) {
    return line & (kSegments - 1);
}

static unsigned wayOf(const Cache* c, uint32_t line) {
    return line < kMemoryLines ? c->way[line] : 0;
}

static void forget(Cache* c, unsigned segment, unsigned index) {
    if (!c->valid[segment][index]) return;
    const uint32_t line = c->line[segment][index];
    if (line < kMemoryLines) c->way[line] = 0;
    c->valid[segment][index] = c->dirty[segment][index] = c->stale[segment][index] = false;
}

static void flushAll(Cache* c) {
    for (unsigned s = 0; s < kSegments; ++s)
        for (unsigned i = 0; i < kLines; ++i) forget(c, s, i);
}

/* The next victim: the lockdown line while loading, else a random line from
 * the base up (a 32-bit Galois LFSR stands for the randomly clocked counter). */
static unsigned victim(Cache* c) {
    if (c->loading || c->base >= kLines) return c->base < kLines ? c->base : kLines - 1;
    c->lfsr = (c->lfsr >> 1) ^ (-(c->lfsr & 1u) & 0x80200003u);
    return c->base + c->lfsr % (kLines - c->base);
}

/* Puts `line` in the cache; returns whether the line it replaced was dirty. */
static bool allocate(Cache* c, uint32_t line) {
    const unsigned s = segmentOf(line), i = victim(c);
    const bool castout = c->valid[s][i] && c->dirty[s][i];
    forget(c, s, i);
    c->line[s][i] = line;
    c->valid[s][i] = true;
    if (line < kMemoryLines) c->way[line] = (uint8_t)(i + 1);
    return castout;
}

/* ---- the bus and the write buffer, for one timing ------------------------------ */

static uint64_t coreTime(const Timing* t) {
    return t->now + t->stall;
}

static void stallUntil(Timing* t, uint64_t until, uint64_t* cause) {
    const uint64_t at = coreTime(t);
    if (until <= at) return;
    t->stall += until - at;
    *cause += until - at;
}

static void busTransaction(Timing* t, uint64_t cycles) {
    t->totals.busCycles += cycles;
    t->totals.busSquares += cycles * cycles;
}

static uint64_t writeCycles(const Timing* t, unsigned words) {
    return t->single + (uint64_t)(words - 1) * (t->fill - t->single) / 3;
}

static void retire(Timing* t, uint64_t at) {
    while (t->count > 0 && t->done[t->head] <= at) {
        t->bufferWords -= t->words[t->head];
        t->head = (t->head + 1) % kBufferAddresses;
        --t->count;
    }
}

/* A new entry of `words` words, once there is room for it. */
static void pushEntry(Timing* t, unsigned words, uint64_t who, uint32_t group) {
    retire(t, coreTime(t));
    while (t->count == kBufferAddresses || t->bufferWords + words > kBufferWords) {
        stallUntil(t, t->done[t->head], &t->totals.wbuffer);
        retire(t, coreTime(t));
    }
    const unsigned e = (t->head + t->count) % kBufferAddresses;
    const uint64_t start = t->busFree > coreTime(t) ? t->busFree : coreTime(t);
    t->words[e] = words;
    t->done[e] = start + writeCycles(t, words);
    t->busFree = t->done[e];
    t->count++;
    t->bufferWords += words;
    t->lastWho = who;
    t->lastGroup = group;
    t->totals.writes++;
    busTransaction(t, writeCycles(t, words));
}

/* One word of a store into the write buffer: the next word of the same
 * store's 4-word group joins its entry. */
static void bufferWord(Timing* t, uint32_t addr, uint64_t who) {
    const uint32_t group = addr >> kLineShift;
    retire(t, coreTime(t));
    if (t->count > 0 && who == t->lastWho && group == t->lastGroup &&
        t->bufferWords < kBufferWords) {
        const unsigned e = (t->head + t->count - 1) % kBufferAddresses;
        const uint64_t before = writeCycles(t, t->words[e]);
        t->words[e]++;
        t->bufferWords++;
        const uint64_t after = writeCycles(t, t->words[e]);
        t->done[e] += after - before;
        t->busFree = t->done[e];
        t->totals.busCycles += after - before;
        t->totals.busSquares += after * after - before * before;
        return;
    }
    pushEntry(t, 1, who, group);
}

/* A read on the bus: it waits for the write buffer to drain, then holds the
 * core for `cycles`, of which it spends `overlap` on the instruction anyway. */
static void busRead(Timing* t, unsigned cycles, unsigned overlap, uint64_t* cause) {
    stallUntil(t, t->busFree, t->count > 0 ? &t->totals.wbuffer : cause);
    t->head = t->count = t->bufferWords = 0;
    t->busFree = coreTime(t) + cycles;
    stallUntil(t, t->busFree - overlap, cause);
    busTransaction(t, cycles);
}

static void fillLine(Timing* t, bool castout, uint64_t* cause, uint64_t* fills) {
    if (castout) pushEntry(t, 4, ~0ull, ~0u);
    busRead(t, t->fill, 0, cause);
    ++*fills;
}

static void singleRead(Timing* t, uint64_t* cause) {
    busRead(t, t->single, 1, cause);
    t->totals.singles++;
}

/* A store with no buffer: the buffer empties, then the word goes out. */
static void unbufferedWrite(Timing* t) {
    busRead(t, t->single, 1, &t->totals.wbuffer);
    t->totals.singles++;
}

static void drain(Timing* t) {
    stallUntil(t, t->busFree, &t->totals.wbuffer);
    retire(t, coreTime(t));
}

/* ---- what the program does ---------------------------------------------------- */

bool m940Init(const Timing940* given, unsigned count) {
    if (count == 0 || count > kMax940Timings) return false;
    memset(&icache, 0, sizeof icache);
    memset(&dcache, 0, sizeof dcache);
    icache.lfsr = 0x940u;
    dcache.lfsr = 0x1940u;
    memset(&iside, 0, sizeof iside);
    memset(&dside, 0, sizeof dside);
    controlRegister = 0;
    fetchedLine = ~0u;
    memset(&checks, 0, sizeof checks);
    timings = 2 * count;
    for (unsigned v = 0; v < timings; ++v) {
        memset(&timing[v], 0, sizeof timing[v]);
        timing[v].fill = given[v % count].fill;
        timing[v].single = given[v % count].single;
        timing[v].off = v >= count;
        timing[v].lastWho = ~0ull;
        if (timing[v].fill < timing[v].single || timing[v].single == 0) return false;
    }
    return true;
}

void m940SetShared(uint32_t control, uint32_t bytes, const uint32_t* words, unsigned wordCount,
                   const uint32_t full[2], const uint32_t samples[2], uint32_t samplesLength) {
    controlAt = control;
    controlBytes = bytes < 4 * kControlWordsMax ? bytes : 4 * kControlWordsMax;
    memset(mainWord, 0, sizeof mainWord);
    for (unsigned i = 0; i < wordCount; ++i)
        if (words[i] / 4 < kControlWordsMax) mainWord[words[i] / 4] = 1;
    for (int b = 0; b < 2; ++b) {
        fullAt[b] = control + full[b];
        samplesAt[b] = control + samples[b];
    }
    sampleBytes = samplesLength;
}

static void forEachSide(unsigned op2, void (*apply)(Side*, uint32_t), uint32_t value) {
    if (op2 == 0) apply(&dside, value);
    if (op2 == 1) apply(&iside, value);
}

static void setCacheable(Side* s, uint32_t v) {
    s->cacheable = (uint8_t)v;
}
static void setAccess(Side* s, uint32_t v) {
    s->access = (uint16_t)v;
}

/* c7's operations with a segment (bits 5..4) and an index (bits 31..26). */
static void entryOperation(Cache* c, uint32_t value, bool clean, bool flush) {
    const unsigned s = (value >> 4) & 3, i = value >> 26;
    if (clean && c->valid[s][i] && c->dirty[s][i]) {
        for (unsigned v = 0; v < timings; ++v)
            if (!timing[v].off) pushEntry(&timing[v], 4, ~0ull, ~0u);
        c->dirty[s][i] = false;
    }
    if (flush) forget(c, s, i);
}

static void lockdown(Cache* c, uint32_t value) {
    c->base = value & 63;
    c->loading = (value >> 31) & 1;
}

static void prefetchLine(uint32_t addr) {
    const uint32_t line = addr >> kLineShift;
    if (!(controlRegister & (1u << 12)) || !(pageOf(&iside, addr) & kCacheable)) return;
    if (wayOf(&icache, line)) return;
    allocate(&icache, line);
    for (unsigned v = 0; v < timings; ++v) {
        Timing* t = &timing[v];
        if (!t->off) fillLine(t, false, &t->totals.fetch, &t->totals.ifills);
    }
}

void m940Cp15(unsigned crn, unsigned crm, unsigned op2, uint32_t value) {
    switch (crn) {
        case 1:
            controlRegister = value;
            break;
        case 2:
            forEachSide(op2, setCacheable, value);
            break;
        case 3:
            if (op2 == 0) dside.bufferable = (uint8_t)value;
            break;
        case 5:
            forEachSide(op2, setAccess, value);
            break;
        case 6:
            if (op2 == 0) dside.region[crm & 7] = value;
            if (op2 == 1) iside.region[crm & 7] = value;
            break;
        case 7:
            if (crm == 5 && op2 == 0) flushAll(&icache);
            if (crm == 5 && op2 == 2) entryOperation(&icache, value, false, true);
            if (crm == 6 && op2 == 0) flushAll(&dcache);
            if (crm == 6 && op2 == 2) entryOperation(&dcache, value, false, true);
            if (crm == 10 && op2 == 2) entryOperation(&dcache, value, true, false);
            if (crm == 14 && op2 == 2) entryOperation(&dcache, value, true, true);
            if (crm == 13 && op2 == 1) prefetchLine(value);
            if (crm == 10 && op2 == 4) {
                for (unsigned v = 0; v < timings; ++v) drain(&timing[v]);
                samplesSinceDrain[0] = samplesSinceDrain[1] = false;
            }
            fetchedLine = ~0u;
            return;
        case 9:
            if (op2 == 0) lockdown(&dcache, value);
            if (op2 == 1) lockdown(&icache, value);
            return;
        default:
            return;
    }
    mapPages(&iside);
    mapPages(&dside);
    fetchedLine = ~0u;
}

static bool icacheOn(void) {
    return protectionOn() && (controlRegister & (1u << 12));
}

static bool dcacheOn(void) {
    return protectionOn() && (controlRegister & (1u << 2));
}

void m940Fetch(uint32_t addr, unsigned size) {
    (void)size;
    const uint8_t page = pageOf(&iside, addr);
    if (page & kAbort) checks.aborts++;
    const bool cached = icacheOn() && (page & kCacheable);
    const uint32_t line = addr >> kLineShift;
    bool miss = false;
    if (cached && line != fetchedLine && !wayOf(&icache, line)) {
        allocate(&icache, line);
        miss = true;
    }
    fetchedLine = cached ? line : ~0u;
    for (unsigned v = 0; v < timings; ++v) {
        Timing* t = &timing[v];
        if (t->off || !cached) {
            singleRead(t, &t->totals.fetch);
        } else if (miss) {
            fillLine(t, false, &t->totals.fetch, &t->totals.ifills);
        }
    }
}

void m940WrongPath(uint32_t fallThrough) {
    const bool cached = icacheOn() && (pageOf(&iside, fallThrough) & kCacheable);
    fetchedLine = ~0u;
    for (unsigned v = 0; v < timings; ++v) {
        Timing* t = &timing[v];
        if (!t->off && cached) continue;
        singleRead(t, &t->totals.fetch);
        singleRead(t, &t->totals.fetch);
    }
}

/* The coherence checks on one access with the program's settings. */
static void check(uint32_t addr, bool store, uint32_t value, bool cacheable, bool heldInLine,
                  bool staleHit) {
    const uint32_t offset = addr - controlAt;
    if (offset < controlBytes) {
        if (store && heldInLine) checks.held++;
        if (!store && cacheable && mainWord[offset / 4]) checks.cached++;
    }
    if (!store && staleHit) checks.cached++;
    if (!store) return;
    for (int b = 0; b < 2; ++b) {
        if (addr - samplesAt[b] < sampleBytes) samplesSinceDrain[b] = true;
        if ((addr & ~3u) == fullAt[b] && value != 0) {
            if (samplesSinceDrain[b]) checks.undrained++;
            samplesSinceDrain[b] = false;
        }
    }
}

void m940Data(uint32_t addr, unsigned bytes, bool store, uint32_t value, uint64_t who) {
    (void)bytes;
    const uint8_t page = pageOf(&dside, addr);
    if (page & kAbort) checks.aborts++;
    const bool cacheable = dcacheOn() && (page & kCacheable);
    const bool bufferable = protectionOn() && (page & kBufferable);
    const uint32_t line = addr >> kLineShift;
    const unsigned way = cacheable ? wayOf(&dcache, line) : 0;
    const unsigned s = segmentOf(line);
    bool castout = false, fill = false, buffered = false;
    if (store) {
        /* A hit updates the line; write-back keeps it there, dirty. */
        if (way && bufferable) dcache.dirty[s][way - 1] = true;
        buffered = cacheable ? !(way && bufferable) : bufferable;
    } else if (cacheable && !way) {
        castout = allocate(&dcache, line);
        fill = true;
    }
    check(addr, store, value, cacheable, store && way && bufferable,
          !store && way && dcache.stale[s][way - 1]);
    for (unsigned v = 0; v < timings; ++v) {
        Timing* t = &timing[v];
        if (t->off) {
            if (store) {
                unbufferedWrite(t);
            } else {
                singleRead(t, &t->totals.data);
            }
        } else if (store) {
            if (buffered) bufferWord(t, addr, who);
            if (!buffered && !(cacheable && way)) unbufferedWrite(t);
        } else if (fill) {
            fillLine(t, castout, &t->totals.data, &t->totals.dfills);
        } else if (!cacheable) {
            singleRead(t, &t->totals.data);
        }
    }
}

void m940Commit(uint64_t cycles) {
    for (unsigned v = 0; v < timings; ++v) {
        timing[v].now += cycles + timing[v].stall;
        timing[v].stall = 0;
    }
}

void m940MainSideWrote(uint32_t addr, uint32_t bytes) {
    if (bytes == 0) return;
    for (uint32_t line = addr >> kLineShift; line <= (addr + bytes - 1) >> kLineShift; ++line) {
        const unsigned way = wayOf(&dcache, line);
        if (way) dcache.stale[segmentOf(line)][way - 1] = true;
    }
}

void m940Totals(unsigned which, bool off, Totals940* totals) {
    const unsigned v = which + (off ? timings / 2 : 0);
    if (v >= timings) {
        memset(totals, 0, sizeof *totals);
        return;
    }
    *totals = timing[v].totals;
    totals->cycles = timing[v].now + timing[v].stall;
}

void m940Checks(Checks940* out) {
    *out = checks;
    out->protection = protectionOn();
    out->icache = icacheOn();
    out->dcache = dcacheOn();
}
