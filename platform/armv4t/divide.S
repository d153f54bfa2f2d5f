@ divide.S - 32-bit division for the ARM920T (ARMv4T, ARM state), which has
@ no divide instruction.
@
@ Contract (the ARM EABI's run-time helpers, which compilers call for / and %):
@   __aeabi_uidiv(n, d)     r0 = n / d                  unsigned
@   __aeabi_uidivmod(n, d)  r0 = n / d, r1 = n % d      unsigned
@   __aeabi_idiv(n, d)      r0 = n / d                  signed, toward zero
@   __aeabi_idivmod(n, d)   r0 = n / d, r1 = n % d      the remainder has n's sign
@   __aeabi_uldivmod(n, d)  r1:r0 = n / d, r3:r2 = n % d   64-bit unsigned
@   __aeabi_ldivmod(n, d)   the same, signed as above
@ __udivsi3 and __divsi3 are the first and third under their older names.
@ INT_MIN / -1 gives INT_MIN (remainder 0), as the wrapping arithmetic does.
@ Division by zero is the caller's fault; it gives a quotient of 0 and the
@ remainder n rather than a trap. ARMv4T instructions only; r0-r3, r12, the
@ flags and two saved registers (signed forms) are used; self-contained, like
@ block_copy.S beside it.
@
@ How: restoring division one quotient bit a step, from the highest bit the
@ quotient can have down. Step k compares n >> k with d (no shifted divisor
@ can overflow), subtracts d << k when it fits and shifts the bit into the
@ quotient: three instructions. A binary search finds the highest k where
@ n >> k >= d, and the code jumps into the 32 unrolled steps there, so a
@ quotient of b bits costs about 3b + 25 cycles. A 64-bit division whose
@ operands fit 32 bits is the 32-bit one; by a 32-bit divisor, a 32-bit one
@ and 32 steps of a bit; by a wider one, 64 steps.
    .syntax unified
    .arch armv4t
    .arm
    .text

@ r0 = n, r1 = d, with d <= n: r0 := n / d, r1 := n % d. Uses r2, r3, r12.
.macro DIVIDE_BY_STEPS
    @ r3 := the highest k with n >> k >= d; r2 holds n >> k meanwhile.
    mov r2, r0
    mov r3, #0
    cmp r1, r2, lsr #16
    movls r2, r2, lsr #16
    addls r3, r3, #16
    cmp r1, r2, lsr #8
    movls r2, r2, lsr #8
    addls r3, r3, #8
    cmp r1, r2, lsr #4
    movls r2, r2, lsr #4
    addls r3, r3, #4
    cmp r1, r2, lsr #2
    movls r2, r2, lsr #2
    addls r3, r3, #2
    cmp r1, r2, lsr #1
    addls r3, r3, #1
    @ Into the steps at step k: (31 - k) steps of 12 bytes in.
    rsb r3, r3, #31
    add r3, r3, r3, lsl #1
    mov r2, #0
    add pc, pc, r3, lsl #2      @ the pc reads 8 ahead: the steps follow the nop
    nop
    .irp k, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1
    rsbs r12, r1, r0, lsr #\k  @ carry: n >> k >= d
    subcs r0, r0, r1, lsl #\k
    adc r2, r2, r2
    .endr
    rsbs r12, r1, r0            @ step 0 (an lsr #0 would shift by 32)
    subcs r0, r0, r1
    adc r2, r2, r2
    mov r1, r0                  @ what is left is the remainder
    mov r0, r2
.endm

    .global __aeabi_uidiv
    .global __aeabi_uidivmod
    .global __udivsi3
    .type __aeabi_uidiv, %function
    .type __aeabi_uidivmod, %function
    .type __udivsi3, %function
    .p2align 2
__aeabi_uidiv:
__aeabi_uidivmod:
__udivsi3:
    cmp r1, #0
    beq .LbelowDivisor          @ d = 0
    cmp r1, r0
    bhi .LbelowDivisor
    DIVIDE_BY_STEPS
    bx lr
.LbelowDivisor:
    mov r1, r0
    mov r0, #0
    bx lr
    .size __aeabi_uidiv, . - __aeabi_uidiv

    .global __aeabi_idiv
    .global __aeabi_idivmod
    .global __divsi3
    .type __aeabi_idiv, %function
    .type __aeabi_idivmod, %function
    .type __divsi3, %function
    .p2align 2
__aeabi_idiv:
__aeabi_idivmod:
__divsi3:
    str lr, [sp, #-4]!
    and r12, r0, #0x80000000
    eor lr, r0, r1
    orr lr, r12, lr, lsr #31    @ bit 31: the remainder's sign; bit 0: the quotient's
    cmp r0, #0
    rsblt r0, r0, #0
    cmp r1, #0
    rsblt r1, r1, #0            @ magnitudes, INT_MIN's as 2^31
    beq 1f                      @ d = 0
    cmp r1, r0
    bhi 1f
    DIVIDE_BY_STEPS
    b 2f
1:  mov r1, r0
    mov r0, #0
2:  tst lr, #1
    rsbne r0, r0, #0
    cmp lr, #0
    rsblt r1, r1, #0
    ldr lr, [sp], #4
    bx lr
    .size __aeabi_idiv, . - __aeabi_idiv

    .global __aeabi_uldivmod
    .type __aeabi_uldivmod, %function
    .p2align 2
__aeabi_uldivmod:
    orrs r12, r1, r3
    bne .Lwide
    stmdb sp!, {lr}
    mov r1, r2
    bl __aeabi_uidivmod
    mov r2, r1
    mov r1, #0
    mov r3, #0
    ldmia sp!, {lr}
    bx lr
.Lwide:
    stmdb sp!, {r4-r7, lr}
    cmp r3, #0
    bne .LwideDivisor
    cmp r2, #0
    beq .LwideByZero
    @ A 32-bit divisor: the high word's quotient and remainder first, then
    @ the remainder and the low word, a bit a step.
    mov r4, r0                  @ the low word, becoming the low quotient
    mov r6, r2                  @ d
    mov r0, r1
    mov r1, r2
    bl __aeabi_uidivmod         @ r0: high quotient, r1: the remainder, below d
    mov r5, r0
    mov r7, #8
1:  .rept 4
    adds r4, r4, r4             @ the next dividend bit into the remainder
    adcs r1, r1, r1             @ carry: a 33rd bit, which only d or more has
    cmpcc r1, r6
    subcs r1, r1, r6
    orrcs r4, r4, #1
    .endr
    subs r7, r7, #1
    bne 1b
    mov r0, r4
    mov r2, r1
    mov r1, r5
    mov r3, #0
    ldmia sp!, {r4-r7, lr}
    bx lr
.LwideDivisor:
    @ A divisor of more than 32 bits: a quotient of 32 bits at most, from 64
    @ steps of a bit.
    @ The dividend shifts out of r1:r0 into the remainder r7:r6, one bit a
    @ step, and the quotient's bits shift in behind it. Before each shift the
    @ remainder is below 2^63 (below a divisor under 2^63; for a larger one,
    @ whose quotient is 0 or 1, the dividend's top bits): it never carries out.
    mov r6, #0
    mov r7, #0
    mov r12, #64
1:  adds r0, r0, r0
    adcs r1, r1, r1
    adcs r6, r6, r6
    adc r7, r7, r7
    subs r4, r6, r2
    sbcs r5, r7, r3
    movcs r6, r4
    movcs r7, r5
    orrcs r0, r0, #1
    subs r12, r12, #1
    bne 1b
    mov r2, r6
    mov r3, r7
    ldmia sp!, {r4-r7, lr}
    bx lr
.LwideByZero:
    mov r2, r0
    mov r3, r1
    mov r0, #0
    mov r1, #0
    ldmia sp!, {r4-r7, lr}
    bx lr
    .size __aeabi_uldivmod, . - __aeabi_uldivmod

    .global __aeabi_ldivmod
    .type __aeabi_ldivmod, %function
    .p2align 2
__aeabi_ldivmod:
    stmdb sp!, {r4, r5, lr}
    eor r4, r1, r3              @ bit 31: the quotient's sign
    mov r5, r1                  @ bit 31: the remainder's sign
    cmp r1, #0
    bge 1f
    rsbs r0, r0, #0
    rsc r1, r1, #0
1:  cmp r3, #0
    bge 2f
    rsbs r2, r2, #0
    rsc r3, r3, #0
2:  bl __aeabi_uldivmod
    cmp r4, #0
    bge 3f
    rsbs r0, r0, #0
    rsc r1, r1, #0
3:  cmp r5, #0
    bge 4f
    rsbs r2, r2, #0
    rsc r3, r3, #0
4:  ldmia sp!, {r4, r5, lr}
    bx lr
    .size __aeabi_ldivmod, . - __aeabi_ldivmod

    .section .note.GNU-stack,"",%progbits
