// count940 - the second processor's program under the ARM940T model: the
// image runs in Unicorn's ARM946 core (the 940T's sibling) over a memory of
// its own, and every instruction it executes, every data access and every
// MCR to CP15 goes through the model of arm940t.h with the core timings of
// arm_ops.h. The model follows the program's own CP15 writes: it assumes no
// cache, region or buffer that the program did not set.
//
//   count940 [OPTIONS] IMAGE
//
// The image is loaded at address 0 and run from there in supervisor mode.
//
// With --song FILE the main processor is played as the console's bridge
// does it: once the program idles in the routine its header names (an image
// code940ImageRecognised accepts), the song is copied to its place in the
// memory, the control block says so and switches playing on; whenever the
// program idles again the main side takes the full blocks in turn. One line
// a block handed over, the totals up to the store of its `full` flag:
//   block N insns=I cF/U=C busF/U=B sqF/U=Q trF/U=T oF/U= obusF/U= osqF/U= otrF/U= ...
// (for each timing F/U: cF/U the cycles with the program's settings, busF/U
// the bus's busy cycles, sqF/U the sum of each bus transaction's cycles
// squared, trF/U the transactions; the same prefixed with o with everything
// off). The run ends at the block in which the song ended, or after
// --seconds of music.
//
// With --mark ADDR (a bare program, test mode), a line at each arrival at
// the marker, with what the part since the previous one took:
//   mark N insns=I cycles=C core=K interlock=L fetch=X data=D wbuffer=W
//   ifills= dfills= singles= writes= held= cached= undrained= aborts=
//   cF/U= oF/U= ...
// (the first timing's parts, then every timing's cycles), and "exit ..." the
// same for the rest when the program waits for an interrupt (MCR c7, c0, 4)
// or runs --limit instructions. --touch K:ADDR:LEN has the main side write
// [ADDR, ADDR + LEN) at mark K.
//
// Both end with a line of the checks, the state the program left, and the
// totals of every timing:
//   checks held=H cached=C undrained=U aborts=A protection=P icache=I dcache=D
//   totals F/U cycles=.. fetch=.. data=.. wbuffer=.. ifills=.. dfills=..
//          singles=.. writes=.. bus=.. off=.. offbus=.. offsingles=..
//
// Options: --timings F/U,F/U,... (default 8/4,12/8,20/12), --mul M (the
// multiplier's steps, default 3), --out FILE. Bad arguments, an image or
// song that cannot be read, or a program that stops on a fault: one line
// and status 1.
#include <unicorn/unicorn.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/code940/code940_image.h"
#include "platform/sound_control_layout.h"

extern "C" {
#include "arm940t.h"
#include "arm_ops.h"
}

