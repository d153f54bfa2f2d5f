/* arm_ops.c - ARM and Thumb encodings read for their ARM9TDMI cost (arm_ops.h). */
#include "arm_ops.h"

#define BIT(w, n) (((w) >> (n)) & 1u)
#define FIELD(w, hi, lo) (((w) >> (lo)) & ((1u << ((hi) - (lo) + 1)) - 1u))
#define REG(r) ((uint16_t)(1u << (r)))

static unsigned registerCount(uint32_t list) {
    unsigned n = 0;
    for (; list; list &= list - 1) ++n;
    return n;
}

static uint16_t highestRegister(uint32_t list) {
    uint16_t r = 15;
    while (r > 0 && !(list & (1u << r))) --r;
    return REG(r);
}

static void newer(ArmOp* op) {
    op->newer = true;
    op->cycles = 1;
}

/* Data processing, register or immediate operand (bits 27..26 = 00). */
static void dataProcessing(uint32_t w, ArmOp* op) {
    const unsigned opcode = FIELD(w, 24, 21);
    const bool immediate = BIT(w, 25);
    const bool compare = (opcode & 0xC) == 0x8;       /* TST, TEQ, CMP, CMN: no result */
    const bool move = opcode == 0xD || opcode == 0xF; /* MOV, MVN: no first operand */
    op->cycles = 1;
    if (!move) op->reads |= REG(FIELD(w, 19, 16));
    if (!immediate) {
        op->reads |= REG(FIELD(w, 3, 0));
        if (BIT(w, 4)) { /* shift by a register: Rs is read in a cycle of its own */
            op->reads |= REG(FIELD(w, 11, 8));
            op->cycles += 1;
        }
    }
    if (!compare && FIELD(w, 15, 12) == 15) {
        op->writesPc = true;
        op->cycles += 2;
    }
}

static void multiply(uint32_t w, unsigned m, ArmOp* op) {
    const unsigned kind = FIELD(w, 23, 21);
    op->reads = REG(FIELD(w, 3, 0)) | REG(FIELD(w, 11, 8));
    switch (kind) {
        case 0: /* MUL */
            op->cycles = (uint8_t)(1 + m);
            break;
        case 1: /* MLA */
            op->reads |= REG(FIELD(w, 15, 12));
            op->cycles = (uint8_t)(2 + m);
            break;
        case 4: /* UMULL */
        case 6: /* SMULL */
            op->cycles = (uint8_t)(2 + m);
            break;
        case 5: /* UMLAL */
        case 7: /* SMLAL */
            op->reads |= REG(FIELD(w, 15, 12)) | REG(FIELD(w, 19, 16));
            op->cycles = (uint8_t)(3 + m);
            break;
        default: /* UMAAL, MLS */
            newer(op);
    }
}

/* Bits 27..23 = 00010, bit 20 = 0: the space of MRS, MSR, BX and ARMv5's
 * additions (CLZ, BLX, the saturating arithmetic, BKPT, the 16-bit multiplies). */
static void miscellaneous(uint32_t w, ArmOp* op) {
    const unsigned low = FIELD(w, 7, 4);
    const unsigned op2 = FIELD(w, 22, 21);
    op->cycles = 1;
    if (low == 0) { /* MRS, MSR from a register */
        if (BIT(w, 21)) op->reads = REG(FIELD(w, 3, 0));
        return;
    }
    if (low == 1 && op2 == 1) { /* BX */
        op->reads = REG(FIELD(w, 3, 0));
        op->writesPc = true;
        op->cycles = 3;
        return;
    }
    newer(op);
    if (low == 3 && op2 == 1) { /* BLX register */
        op->reads = REG(FIELD(w, 3, 0));
        op->writesPc = true;
        op->cycles = 3;
    }
}

/* LDRH, STRH, LDRSB, LDRSH; LDRD and STRD are ARMv5TE's. */
static void extraLoadStore(uint32_t w, ArmOp* op) {
    const bool load = BIT(w, 20);
    const unsigned sh = FIELD(w, 6, 5);
    if (!load && sh != 1) {
        newer(op);
        op->memory = true;
        return;
    }
    op->cycles = 1;
    op->memory = true;
    op->reads = REG(FIELD(w, 19, 16));
    if (!BIT(w, 22)) op->reads |= REG(FIELD(w, 3, 0)); /* register offset */
    const unsigned rd = FIELD(w, 15, 12);
    if (load) {
        op->load = kLoadNarrow;
        op->loaded = REG(rd);
    } else {
        op->reads |= REG(rd);
    }
}

static void loadStore(uint32_t w, ArmOp* op) {
    const bool load = BIT(w, 20);
    const unsigned rd = FIELD(w, 15, 12);
    op->cycles = 1;
    op->memory = true;
    op->reads = REG(FIELD(w, 19, 16));
    if (BIT(w, 25)) op->reads |= REG(FIELD(w, 3, 0));
    if (!load) {
        op->reads |= REG(rd);
        return;
    }
    if (rd == 15) {
        op->writesPc = true;
        op->cycles = 5;
        return;
    }
    op->load = BIT(w, 22) ? kLoadNarrow : kLoadWord;
    op->loaded = REG(rd);
}

static void blockTransfer(uint32_t w, ArmOp* op) {
    const uint32_t list = FIELD(w, 15, 0);
    const unsigned n = registerCount(list);
    op->memory = true;
    op->reads = REG(FIELD(w, 19, 16));
    op->cycles = (uint8_t)(n > 2 ? n : 2);
    if (!BIT(w, 20)) {
        op->reads |= (uint16_t)list;
        return;
    }
    if (list & 0x8000) {
        op->writesPc = true;
        op->cycles += 4;
        return;
    }
    if (list) {
        op->load = kLoadWord;
        op->loaded = highestRegister(list); /* loaded last */
    }
}

