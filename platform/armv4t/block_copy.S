@ block_copy.S - memcpy and memmove for the ARM920T (ARMv4T, ARM state).
@
@ Contract: memcpy(dst, src, n) copies n bytes from src to dst, which do not
@ overlap, and returns dst; memmove(dst, src, n) may have them overlap. The
@ EABI's __aeabi_memcpy, __aeabi_memcpy4, __aeabi_memcpy8, __aeabi_memmove,
@ __aeabi_memmove4 and __aeabi_memmove8 are the same copies (they return
@ nothing). ARMv4T instructions only; no stack beyond eight saved registers;
@ self-contained: assemble with any ARM toolchain (arm-linux-gnueabi,
@ arm-none-eabi) and link before the C library, whose copies it replaces.
@
@ Why: Debian's armel C library is built for ARMv5TE, and its copies use
@ instructions the ARM920T lacks. Speed on the ARM920T: where source and
@ destination share their alignment in a word, 32 bytes move with one LDM
@ and one STM of eight registers (one cache line read, one write-buffer
@ entry); a halfword-aligned pair moves two bytes a step, any other pair
@ one byte a step.
    .syntax unified
    .arch armv4t
    .arm
    .text

    .global memcpy
    .global __aeabi_memcpy
    .global __aeabi_memcpy4
    .global __aeabi_memcpy8
    .type memcpy, %function
    .type __aeabi_memcpy, %function
    .type __aeabi_memcpy4, %function
    .type __aeabi_memcpy8, %function
    .p2align 2
memcpy:
__aeabi_memcpy:
__aeabi_memcpy4:
__aeabi_memcpy8:
    mov r12, r0                 @ r12: where the next byte goes; r0 stays dst
.Lforward:
    cmp r2, #0
    bxeq lr
    eor r3, r12, r1
    tst r3, #3
    bne .LforwardUnaligned
    @ The same alignment in a word: bytes up to the destination's word
    @ boundary, then blocks of 32, words, the last bytes.
1:  tst r12, #3
    beq 2f
    ldrb r3, [r1], #1
    strb r3, [r12], #1
    subs r2, r2, #1
    bne 1b
    bx lr
2:  subs r2, r2, #32
    blt 4f
    stmdb sp!, {r4-r10}
3:  ldmia r1!, {r3-r10}
    stmia r12!, {r3-r10}
    subs r2, r2, #32
    bge 3b
    ldmia sp!, {r4-r10}
4:  adds r2, r2, #28             @ r2: bytes left - 4
    blt 6f
5:  ldr r3, [r1], #4
    str r3, [r12], #4
    subs r2, r2, #4
    bge 5b
6:  adds r2, r2, #4
    bxeq lr
7:  ldrb r3, [r1], #1
    strb r3, [r12], #1
    subs r2, r2, #1
    bne 7b
    bx lr

.LforwardUnaligned:
    tst r3, #1
    bne 9f
    @ Both halfword-aligned, or both not: a byte to align them, then halfwords.
    tst r12, #1
    beq 8f
    ldrb r3, [r1], #1
    strb r3, [r12], #1
    subs r2, r2, #1
    bxeq lr
8:  subs r2, r2, #2
    blt 10f
    ldrh r3, [r1], #2
    strh r3, [r12], #2
    b 8b
10: adds r2, r2, #2
    bxeq lr
9:  ldrb r3, [r1], #1
    strb r3, [r12], #1
    subs r2, r2, #1
    bne 9b
    bx lr
    .size memcpy, . - memcpy

    .global memmove
    .global __aeabi_memmove
    .global __aeabi_memmove4
    .global __aeabi_memmove8
    .type memmove, %function
    .type __aeabi_memmove, %function
    .type __aeabi_memmove4, %function
    .type __aeabi_memmove8, %function
    .p2align 2
memmove:
__aeabi_memmove:
__aeabi_memmove4:
__aeabi_memmove8:
    mov r12, r0
    @ A destination below the source, or past its end, copies forward.
    subs r3, r0, r1
    bls .Lforward
    cmp r3, r2
    bhs .Lforward
    @ Otherwise from the end down, by the same rules.
    add r12, r0, r2
    add r1, r1, r2
    cmp r2, #0
    bxeq lr
    eor r3, r12, r1
    tst r3, #3
    bne .LbackwardUnaligned
1:  tst r12, #3
    beq 2f
    ldrb r3, [r1, #-1]!
    strb r3, [r12, #-1]!
    subs r2, r2, #1
    bne 1b
    bx lr
2:  subs r2, r2, #32
    blt 4f
    stmdb sp!, {r4-r10}
3:  ldmdb r1!, {r3-r10}
    stmdb r12!, {r3-r10}
    subs r2, r2, #32
    bge 3b
    ldmia sp!, {r4-r10}
4:  adds r2, r2, #28
    blt 6f
5:  ldr r3, [r1, #-4]!
    str r3, [r12, #-4]!
    subs r2, r2, #4
    bge 5b
6:  adds r2, r2, #4
    bxeq lr
7:  ldrb r3, [r1, #-1]!
    strb r3, [r12, #-1]!
    subs r2, r2, #1
    bne 7b
    bx lr

.LbackwardUnaligned:
    tst r3, #1
    bne 9f
    tst r12, #1
    beq 8f
    ldrb r3, [r1, #-1]!
    strb r3, [r12, #-1]!
    subs r2, r2, #1
    bxeq lr
8:  subs r2, r2, #2
    blt 10f
    ldrh r3, [r1, #-2]!
    strh r3, [r12, #-2]!
    b 8b
10: adds r2, r2, #2
    bxeq lr
9:  ldrb r3, [r1, #-1]!
    strb r3, [r12, #-1]!
    subs r2, r2, #1
    bne 9b
    bx lr
    .size memmove, . - memmove

    .section .note.GNU-stack,"",%progbits