namespace {

constexpr uint32_t kTableBytes = kControlBlockOffset;  // the program's 2 MiB, by halfword
// A block takes about a million instructions, the first some five: a
// program that runs this many without handing one over is stuck.
constexpr uint64_t kMostWithoutBlock = 2000000000;

struct Options {
    std::vector<Timing940> timings{{8, 4}, {12, 8}, {20, 12}};
    unsigned multiplier = 3;
    const char* song = nullptr;
    double seconds = 0;
    bool haveMark = false;
    uint32_t mark = 0;
    uint64_t touchMark = 0;
    uint32_t touchAt = 0, touchBytes = 0;
    uint64_t limit = 0;
    const char* out = nullptr;
    const char* image = nullptr;
};

// An instruction as decoded once, by its address.
struct Insn {
    uint32_t word = 0;
    bool known = false;
    uint8_t size = 4;
    ArmOp op{};
    bool mcr = false;  // an MCR to CP15
    uint8_t crn = 0, crm = 0, op2 = 0, rd = 0;
};

// An executed instruction that later ones may wait for.
struct Loaded {
    ArmOp op{};
    bool caused = false;  // it held the next instruction already
};

struct Run {
    uc_engine* core = nullptr;
    uint8_t* memory = nullptr;
    Options options;
    FILE* out = stdout;
    std::vector<Insn> table = std::vector<Insn>(kTableBytes / 2);
    std::unordered_map<uint32_t, Insn> elsewhere;
    // The instruction under way.
    const Insn* current = nullptr;
    uint32_t currentAt = 0;
    uint64_t sequence = 0;
    bool accessed = false;
    bool conditionKnown = false, conditionPassed = false;
    Loaded previous, beforePrevious;
    // Totals of the core's own.
    uint64_t instructions = 0, coreCycles = 0, interlocks = 0;
    // Test mode.
    uint64_t marks = 0;
    uint64_t partInstructions = 0, partCore = 0, partInterlocks = 0;
    std::vector<Totals940> partTotals, partOff;
    Checks940 partChecks{};
    // The run's end.
    bool stopped = false;
    bool waiting = false;   // the program waits for an interrupt
    bool idled = false;     // it entered its idle routine
    uint32_t idleAt = ~0u;  // that routine
    // Song mode.
    uint32_t nextBlock = 0;  // the block the main side takes next
    uint64_t handedOver = 0;
    uint64_t instructionsAtHandOver = 0;
    bool stuck = false;
};

Run gRun;

bool fail(const char* message, const char* detail = "") {
    fprintf(stderr, "count940: %s%s\n", message, detail);
    return false;
}

uint32_t readWord(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

bool conditionHolds(unsigned cond, uint32_t cpsr) {
    const bool n = cpsr >> 31 & 1, z = cpsr >> 30 & 1, c = cpsr >> 29 & 1, v = cpsr >> 28 & 1;
    switch (cond) {
        case 0x0:
            return z;
        case 0x1:
            return !z;
        case 0x2:
            return c;
        case 0x3:
            return !c;
        case 0x4:
            return n;
        case 0x5:
            return !n;
        case 0x6:
            return v;
        case 0x7:
            return !v;
        case 0x8:
            return c && !z;
        case 0x9:
            return !c || z;
        case 0xA:
            return n == v;
        case 0xB:
            return n != v;
        case 0xC:
            return !z && n == v;
        case 0xD:
            return z || n != v;
        default:
            return true;
    }
}

uint32_t readRegister(int index) {
    static const int kRegisters[16] = {
        UC_ARM_REG_R0,  UC_ARM_REG_R1, UC_ARM_REG_R2, UC_ARM_REG_R3, UC_ARM_REG_R4,  UC_ARM_REG_R5,
        UC_ARM_REG_R6,  UC_ARM_REG_R7, UC_ARM_REG_R8, UC_ARM_REG_R9, UC_ARM_REG_R10, UC_ARM_REG_R11,
        UC_ARM_REG_R12, UC_ARM_REG_SP, UC_ARM_REG_LR, UC_ARM_REG_PC};
    uint32_t value = 0;
    uc_reg_read(gRun.core, kRegisters[index & 15], &value);
    return value;
}

const Insn& decoded(uint32_t addr, uint32_t size) {
    Insn& insn = addr < kTableBytes ? gRun.table[addr / 2] : gRun.elsewhere[addr];
    const uint32_t word = size == 4
                              ? readWord(gRun.memory + addr)
                              : uint32_t(gRun.memory[addr]) | uint32_t(gRun.memory[addr + 1]) << 8;
    if (insn.known && insn.word == word && insn.size == size) return insn;
    insn = Insn{};
    insn.known = true;
    insn.word = word;
    insn.size = uint8_t(size);
    if (size == 4) {
        armDecode(word, gRun.options.multiplier, &insn.op);
        // MCR p15: cond 1110 opc1 0 CRn Rd 1111 opc2 1 CRm
        insn.mcr = (word & 0x0F100F10u) == 0x0E000F10u;
        insn.crn = uint8_t(word >> 16 & 15);
        insn.rd = uint8_t(word >> 12 & 15);
        insn.op2 = uint8_t(word >> 5 & 7);
        insn.crm = uint8_t(word & 15);
    } else {
        const uint16_t next = uint16_t(gRun.memory[addr + 2] | gRun.memory[addr + 3] << 8);
        thumbDecode(uint16_t(word), next, 2, &insn.op);
    }
    return insn;
}

// The instruction under way is over; the program went on at `next`.
void finishCurrent(uint32_t next) {
    const Insn* insn = gRun.current;
    if (insn == nullptr) return;
    gRun.current = nullptr;
    const ArmOp& op = insn->op;
    const uint32_t fallThrough = gRun.currentAt + insn->size;
    bool executed = true;
    if (op.conditional) {
        if (op.memory) {
            executed = gRun.accessed;
        } else if (op.writesPc) {
            executed = next != fallThrough;
        } else if (gRun.conditionKnown) {
            executed = gRun.conditionPassed;
        }
    }
    const uint64_t cycles = executed ? op.cycles : 1;
    gRun.coreCycles += cycles;
    m940Commit(cycles);
    gRun.beforePrevious = gRun.previous;
    gRun.previous = Loaded{};
    if (executed && op.load != kLoadNone) gRun.previous.op = op;
    if (executed && op.writesPc && next != fallThrough) {
        // The jump's refill covers any load before it.
        gRun.previous = gRun.beforePrevious = Loaded{};
        m940WrongPath(fallThrough);
    }
}

void takeTotals(std::vector<Totals940>& settings, std::vector<Totals940>& off) {
    settings.resize(gRun.options.timings.size());
    off.resize(gRun.options.timings.size());
    for (unsigned v = 0; v < settings.size(); ++v) {
        m940Totals(v, false, &settings[v]);
        m940Totals(v, true, &off[v]);
    }
}

// A mark or exit line: the part since the previous one.
void writePart(const char* what) {
    std::vector<Totals940> now, nowOff;
    takeTotals(now, nowOff);
    Checks940 checks;
    m940Checks(&checks);
    gRun.partTotals.resize(now.size());
    gRun.partOff.resize(now.size());
    const Totals940& t = now[0];
    const Totals940& p = gRun.partTotals[0];
    fprintf(gRun.out,
            "%s %" PRIu64 " insns=%" PRIu64 " cycles=%" PRIu64 " core=%" PRIu64
            " interlock=%" PRIu64 " fetch=%" PRIu64 " data=%" PRIu64 " wbuffer=%" PRIu64
            " ifills=%" PRIu64 " dfills=%" PRIu64 " singles=%" PRIu64 " writes=%" PRIu64
            " held=%" PRIu64 " cached=%" PRIu64 " undrained=%" PRIu64 " aborts=%" PRIu64,
            what, gRun.marks, gRun.instructions - gRun.partInstructions, t.cycles - p.cycles,
            gRun.coreCycles - gRun.partCore, gRun.interlocks - gRun.partInterlocks,
            t.fetch - p.fetch, t.data - p.data, t.wbuffer - p.wbuffer, t.ifills - p.ifills,
            t.dfills - p.dfills, t.singles - p.singles, t.writes - p.writes,
            checks.held - gRun.partChecks.held, checks.cached - gRun.partChecks.cached,
            checks.undrained - gRun.partChecks.undrained, checks.aborts - gRun.partChecks.aborts);
    for (unsigned v = 0; v < now.size(); ++v) {
        const Timing940& timing = gRun.options.timings[v];
        fprintf(gRun.out, " c%u/%u=%" PRIu64 " o%u/%u=%" PRIu64, timing.fill, timing.single,
                now[v].cycles - gRun.partTotals[v].cycles, timing.fill, timing.single,
                nowOff[v].cycles - gRun.partOff[v].cycles);
    }
    fputc('\n', gRun.out);
    gRun.partTotals = now;
    gRun.partOff = nowOff;
    gRun.partChecks = checks;
    gRun.partInstructions = gRun.instructions;
    gRun.partCore = gRun.coreCycles;
    gRun.partInterlocks = gRun.interlocks;
}

void stopRun() {
    gRun.stopped = true;
    uc_emu_stop(gRun.core);
}

void onInstruction(uc_engine*, uint64_t address, uint32_t size, void*) {
    const uint32_t addr = uint32_t(address);
    finishCurrent(addr);
    if (gRun.stopped) return;
    if (addr == gRun.idleAt) {
        // Sleep instead of counting down: the main side's turn.
        gRun.idled = true;
        uc_emu_stop(gRun.core);
        return;
    }
    if (gRun.options.haveMark && addr == gRun.options.mark) {
        ++gRun.marks;
        writePart("mark");
        if (gRun.marks == gRun.options.touchMark) {
            m940MainSideWrote(gRun.options.touchAt, gRun.options.touchBytes);
        }
    }
    if (gRun.options.limit && gRun.instructions >= gRun.options.limit) {
        stopRun();
        return;
    }
    if (gRun.options.song && gRun.instructions - gRun.instructionsAtHandOver > kMostWithoutBlock) {
        gRun.stuck = true;
        stopRun();
        return;
    }
    const Insn& insn = decoded(addr, size);
    const unsigned cond = insn.word >> 28;
    gRun.conditionKnown = false;
    if (insn.op.conditional && !insn.op.memory && !insn.op.writesPc &&
        (insn.op.cycles > 1 || insn.mcr)) {
        uint32_t cpsr = 0;
        uc_reg_read(gRun.core, UC_ARM_REG_CPSR, &cpsr);
        gRun.conditionKnown = true;
        gRun.conditionPassed = conditionHolds(cond, cpsr);
    }
    const bool passes = !gRun.conditionKnown || gRun.conditionPassed;
    if (insn.mcr && passes) {
        if (insn.crn == 7 && insn.crm == 0 && insn.op2 == 4) {
            gRun.waiting = true;  // a wait for an interrupt: nothing on the console ends it
            stopRun();
            return;
        }
        m940Cp15(insn.crn, insn.crm, insn.op2, readRegister(insn.rd));
    }
    m940Fetch(addr, size);
    // What this instruction waits for, before its own accesses: the loads
    // before it.
    uint32_t lock = armInterlock(&gRun.previous.op, &insn.op, 1);
    if (lock) gRun.previous.caused = true;
    if (!gRun.beforePrevious.caused) lock += armInterlock(&gRun.beforePrevious.op, &insn.op, 2);
    gRun.interlocks += lock;
    m940Commit(lock);
    gRun.current = &insn;
    gRun.currentAt = addr;
    gRun.accessed = false;
    ++gRun.sequence;
    ++gRun.instructions;
}

// ---- the main side, in song mode -----------------------------------------------

SoundControlBlock* controlBlock() {
    return reinterpret_cast<SoundControlBlock*>(gRun.memory + kControlBlockOffset);
}

void mainSideWrites(uint32_t* word, uint32_t value) {
    *word = value;
    m940MainSideWrote(uint32_t(reinterpret_cast<uint8_t*>(word) - gRun.memory), 4);
}

uint32_t fullFlagAt(int block) {
    return kControlBlockOffset + uint32_t(offsetof(SoundControlBlock, blocks)) +
           uint32_t(block) * uint32_t(sizeof(SoundBlock));
}

void writeBlockLine() {
    std::vector<Totals940> now, off;
    takeTotals(now, off);
    fprintf(gRun.out, "block %" PRIu64 " insns=%" PRIu64, gRun.handedOver, gRun.instructions);
    for (unsigned v = 0; v < now.size(); ++v) {
        const Timing940& t = gRun.options.timings[v];
        const Totals940& n = now[v];
        const Totals940& o = off[v];
        fprintf(gRun.out,
                " c%u/%u=%" PRIu64 " bus%u/%u=%" PRIu64 " sq%u/%u=%" PRIu64 " tr%u/%u=%" PRIu64
                " o%u/%u=%" PRIu64 " obus%u/%u=%" PRIu64 " osq%u/%u=%" PRIu64 " otr%u/%u=%" PRIu64,
                t.fill, t.single, n.cycles, t.fill, t.single, n.busCycles, t.fill, t.single,
                n.busSquares, t.fill, t.single, n.ifills + n.dfills + n.singles + n.writes, t.fill,
                t.single, o.cycles, t.fill, t.single, o.busCycles, t.fill, t.single, o.busSquares,
                t.fill, t.single, o.singles);
    }
    fputc('\n', gRun.out);
}

void onData(uc_engine*, uc_mem_type type, uint64_t address, int size, int64_t value, void*) {
    const bool store = type == UC_MEM_WRITE;
    gRun.accessed = true;
    m940Data(uint32_t(address), unsigned(size), store, uint32_t(value), gRun.sequence);
    if (store && gRun.options.song && value != 0 &&
        (uint32_t(address) == fullFlagAt(0) || uint32_t(address) == fullFlagAt(1))) {
        ++gRun.handedOver;
        gRun.instructionsAtHandOver = gRun.instructions;
        writeBlockLine();
    }
}

// ---- the run --------------------------------------------------------------------

bool parseTimings(const char* text, std::vector<Timing940>* timings) {
    timings->clear();
    const char* at = text;
    while (*at) {
        char* end;
        const unsigned long fill = strtoul(at, &end, 10);
        if (end == at || *end != '/') return false;
        at = end + 1;
        const unsigned long single = strtoul(at, &end, 10);
        if (end == at || (*end != ',' && *end != '\0')) return false;
        if (single == 0 || fill < single || fill > 1000) return false;
        timings->push_back({unsigned(fill), unsigned(single)});
        at = *end ? end + 1 : end;
    }
    return !timings->empty() && timings->size() <= kMax940Timings;
}

bool parseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        char* end = nullptr;
        if (a == "--timings" && value) {
            if (!parseTimings(value, &o->timings)) return false;
        } else if (a == "--mul" && value) {
            o->multiplier = unsigned(strtoul(value, &end, 10));
            if (*end || o->multiplier < 1 || o->multiplier > 4) return false;
        } else if (a == "--song" && value) {
            o->song = value;
        } else if (a == "--seconds" && value) {
            o->seconds = strtod(value, &end);
            if (*end || !(o->seconds > 0)) return false;
        } else if (a == "--mark" && value) {
            o->mark = uint32_t(strtoul(value, &end, 16));
            o->haveMark = *end == '\0';
            if (!o->haveMark) return false;
        } else if (a == "--touch" && value) {
            unsigned long long k;
            unsigned at, bytes;
            if (sscanf(value, "%llu:%x:%u", &k, &at, &bytes) != 3) return false;
            o->touchMark = k;
            o->touchAt = at;
            o->touchBytes = bytes;
        } else if (a == "--limit" && value) {
            o->limit = strtoull(value, &end, 10);
            if (*end) return false;
        } else if (a == "--out" && value) {
            o->out = value;
        } else if (a.size() > 1 && a[0] == '-') {
            return false;
        } else {
            if (o->image) return false;
            o->image = argv[i];
            continue;
        }
        ++i;
    }
    return o->image != nullptr && (o->song == nullptr) != !o->haveMark;
}

