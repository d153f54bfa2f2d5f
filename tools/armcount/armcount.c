/* armcount - a QEMU TCG plugin that counts the guest instructions of a
 * program's first thread, exactly, and cuts the count at a marker.
 *
 * The first thread (the one that ran main) is QEMU's vCPU 0 in user mode;
 * other threads run beside it and are not counted. Every translated block
 * that vCPU 0 enters adds its instruction count; blocks only ever leave
 * early on a fault, which the programs measured here do not take.
 *
 * Options (qemu-arm -plugin armcount.so,OPTION=VALUE,...):
 *   mark=ADDR      guest address of the marker function (hex, from the
 *                  binary's symbols). Each time the first thread reaches it,
 *                  the plugin writes "mark N": the instructions executed
 *                  since the previous mark (since the process began for the
 *                  first), the marker's own instruction excluded.
 *   out=FILE       where those lines go (required). At exit it adds
 *                  "exit N", the instructions after the last mark.
 *   profile=FILE   also counts by translated block and writes, at each cut
 *                  and at exit, where the instructions of the part went:
 *                    part K                 the part since the previous cut
 *                    block ADDR INSNS N     block at ADDR (INSNS long) ran N
 *                                           times in the part
 *                    from ADDR N            N instructions outside the main
 *                                           executable (shared libraries,
 *                                           the dynamic loader) reached from
 *                                           the main executable's block ADDR
 *                  and once, at exit, the guest's file mappings:
 *                    map LOW HIGH OFFSET PATH
 *   cuts=A:B:...   the mark numbers (1 is the first mark) at which a part
 *                  ends; without it there is one part, the whole run.
 *   plt=LOW:HIGH   the main executable's PLT: blocks there are skipped when
 *                  naming the block a library call came from.
 *   cycles=on      also models the cycles of an ARM920T (arm_ops.h for the
 *                  core, arm920t.h for the caches, write buffer and bus):
 *                  each mark and the exit line go on with
 *                    cycles=C core=K interlock=I icache=X dcache=D
 *                    wbuffer=W imiss=M dmiss=N newer=V fillF=C2 ...
 *                  C the cycles since the previous mark, K the core's own
 *                  cycles, I its interlocks, X, D and W the stalls on
 *                  instruction and data line fills and on the write buffer
 *                  (C = K + I + X + D + W), M and N the line fills, V the
 *                  instructions executed that the ARM920T lacks (ARMv5 and
 *                  later), and C2 the cycles with another fill time F; the
 *                  profile's block lines add the cycles and the newer
 *                  instructions ("block ADDR INSNS N CYCLES NEWER"), its from
 *                  lines the cycles ("from ADDR N CYCLES").
 *   fill=F:F2:...  the line-fill time in cycles (default 24), and up to three
 *                  more modelled beside it for the fillF columns
 *   other=W1:W2    with the first fill time, also the cycles when each bus
 *                  transaction first waits W thousandths of a cycle for the
 *                  other master (arm920t.h): the otherN=C columns, N from 1
 *   mul=M          the multiplier's steps, 1 to 4 (default 3): the plugin
 *                  cannot see the operand that decides them
 *   from=K         models cycles only from mark K on (caches empty there),
 *                  to reach later frames sooner
 *
 * The cycle model sees what the plugin interface shows: the instructions of
 * each block, the blocks in the order they run and every data access. So:
 * an instruction with a condition executed if it accessed memory, a
 * conditional jump taken if the next block is not the one after it; any
 * other conditional instruction is taken to execute (it costs 1 cycle either
 * way, but for register-specified shifts and multiplies). A block's
 * instruction lines are fetched as it begins; interlocks are counted within
 * a block (a block ends at a jump, whose 3 cycles cover any load before it).
 */
#include <inttypes.h>
#include <qemu-plugin.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "arm920t.h"
#include "arm_ops.h"

QEMU_PLUGIN_EXPORT int qemu_plugin_version = QEMU_PLUGIN_VERSION;

struct Block;