void armDecode(uint32_t w, unsigned m, ArmOp* op) {
    *op = (ArmOp){0};
    const unsigned cond = FIELD(w, 31, 28);
    op->conditional = cond != 0xE;
    if (cond == 0xF) { /* ARMv5's unconditional space: BLX label, PLD, CDP2, ... */
        op->conditional = false;
        newer(op);
        if (FIELD(w, 27, 25) == 5) {
            op->writesPc = true;
            op->cycles = 3;
        }
        return;
    }
    switch (FIELD(w, 27, 25)) {
        case 0:
            if (FIELD(w, 7, 4) == 9) {
                if (FIELD(w, 27, 24) == 0) {
                    multiply(w, m, op);
                } else if (FIELD(w, 27, 23) == 2 && FIELD(w, 21, 20) == 0) { /* SWP, SWPB */
                    op->cycles = 2;
                    op->memory = true;
                    op->reads = REG(FIELD(w, 19, 16)) | REG(FIELD(w, 3, 0));
                    op->load = BIT(w, 22) ? kLoadNarrow : kLoadWord;
                    op->loaded = REG(FIELD(w, 15, 12));
                } else { /* LDREX, STREX and their kind */
                    newer(op);
                    op->memory = true;
                }
            } else if (BIT(w, 7) && BIT(w, 4)) {
                extraLoadStore(w, op);
            } else if (FIELD(w, 24, 23) == 2 && !BIT(w, 20)) {
                miscellaneous(w, op);
            } else {
                dataProcessing(w, op);
            }
            break;
        case 1:
            if (FIELD(w, 24, 23) == 2 && !BIT(w, 20)) {
                if (BIT(w, 21)) { /* MSR immediate */
                    op->cycles = 1;
                } else { /* MOVW, MOVT */
                    newer(op);
                }
            } else {
                dataProcessing(w, op);
            }
            break;
        case 2:
            loadStore(w, op);
            break;
        case 3:
            if (BIT(w, 4)) { /* ARMv6's media instructions */
                newer(op);
            } else {
                loadStore(w, op);
            }
            break;
        case 4:
            blockTransfer(w, op);
            break;
        case 5: /* B, BL */
            op->cycles = 3;
            op->writesPc = true;
            break;
        case 6:
            if (FIELD(w, 27, 21) == 0x62) { /* MCRR, MRRC */
                newer(op);
            } else { /* LDC, STC: the console has no coprocessor that takes them */
                op->cycles = 1;
                op->memory = true;
                op->reads = REG(FIELD(w, 19, 16));
            }
            break;
        default:
            if (BIT(w, 24)) { /* SWI */
                op->cycles = 3;
                op->writesPc = true;
            } else { /* CDP, MCR, MRC */
                op->cycles = 1;
                if (BIT(w, 4) && !BIT(w, 20)) op->reads = REG(FIELD(w, 15, 12));
            }
    }
}

void thumbDecode(uint16_t h, uint16_t next, unsigned size, ArmOp* op) {
    *op = (ArmOp){0};
    op->cycles = 1;
    if (size == 4) { /* BL or BLX label: a prefix and a suffix */
        op->cycles = 3;
        op->writesPc = true;
        if ((next & 0xF800) == 0xE800) op->newer = true;
        return;
    }
    const unsigned top = h >> 12;
    if ((top >= 5 && top <= 9) || (h & 0xF800) == 0x4800) op->memory = true; /* LDR, STR */
    if (top == 0xB) {
        if ((h & 0x0600) == 0x0400) { /* PUSH, POP */
            const unsigned n = registerCount(h & 0x1FF);
            op->memory = true;
            op->cycles = (uint8_t)(n > 2 ? n : 2);
            if ((h & 0x0900) == 0x0900) {
                op->writesPc = true;
                op->cycles += 4;
            }
        } else if ((h & 0x0F00) == 0x0E00 || (h & 0x0500) == 0x0100 || (h & 0x0F00) == 0x0A00 ||
                   (h & 0x0F00) == 0x0200 || (h & 0x0FE0) == 0x0660) {
            op->newer = true; /* BKPT, CBZ, REV, the extends, CPS */
        }
    } else if (top == 0xC) { /* LDMIA, STMIA */
        const unsigned n = registerCount(h & 0xFF);
        op->memory = true;
        op->cycles = (uint8_t)(n > 2 ? n : 2);
    } else if (top == 0xD) { /* B<cond>, SWI */
        op->cycles = 3;
        op->writesPc = true;
        op->conditional = (h & 0x0F00) < 0x0E00;
    } else if (top == 0xE) { /* B; or the second half of a BLX, alone */
        op->cycles = 3;
        op->writesPc = true;
        op->newer = (h & 0x0800) != 0;
    } else if (top == 0xF) { /* a half of BL, alone */
        op->cycles = (h & 0x0800) ? 3 : 1;
        op->writesPc = (h & 0x0800) != 0;
    } else if ((h & 0xFF00) == 0x4700) { /* BX, BLX register */
        op->cycles = 3;
        op->writesPc = true;
        op->newer = (h & 0x0080) != 0;
    }
}

unsigned armInterlock(const ArmOp* earlier, const ArmOp* later, unsigned distance) {
    if (earlier->load == kLoadNone || !(earlier->loaded & later->reads)) return 0;
    if (earlier->load == kLoadWord) return distance == 1 ? 1 : 0;
    return distance == 1 ? 2 : distance == 2 ? 1 : 0;
}
