/* arm_ops.h - what one ARM instruction costs an ARM9TDMI core, read from its
 * encoding alone: its cycles when it executes, the registers it reads, what
 * it loads, whether it writes the PC, and whether the ARM920T has it at all.
 *
 * Contract: armDecode(word, &op) and thumbDecode(halfword, next, &op) fill op
 * for an instruction of ARM state (32 bits) or Thumb state (16 bits; next is
 * the following halfword, for the two halves of BL and BLX). They never fail:
 * an encoding the ARM920T does not know is marked newer with one cycle.
 *
 * The cycles are the ARM9TDMI's own, from its Technical Reference Manual
 * (ARM DDI 0180A), chapter 7 "Instruction Cycle Summary and Interlocks": the
 * instruction cycle times and the interlock rules of its 5-stage pipeline
 * (fetch, decode, execute, memory, write). Per instruction, when it executes:
 *   data processing             1, +1 with a register-specified shift,
 *                               +2 writing the PC (the pipeline refills)
 *   MUL / MLA                   1 + m / 2 + m
 *   UMULL, SMULL / UMLAL, SMLAL 2 + m / 3 + m
 *   LDR, STR (any size)         1; LDR to the PC 5
 *   LDM / STM of n registers    max(n, 2); LDM loading the PC 4 more
 *   SWP                         2
 *   B, BL, BX, SWI              3
 *   MRS, MSR, coprocessor       1
 *   a failed condition          1 (the instruction passes down the pipeline
 *                               and does nothing)
 * m is the multiplier's number of 8-bit steps, 1 to 4 by the value of Rs
 * (early termination), which the encoding does not show: the caller gives it.
 * Interlocks: a word loaded (LDR, SWP, the last register of an LDM) and used
 * by the next instruction holds it 1 cycle; a byte or halfword loaded (its
 * extension takes the memory stage's last part) holds the next instruction 2
 * cycles, or the one after it 1 cycle. "Used" is any register the instruction
 * reads, a stored value included.
 *
 * Thumb (only Debian's libraries may run it) is counted plainly: 1 cycle,
 * loads and stores as in ARM state, branches 3, no interlocks.
 */
#ifndef ARM_OPS_H
#define ARM_OPS_H

#include <stdbool.h>
#include <stdint.h>

typedef enum ArmLoad {
    kLoadNone = 0,
    kLoadWord,   /* the loaded word is ready after 1 cycle */
    kLoadNarrow, /* byte or halfword: ready after 2 */
} ArmLoad;

typedef struct ArmOp {
    uint8_t cycles;   /* when it executes, m as given */
    bool conditional; /* its condition may fail */
    bool memory;      /* it reads or writes data memory when it executes */
    bool writesPc;    /* a branch, or an instruction that loads or computes the PC */
    bool newer;       /* not in ARMv4T: the ARM920T lacks it */
    ArmLoad load;     /* what the next instructions may wait for */
    uint16_t reads;   /* registers read, bit r for register r */
    uint16_t loaded;  /* registers that wait on the load */
} ArmOp;

void armDecode(uint32_t word, unsigned multiplierSteps, ArmOp* op);
/* size: 2, or 4 for the two halves of a BL or BLX (next is the second) */
void thumbDecode(uint16_t half, uint16_t next, unsigned size, ArmOp* op);

/* The interlock cycles that instruction `later` waits for a load by
 * `earlier`, `distance` instructions before it (1: the next). */
unsigned armInterlock(const ArmOp* earlier, const ArmOp* later, unsigned distance);

#endif