/* An instruction of a block, as the cycle model sees it. */
typedef struct Op {
    struct Block* block;
    uint32_t prefix;         /* the block's cycles before it, as if all ran */
    uint8_t saving;          /* cycles it does not take when its condition fails */
    uint8_t interlockCaused; /* interlock cycles its load causes */
    uint16_t index;
    uint64_t lastRun; /* the block run in which it last accessed memory */
} Op;

/* One translation of a block. A block may be translated more than once; the
 * profile adds the translations of one address together. */
typedef struct Block {
    uint64_t vaddr;
    uint64_t hostOffset; /* host address minus guest address */
    uint32_t insns;
    bool inMain;
    bool inPlt;
    uint64_t runs;      /* in the current part */
    uint64_t fromHere;  /* library instructions reached from this block, current part */
    struct Block* next; /* every translation, for the profile */
    /* The cycle model's. */
    Op* ops;
    uint16_t* conditionalMemory; /* ops whose condition shows in their accesses */
    uint32_t conditionalMemoryCount;
    uint32_t cycles;    /* the core's cycles were every instruction to execute */
    uint32_t interlock; /* and its interlocks */
    uint32_t newer;     /* instructions the ARM920T lacks */
    uint32_t firstLine, lastLine;
    uint64_t fallThrough;
    bool conditionalJump; /* ends with a jump that may not be taken */
    uint8_t jumpSaving;
    uint64_t cyclesHere;     /* current part */
    uint64_t fromHereCycles; /* library cycles reached from this block, current part */
} Block;

typedef struct Mark {
    uint32_t index; /* the marker instruction's place in its block */
} Mark;

static FILE* out;
static FILE* profile;
static uint64_t markAddr;
static bool haveMark;
static uint64_t* cuts;
static size_t cutCount, nextCut;
static uint64_t pltLow, pltHigh;
static uint64_t mainLow, mainHigh;
static bool haveMainRange;
static bool cyclesOn;
static unsigned fills[kMaxFills] = {24};
static unsigned fillCount = 1;
static unsigned otherWaits[kMaxFills];
static unsigned otherCount; /* the last timings are the first fill's with these waits */
static unsigned multiplierSteps = 3;
static uint64_t modelFrom; /* the mark from which cycles are modelled */

/* vCPU 0's state. Only vCPU 0 writes it (from its own callbacks); the exit
 * callback reads it after every vCPU has stopped. */
static uint64_t executed;   /* instructions of vCPU 0 so far */
static uint64_t blockStart; /* executed when the current block began */
static uint64_t lastMark;   /* executed at the previous mark */
static uint64_t marks;      /* marks seen */
static uint64_t partsWritten;
static Block* lastMainBlock; /* last block of the main executable outside its PLT */

/* The cycle model's view of vCPU 0: the block under way and its run. */
typedef struct Totals {
    uint64_t core, interlock, newer;
    MemTotals mem;
    uint64_t now[kMaxFills];
} Totals;
static Block* running;
static Block* runningCaller; /* lastMainBlock when it began */
static uint64_t runs;
static uint64_t core, interlock, newerRun;
static Totals lastMarkTotals;

/* Every Block ever made, pushed by the translating thread. QEMU serialises
 * translation, so pushes never race each other; the profile walks the list
 * while other threads may push, so a push publishes the new head only once
 * the block is complete. */
static Block* blocks;
static uint64_t anyHostOffset;
static bool haveHostOffset;
static bool thumbBlock; /* the block being translated runs in Thumb state */

/* The block under way has ended; nextPc is where the program went on. */
static void finishBlock(uint64_t nextPc, bool known) {
    Block* b = running;
    if (!b) return;
    running = NULL;
    uint64_t cycles = b->cycles, locks = b->interlock;
    for (uint32_t i = 0; i < b->conditionalMemoryCount; ++i) {
        const Op* op = &b->ops[b->conditionalMemory[i]];
        if (op->lastRun == runs) continue;
        cycles -= op->saving;
        locks -= op->interlockCaused;
    }
    if (b->conditionalJump && known && nextPc == b->fallThrough) cycles -= b->jumpSaving;
    const uint64_t all = cycles + locks + memBlockStalls();
    memCommit(cycles + locks);
    core += cycles;
    interlock += locks;
    newerRun += b->newer;
    if (!profile) return;
    b->cyclesHere += all;
    if (!b->inMain && runningCaller) runningCaller->fromHereCycles += all;
}