bool readInto(const char* path, uint8_t* at, size_t capacity, size_t* length) {
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    *length = fread(at, 1, capacity, f);
    const bool whole = fgetc(f) == EOF && !ferror(f);
    fclose(f);
    return whole;
}

void setShared() {
    const uint32_t words[] = {
        uint32_t(offsetof(SoundControlBlock, reserved)),
        uint32_t(offsetof(SoundControlBlock, playing)),
        uint32_t(offsetof(SoundControlBlock, songReady)),
        uint32_t(offsetof(SoundControlBlock, songLoaded)),
        uint32_t(offsetof(SoundControlBlock, songOffset)),
        uint32_t(offsetof(SoundControlBlock, songLength)),
        fullFlagAt(0) - kControlBlockOffset,
        fullFlagAt(1) - kControlBlockOffset,
        uint32_t(offsetof(SoundControlBlock, seekRequest)),
        uint32_t(offsetof(SoundControlBlock, seekSample)),
    };
    const uint32_t full[2] = {fullFlagAt(0) - kControlBlockOffset,
                              fullFlagAt(1) - kControlBlockOffset};
    const uint32_t samples[2] = {full[0] + 4, full[1] + 4};
    m940SetShared(kControlBlockOffset, uint32_t(sizeof(SoundControlBlock)), words,
                  uint32_t(sizeof words / sizeof words[0]), full, samples, kSoundBlockBytes);
}

