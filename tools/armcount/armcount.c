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
 */
#include <inttypes.h>
#include <qemu-plugin.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

QEMU_PLUGIN_EXPORT int qemu_plugin_version = QEMU_PLUGIN_VERSION;

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

/* vCPU 0's state. Only vCPU 0 writes it (from its own callbacks); the exit
 * callback reads it after every vCPU has stopped. */
static uint64_t executed;   /* instructions of vCPU 0 so far */
static uint64_t blockStart; /* executed when the current block began */
static uint64_t lastMark;   /* executed at the previous mark */
static uint64_t marks;      /* marks seen */
static uint64_t partsWritten;
static Block* lastMainBlock; /* last block of the main executable outside its PLT */

/* Every Block ever made, pushed by the translating thread. QEMU serialises
 * translation, so pushes never race each other; the profile walks the list
 * while other threads may push, so a push publishes the new head only once
 * the block is complete. */
static Block* blocks;
static uint64_t anyHostOffset;
static bool haveHostOffset;

static void onBlock(unsigned int vcpu, void* data) {
    if (vcpu != 0) return;
    Block* b = data;
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
        if (b->runs)
            fprintf(profile, "block %" PRIx64 " %u %" PRIu64 "\n", b->vaddr, b->insns, b->runs);
        if (b->fromHere) fprintf(profile, "from %" PRIx64 " %" PRIu64 "\n", b->vaddr, b->fromHere);
        b->runs = 0;
        b->fromHere = 0;
    }
}

static void onMark(unsigned int vcpu, void* data) {
    if (vcpu != 0) return;
    const Mark* m = data;
    const uint64_t now = blockStart + m->index;
    fprintf(out, "mark %" PRIu64 "\n", now - lastMark);
    lastMark = now;
    ++marks;
    if (profile && nextCut < cutCount && cuts[nextCut] == marks) {
        ++nextCut;
        writePart();
    }
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
    fprintf(out, "exit %" PRIu64 "\n", executed - lastMark);
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
    qemu_plugin_register_vcpu_tb_trans_cb(id, onTranslate);
    qemu_plugin_register_atexit_cb(id, onExit, NULL);
    return 0;
}
