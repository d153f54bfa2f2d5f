@ block_fill.S - memset for the ARM920T (ARMv4T, ARM state).
@
@ Contract: memset(dst, c, n) stores the byte c (the low 8 bits of c) into
@ n bytes from dst and returns dst. The EABI's __aeabi_memset(dst, n, c),
@ __aeabi_memset4 and __aeabi_memset8 take the same arguments in that order,
@ __aeabi_memclr(dst, n), __aeabi_memclr4 and __aeabi_memclr8 store zeros;
@ they return nothing. Two fills of our own for pixels and depths:
@ fillHalfwords(dst, value, count) stores the 16-bit value into count
@ halfwords from dst (halfword-aligned), fillWords(dst, value, count) the
@ 32-bit value into count words from dst (word-aligned) (fill.h declares
@ them). ARMv4T instructions only; no stack beyond six saved registers;
@ self-contained, like block_copy.S beside it.
@
@ Speed on the ARM920T: bytes up to a word boundary, then 32 bytes with each
@ STM of eight registers (one write-buffer entry when the lines are not
@ cached, and no line is read), words, the last bytes.
    .syntax unified
    .arch armv4t
    .arm
    .text

    .global __aeabi_memclr
    .global __aeabi_memclr4
    .global __aeabi_memclr8
    .type __aeabi_memclr, %function
    .type __aeabi_memclr4, %function
    .type __aeabi_memclr8, %function
    .p2align 2
__aeabi_memclr:
__aeabi_memclr4:
__aeabi_memclr8:
    mov r2, r1
    mov r1, #0
    b memset
    .size __aeabi_memclr, . - __aeabi_memclr

    .global __aeabi_memset
    .global __aeabi_memset4
    .global __aeabi_memset8
    .type __aeabi_memset, %function
    .type __aeabi_memset4, %function
    .type __aeabi_memset8, %function
    .p2align 2
__aeabi_memset:
__aeabi_memset4:
__aeabi_memset8:
    mov r3, r1
    mov r1, r2
    mov r2, r3
    @ falls through to memset
    .size __aeabi_memset, . - __aeabi_memset

    .global memset
    .type memset, %function
memset:
    mov r12, r0                 @ r12: the next byte; r0 stays dst
    cmp r2, #0
    bxeq lr
    and r1, r1, #0xFF
    orr r1, r1, r1, lsl #8
    orr r1, r1, r1, lsl #16     @ the byte in all four of the word's
.Lpattern:                      @ r1: the word to store, r2: bytes, r12: where
1:  tst r12, #3
    beq 2f
    strb r1, [r12], #1
    subs r2, r2, #1
    bne 1b
    bx lr
2:  subs r2, r2, #32
    blt 4f
    stmdb sp!, {r4-r9}
    mov r3, r1
    mov r4, r1
    mov r5, r1
    mov r6, r1
    mov r7, r1
    mov r8, r1
    mov r9, r1
3:  stmia r12!, {r1, r3-r9}
    subs r2, r2, #32
    bge 3b
    ldmia sp!, {r4-r9}
4:  adds r2, r2, #28            @ r2: bytes left - 4
    blt 6f
5:  str r1, [r12], #4
    subs r2, r2, #4
    bge 5b
6:  adds r2, r2, #4            @ 0 to 3 bytes left, from a word boundary
    tst r2, #2
    strhne r1, [r12], #2
    tst r2, #1
    strbne r1, [r12]
    bx lr
    .size memset, . - memset

    .global fillHalfwords
    .type fillHalfwords, %function
    .p2align 2
fillHalfwords:
    mov r12, r0
    movs r2, r2, lsl #1         @ bytes
    bxeq lr
    mov r1, r1, lsl #16
    orr r1, r1, r1, lsr #16     @ the value in both halves
    tst r12, #2
    beq .Lpattern
    strh r1, [r12], #2          @ one to reach a word boundary
    subs r2, r2, #2
    bne .Lpattern
    bx lr
    .size fillHalfwords, . - fillHalfwords

    .global fillWords
    .type fillWords, %function
    .p2align 2
fillWords:
    mov r12, r0
    movs r2, r2, lsl #2         @ bytes
    bne .Lpattern
    bx lr
    .size fillWords, . - fillWords

    .section .note.GNU-stack,"",%progbits