static void onMemory(unsigned int vcpu, qemu_plugin_meminfo_t info, uint64_t vaddr, void* data) {
    if (vcpu != 0 || !running) return;
    Op* op = data;
    op->lastRun = runs;
    memData((uint32_t)vaddr, qemu_plugin_mem_is_store(info), op->prefix, runs << 16 | op->index);
}

static void onBlock(unsigned int vcpu, void* data) {
    if (vcpu != 0) return;
    Block* b = data;
    if (cyclesOn && marks >= modelFrom) {
        finishBlock(b->vaddr, true);
        running = b;
        runningCaller = lastMainBlock;
        ++runs;
        memFetch(b->firstLine, b->lastLine);
    }
    blockStart = executed;
    executed += b->insns;
    if (!profile) return;
    b->runs++;
    if (b->inMain) {
        if (!b->inPlt) lastMainBlock = b;
    } else if (lastMainBlock) {
        lastMainBlock->fromHere += b->insns;
    }
}

static void writePart(void) {
    fprintf(profile, "part %" PRIu64 "\n", ++partsWritten);
    for (Block* b = __atomic_load_n(&blocks, __ATOMIC_ACQUIRE); b; b = b->next) {
        if (b->runs && cyclesOn) {
            fprintf(profile, "block %" PRIx64 " %u %" PRIu64 " %" PRIu64 " %" PRIu64 "\n", b->vaddr,
                    b->insns, b->runs, b->cyclesHere, (uint64_t)b->newer * b->runs);
        } else if (b->runs) {
            fprintf(profile, "block %" PRIx64 " %u %" PRIu64 "\n", b->vaddr, b->insns, b->runs);
        }
        if (b->fromHere && cyclesOn) {
            fprintf(profile, "from %" PRIx64 " %" PRIu64 " %" PRIu64 "\n", b->vaddr, b->fromHere,
                    b->fromHereCycles);
        } else if (b->fromHere) {
            fprintf(profile, "from %" PRIx64 " %" PRIu64 "\n", b->vaddr, b->fromHere);
        }
        b->runs = 0;
        b->fromHere = 0;
        b->cyclesHere = 0;
        b->fromHereCycles = 0;
    }
}

static void takeTotals(Totals* t) {
    t->core = core;
    t->interlock = interlock;
    t->newer = newerRun;
    memTotals(&t->mem);
    for (unsigned v = 0; v < fillCount + otherCount; ++v) t->now[v] = memNow(v);
}

/* The rest of a mark or exit line: the cycles since the previous mark (the
 * block under way, where the mark is, counts with the part after it). */
static void writeCycles(void) {
    if (cyclesOn) {
        Totals t;
        takeTotals(&t);
        const Totals* p = &lastMarkTotals;
        fprintf(out,
                " cycles=%" PRIu64 " core=%" PRIu64 " interlock=%" PRIu64 " icache=%" PRIu64
                " dcache=%" PRIu64 " wbuffer=%" PRIu64 " imiss=%" PRIu64 " dmiss=%" PRIu64
                " newer=%" PRIu64,
                t.now[0] - p->now[0], t.core - p->core, t.interlock - p->interlock,
                t.mem.icache - p->mem.icache, t.mem.dcache - p->mem.dcache,
                t.mem.wbuffer - p->mem.wbuffer, t.mem.imisses - p->mem.imisses,
                t.mem.dmisses - p->mem.dmisses, t.newer - p->newer);
        for (unsigned v = 1; v < fillCount; ++v)
            fprintf(out, " fill%u=%" PRIu64, fills[v], t.now[v] - p->now[v]);
        for (unsigned k = 0; k < otherCount; ++k)
            fprintf(out, " other%u=%" PRIu64, k + 1, t.now[fillCount + k] - p->now[fillCount + k]);
        lastMarkTotals = t;
    }
    fputc('\n', out);
}

