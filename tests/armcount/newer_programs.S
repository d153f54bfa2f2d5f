@ newer_programs.S - instructions the ARM920T lacks (ARMv5 and ARMv6), each
@ executed once between two marks among ARMv4T ones, for the cycle model's
@ test: the model must count exactly 16 of them.
    .syntax unified
    .arch armv6
    .arm
    .text

@ void newerInstructions(void* eightAligned)
    .global newerInstructions
newerInstructions:
    push {r4, r5, r6, lr}
    mov r6, r0
    bl armcountTestMark
    mov r2, #3
    clz r1, r2
    smulbb r1, r2, r2
    smlabb r1, r2, r2, r1
    smulwb r1, r2, r2
    qadd r1, r2, r2
    qdsub r1, r2, r2
    pld [r6]
    ldrd r4, r5, [r6]
    strd r4, r5, [r6]
    add r1, r1, r2, lsl r2
    rev r1, r2
    uxth r1, r2
    sxtb r1, r2
    ldrex r1, [r6]
    strex r3, r1, [r6]
    adr r1, armReturn
    blx r1
    blx thumbReturn
    bl armcountTestMark
    pop {r4, r5, r6, lr}
    bx lr
armReturn:
    bx lr

    .thumb
    .thumb_func
thumbReturn:
    bx lr

    .section .note.GNU-stack,"",%progbits