// Runs from `pc` until the program idles, stops or faults; false on a fault.
bool runFrom(uint32_t* pc) {
    const uc_err error = uc_emu_start(gRun.core, *pc, 0xFFFFFFFFu, 0, 0);
    uc_reg_read(gRun.core, UC_ARM_REG_PC, pc);
    if (error != UC_ERR_OK) {
        fprintf(stderr, "count940: the program stopped: %s at 0x%08X\n", uc_strerror(error), *pc);
        return false;
    }
    if (gRun.idled) {
        uc_reg_read(gRun.core, UC_ARM_REG_LR, pc);  // the routine returns at once
        gRun.idled = false;
    }
    return true;
}

bool playSong(size_t songLength) {
    uint64_t blocksLeft = gRun.options.seconds > 0
                              ? uint64_t(gRun.options.seconds * 44100 / (kSoundBlockBytes / 4)) + 1
                              : UINT64_MAX;
    SoundControlBlock* control = controlBlock();
    uint32_t pc = 0;
    bool songIn = false;
    while (!gRun.stopped) {
        if (!runFrom(&pc)) return false;
        if (gRun.stopped) break;
        if (!songIn) {
            // The main side copies the song in, as the bridge does once the
            // program runs.
            m940MainSideWrote(kSongOffset, uint32_t(songLength));
            mainSideWrites(&control->songOffset, kSongOffset);
            mainSideWrites(&control->songLength, uint32_t(songLength));
            mainSideWrites(&control->songLoaded, 1);
            mainSideWrites(&control->songReady, 1);
            mainSideWrites(&control->playing, 1);
            songIn = true;
            continue;
        }
        while (control->blocks[gRun.nextBlock].full != 0) {
            mainSideWrites(&control->blocks[gRun.nextBlock].full, 0);
            gRun.nextBlock ^= 1;
            if (--blocksLeft == 0 || control->songEndedAt != 0) gRun.stopped = true;
        }
    }
    if (gRun.waiting) {
        fprintf(stderr, "count940: the program stopped: it waits for an interrupt at 0x%08X\n",
                gRun.currentAt);
        return false;
    }
    if (gRun.stuck) {
        fprintf(stderr,
                "count940: the program handed over no block in %" PRIu64 " M instructions\n",
                kMostWithoutBlock / 1000000);
        return false;
    }
    return true;
}