static void onMark(unsigned int vcpu, void* data) {
    if (vcpu != 0) return;
    const Mark* m = data;
    const uint64_t now = blockStart + m->index;
    fprintf(out, "mark %" PRIu64, now - lastMark);
    writeCycles();
    lastMark = now;
    ++marks;
    if (profile && nextCut < cutCount && cuts[nextCut] == marks) {
        ++nextCut;
        writePart();
    }
}

static void decode(struct qemu_plugin_insn* insn, ArmOp* op) {
    const uint8_t* bytes = qemu_plugin_insn_data(insn);
    const size_t size = qemu_plugin_insn_size(insn);
    if (size == 4 && (qemu_plugin_insn_vaddr(insn) & 3) == 0 && !thumbBlock) {
        armDecode((uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 |
                      (uint32_t)bytes[3] << 24,
                  multiplierSteps, op);
    } else {
        const uint16_t half = (uint16_t)(bytes[0] | bytes[1] << 8);
        const uint16_t next = size == 4 ? (uint16_t)(bytes[2] | bytes[3] << 8) : 0;
        thumbDecode(half, next, (unsigned)size, op);
    }
}

/* The block's cycles were every instruction to run, its interlocks, what a
 * failed condition saves, and a memory callback on each access. */
static void modelBlock(struct qemu_plugin_tb* tb, Block* b) {
    const size_t n = qemu_plugin_tb_n_insns(tb);
    ArmOp* ops = calloc(n, sizeof *ops);
    b->ops = calloc(n, sizeof *b->ops);
    b->conditionalMemory = calloc(n, sizeof *b->conditionalMemory);
    if (!ops || !b->ops || !b->conditionalMemory) abort();
    /* A block is all ARM or all Thumb: any 2-byte instruction tells. */
    thumbBlock = false;
    for (size_t i = 0; i < n; ++i)
        if (qemu_plugin_insn_size(qemu_plugin_tb_get_insn(tb, i)) == 2) thumbBlock = true;
    uint64_t bytes = 0;
    for (size_t i = 0; i < n; ++i) {
        struct qemu_plugin_insn* insn = qemu_plugin_tb_get_insn(tb, i);
        decode(insn, &ops[i]);
        bytes += qemu_plugin_insn_size(insn);
    }
    uint32_t prefix = 0;
    for (size_t i = 0; i < n; ++i) {
        Op* op = &b->ops[i];
        op->block = b;
        op->index = (uint16_t)i;
        op->prefix = prefix;
        op->saving = (uint8_t)(ops[i].cycles - 1);
        /* A narrow load waited for by the next instruction holds it 2 cycles;
         * then the one after has nothing more to wait for. */
        if (i + 1 < n) op->interlockCaused = (uint8_t)armInterlock(&ops[i], &ops[i + 1], 1);
        if (!op->interlockCaused && i + 2 < n)
            op->interlockCaused = (uint8_t)armInterlock(&ops[i], &ops[i + 2], 2);
        b->cycles += ops[i].cycles;
        b->interlock += op->interlockCaused;
        b->newer += ops[i].newer;
        prefix += ops[i].cycles + op->interlockCaused;
        if (ops[i].memory) {
            if (ops[i].conditional) b->conditionalMemory[b->conditionalMemoryCount++] = (uint16_t)i;
            qemu_plugin_register_vcpu_mem_cb(qemu_plugin_tb_get_insn(tb, i), onMemory,
                                             QEMU_PLUGIN_CB_NO_REGS, QEMU_PLUGIN_MEM_RW, op);
        }
    }
    const ArmOp* last = &ops[n - 1];
    b->conditionalJump = last->writesPc && last->conditional && !last->memory;
    b->jumpSaving = (uint8_t)(last->cycles - 1);
    b->firstLine = (uint32_t)(b->vaddr >> 5);
    b->lastLine = (uint32_t)((b->vaddr + bytes - 1) >> 5);
    b->fallThrough = b->vaddr + bytes;
    free(ops);
}

static void onTranslate(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
    (void)id;
    if (!haveMainRange) {
        /* Known only once the program is loaded, not at install. */
        mainLow = qemu_plugin_start_code();
        mainHigh = qemu_plugin_end_code();
        haveMainRange = true;
    }
    Block* b = calloc(1, sizeof *b);
    if (!b) abort();
    const size_t n = qemu_plugin_tb_n_insns(tb);
    struct qemu_plugin_insn* first = qemu_plugin_tb_get_insn(tb, 0);
    b->vaddr = qemu_plugin_tb_vaddr(tb);
    b->hostOffset = (uint64_t)(uintptr_t)qemu_plugin_insn_haddr(first) - b->vaddr;
    b->insns = (uint32_t)n;
    b->inMain = b->vaddr >= mainLow && b->vaddr < mainHigh;
    b->inPlt = b->vaddr >= pltLow && b->vaddr < pltHigh;
    if (!haveHostOffset) {
        anyHostOffset = b->hostOffset;
        haveHostOffset = true;
    }
    if (cyclesOn) modelBlock(tb, b);
    b->next = blocks;
    __atomic_store_n(&blocks, b, __ATOMIC_RELEASE);
    qemu_plugin_register_vcpu_tb_exec_cb(tb, onBlock, QEMU_PLUGIN_CB_NO_REGS, b);
    if (!haveMark) return;
    for (size_t i = 0; i < n; ++i) {
        struct qemu_plugin_insn* insn = qemu_plugin_tb_get_insn(tb, i);
        if (qemu_plugin_insn_vaddr(insn) != markAddr) continue;
        Mark* m = calloc(1, sizeof *m);
        if (!m) abort();
        m->index = (uint32_t)i;
        qemu_plugin_register_vcpu_insn_exec_cb(insn, onMark, QEMU_PLUGIN_CB_NO_REGS, m);
    }
}

/* The guest's file mappings, from this process's own: in user mode the guest
 * lives at one fixed offset in the host's address space. */
static void writeMaps(void) {
    FILE* maps = fopen("/proc/self/maps", "r");
    if (!maps || !haveHostOffset) {
        if (maps) fclose(maps);
        return;
    }
    char line[4096];
    while (fgets(line, sizeof line, maps)) {
        uint64_t low, high, offset;
        char perms[8];
        int pathAt = 0;
        if (sscanf(line, "%" SCNx64 "-%" SCNx64 " %7s %" SCNx64 " %*s %*s %n", &low, &high, perms,
                   &offset, &pathAt) < 4 ||
            pathAt == 0 || line[pathAt] != '/')
            continue;
        line[strcspn(line, "\n")] = '\0';
        /* Only the guest's: the emulator's own lie outside its 4 GiB. The
         * host maps guest code without execute permission, so every
         * mapping is listed, code or not. */
        if (low < anyHostOffset || high - anyHostOffset > 0x100000000ull) continue;
        fprintf(profile, "map %" PRIx64 " %" PRIx64 " %" PRIx64 " %s\n", low - anyHostOffset,
                high - anyHostOffset, offset, line + pathAt);
    }
    fclose(maps);
}

static void onExit(qemu_plugin_id_t id, void* data) {
    (void)id;
    (void)data;
    finishBlock(0, false);
    fprintf(out, "exit %" PRIu64, executed - lastMark);
    writeCycles();
    fclose(out);
    if (profile) {
        writePart();
        writeMaps();
        fclose(profile);
    }
}

static bool parseHex(const char* text, uint64_t* value) {
    char* end;
    *value = strtoull(text, &end, 16);
    return end != text && *end == '\0';
}

static bool parseRange(const char* text, uint64_t* low, uint64_t* high) {
    char* end;
    *low = strtoull(text, &end, 16);
    if (end == text || *end != ':') return false;
    const char* rest = end + 1;
    *high = strtoull(rest, &end, 16);
    return end != rest && *end == '\0';
}

static bool parseCuts(const char* text) {
    cutCount = 1;
    for (const char* c = text; *c; ++c) cutCount += *c == ':';
    cuts = calloc(cutCount, sizeof *cuts);
    if (!cuts) return false;
    const char* at = text;
    for (size_t i = 0; i < cutCount; ++i) {
        char* end;
        cuts[i] = strtoull(at, &end, 10);
        if (end == at || (*end != ':' && *end != '\0')) return false;
        if (i > 0 && cuts[i] <= cuts[i - 1]) return false;
        at = end + 1;
    }
    return true;
}

/* Numbers separated by colons, each from 1 (0 with zero) to `most`, at most
 * `room` of them. */
static bool parseList(const char* text, unsigned* values, unsigned* count, unsigned room,
                      unsigned long most, bool zero) {
    *count = 0;
    const char* at = text;
    while (*count < room) {
        char* end;
        const unsigned long f = strtoul(at, &end, 10);
        if (end == at || (f == 0 && !zero) || f > most || (*end != ':' && *end != '\0'))
            return false;
        values[(*count)++] = (unsigned)f;
        if (*end == '\0') return true;
        at = end + 1;
    }
    return false;
}

QEMU_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t* info, int argc,
                                           char** argv) {
    if (info->system_emulation) {
        fprintf(stderr, "armcount: counts a user-mode program only\n");
        return 1;
    }
    const char* outPath = NULL;
    const char* profilePath = NULL;
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = strchr(arg, '=');
        bool ok = value != NULL;
        if (ok) {
            const size_t nameLength = (size_t)(value - arg);
            ++value;
            if (nameLength == 4 && strncmp(arg, "mark", 4) == 0) {
                ok = parseHex(value, &markAddr);
                haveMark = ok;
            } else if (nameLength == 3 && strncmp(arg, "out", 3) == 0) {
                outPath = value;
            } else if (nameLength == 7 && strncmp(arg, "profile", 7) == 0) {
                profilePath = value;
            } else if (nameLength == 4 && strncmp(arg, "cuts", 4) == 0) {
                ok = parseCuts(value);
            } else if (nameLength == 3 && strncmp(arg, "plt", 3) == 0) {
                ok = parseRange(value, &pltLow, &pltHigh);
            } else if (nameLength == 6 && strncmp(arg, "cycles", 6) == 0) {
                ok = strcmp(value, "on") == 0;
                cyclesOn = ok;
            } else if (nameLength == 4 && strncmp(arg, "fill", 4) == 0) {
                ok = parseList(value, fills, &fillCount, 4, 1000, false);
            } else if (nameLength == 5 && strncmp(arg, "other", 5) == 0) {
                ok = parseList(value, otherWaits, &otherCount, 2, 1000000, true);
            } else if (nameLength == 4 && strncmp(arg, "from", 4) == 0) {
                char* end;
                modelFrom = strtoull(value, &end, 10);
                ok = end != value && *end == '\0';
            } else if (nameLength == 3 && strncmp(arg, "mul", 3) == 0) {
                ok = strlen(value) == 1 && value[0] >= '1' && value[0] <= '4';
                if (ok) multiplierSteps = (unsigned)(value[0] - '0');
            } else {
                ok = false;
            }
        }
        if (!ok) {
            fprintf(stderr, "armcount: bad option '%s'\n", arg);
            return 1;
        }
    }
    if (!outPath) {
        fprintf(stderr, "armcount: out=FILE is required\n");
        return 1;
    }
    out = fopen(outPath, "w");
    if (!out) {
        fprintf(stderr, "armcount: cannot write %s\n", outPath);
        return 1;
    }
    if (profilePath) {
        profile = fopen(profilePath, "w");
        if (!profile) {
            fprintf(stderr, "armcount: cannot write %s\n", profilePath);
            return 1;
        }
    }
    unsigned allFills[kMaxFills], allWaits[kMaxFills] = {0};
    for (unsigned v = 0; v < fillCount; ++v) allFills[v] = fills[v];
    for (unsigned k = 0; k < otherCount; ++k) {
        allFills[fillCount + k] = fills[0];
        allWaits[fillCount + k] = otherWaits[k];
    }
    if (cyclesOn && !memInit(allFills, allWaits, fillCount + otherCount)) {
        fprintf(stderr, "armcount: no memory for the cache model\n");
        return 1;
    }
    qemu_plugin_register_vcpu_tb_trans_cb(id, onTranslate);
    qemu_plugin_register_atexit_cb(id, onExit, NULL);
    return 0;
}