void writeEnd() {
    Checks940 checks;
    m940Checks(&checks);
    fprintf(gRun.out,
            "checks held=%" PRIu64 " cached=%" PRIu64 " undrained=%" PRIu64 " aborts=%" PRIu64
            " protection=%d icache=%d dcache=%d\n",
            checks.held, checks.cached, checks.undrained, checks.aborts, checks.protection,
            checks.icache, checks.dcache);
    for (unsigned v = 0; v < gRun.options.timings.size(); ++v) {
        Totals940 t, o;
        m940Totals(v, false, &t);
        m940Totals(v, true, &o);
        const Timing940& timing = gRun.options.timings[v];
        fprintf(gRun.out,
                "totals %u/%u insns=%" PRIu64 " core=%" PRIu64 " interlock=%" PRIu64
                " cycles=%" PRIu64 " fetch=%" PRIu64 " data=%" PRIu64 " wbuffer=%" PRIu64
                " ifills=%" PRIu64 " dfills=%" PRIu64 " singles=%" PRIu64 " writes=%" PRIu64
                " bus=%" PRIu64 " off=%" PRIu64 " offbus=%" PRIu64 " offsingles=%" PRIu64 "\n",
                timing.fill, timing.single, gRun.instructions, gRun.coreCycles, gRun.interlocks,
                t.cycles, t.fetch, t.data, t.wbuffer, t.ifills, t.dfills, t.singles, t.writes,
                t.busCycles, o.cycles, o.busCycles, o.singles);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options& o = gRun.options;
    if (!parseOptions(argc, argv, &o)) {
        fprintf(stderr,
                "usage: count940 [--timings F/U,...] [--mul M] [--out FILE]\n"
                "                (--song FILE [--seconds S] | --mark ADDR [--touch K:ADDR:LEN]"
                " [--limit N]) IMAGE\n");
        return 1;
    }
    static std::vector<uint8_t> memory(kSecondCpuMemoryBytes);
    gRun.memory = memory.data();
    size_t imageLength = 0, songLength = 0;
    if (!readInto(o.image, gRun.memory, kCode940Capacity, &imageLength) || imageLength == 0) {
        fail("cannot read a program image from ", o.image);
        return 1;
    }
    if (o.song) {
        if (!code940ImageRecognised(gRun.memory, imageLength)) {
            fail("not a second-processor program image: ", o.image);
            return 1;
        }
        gRun.idleAt = code940Word(gRun.memory, CODE940_IDLE_OFFSET);
        if (!readInto(o.song, gRun.memory + kSongOffset, kSongCapacity, &songLength)) {
            fail("cannot read a song that fits its place from ", o.song);
            return 1;
        }
    }
    if (o.out && !(gRun.out = fopen(o.out, "w"))) {
        fail("cannot write ", o.out);
        return 1;
    }
    if (!m940Init(o.timings.data(), unsigned(o.timings.size()))) {
        fail("bad timings");
        return 1;
    }
    setShared();
    if (uc_open(UC_ARCH_ARM, UC_MODE_ARM, &gRun.core) != UC_ERR_OK ||
        uc_ctl(gRun.core, UC_CTL_WRITE(UC_CTL_CPU_MODEL, 1), int(UC_CPU_ARM_946)) != UC_ERR_OK ||
        uc_mem_map_ptr(gRun.core, 0, kSecondCpuMemoryBytes, UC_PROT_ALL, gRun.memory) !=
            UC_ERR_OK) {
        fail("cannot make an ARM946 core in Unicorn");
        return 1;
    }
    uc_hook instructions, data;
    uc_hook_add(gRun.core, &instructions, UC_HOOK_CODE, reinterpret_cast<void*>(onInstruction),
                nullptr, 1, 0);
    uc_hook_add(gRun.core, &data, UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE,
                reinterpret_cast<void*>(onData), nullptr, 1, 0);
    bool ok;
    if (o.song) {
        ok = playSong(songLength);
    } else {
        uint32_t pc = 0;
        ok = runFrom(&pc);
        finishCurrent(~0u);
        if (ok) writePart("exit");
    }
    if (ok) writeEnd();
    if (gRun.out != stdout) fclose(gRun.out);
    uc_close(gRun.core);
    return ok ? 0 : 1;
}
