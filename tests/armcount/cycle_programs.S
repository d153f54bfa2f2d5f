@ cycle_programs.S - ARMv4T routines whose ARM9TDMI cycles are counted by
@ hand, for the cycle model's test (cycle_test.sh). Each marks its start and
@ end (armcountTestMark, counted_loop.S); between the two marks run: the
@ marker's bx lr (3 cycles), the routine's body, and the bl to the second
@ mark (3). The cycles of each body are worked out beside it; n >= 2.
    .syntax unified
    .arm
    .text

@ void dataLoop(unsigned n): 4 instructions an iteration, the taken bne 3.
@ Core: 3 + 6(n - 1) + 4 + 3 = 6n + 4, no interlock.
    .global dataLoop
dataLoop:
    push {r4, lr}
    mov r4, r0
    bl armcountTestMark
1:  add r1, r1, r2
    eor r3, r3, r1
    subs r4, r4, #1
    bne 1b
    bl armcountTestMark
    pop {r4, lr}
    bx lr

@ void loadUse(const void* words, unsigned n): every load's value used at
@ once or one instruction later. An iteration: 12 single cycles (the ldreq
@ fails: 1) and bne 3, with interlocks of 1 (word, used next), 2 (byte, used
@ next), 1 (halfword, used one later), 0 (ldr r1 unused, ldreq failed).
@ Core: 3 + 15(n - 1) + 13 + 3 = 15n + 4; interlocks 4n.
    .global loadUse
loadUse:
    push {r4, lr}
    mov r4, r1
    bl armcountTestMark
1:  ldr r1, [r0]
    add r2, r2, r1
    ldrb r3, [r0, #4]
    add r2, r2, r3
    ldrh r3, [r0, #8]
    mov r1, #0
    add r2, r2, r3
    ldr r1, [r0]
    cmp r4, #0
    ldreq r3, [r0]
    add r2, r2, r3
    subs r4, r4, #1
    bne 1b
    bl armcountTestMark
    pop {r4, lr}
    bx lr

@ void branches(unsigned n): two taken branches, one not taken, the loop's.
@ An iteration: b 3, b 3, cmp 1, bgt 1 (not taken), subs 1, bne 3 (1 the
@ last time). Core: 3 + 1 + 12(n - 1) + 10 + 3 = 12n + 5.
    .global branches
branches:
    push {r4, lr}
    mov r4, r0
    bl armcountTestMark
    mov r1, #0
1:  b 2f
2:  b 3f
3:  cmp r4, #0x100000
    bgt 4f
    subs r4, r4, #1
    bne 1b
4:  bl armcountTestMark
    pop {r4, lr}
    bx lr

@ void blocks(void* from, void* to, unsigned n): from and to in the data
@ cache (the caller has read both). An iteration: LDM of 4 (4) whose last
@ register the STM of 4 stores next (4 + interlock 1), LDM of 1 (2) whose
@ register the add uses next (1 + interlock 1), STM of 1 (2), a call: bl 3,
@ stmdb of lr 2, ldmia of pc 2 + 4, then subs 1, bne 3.
@ Core: 3 + 28(n - 1) + 26 + 3 = 28n + 4; interlocks 2n.
    .global blocks
blocks:
    push {r4, r5, r6, lr}
    mov r4, r2
    mov r6, r1
    bl armcountTestMark
1:  ldmia r0, {r1, r2, r3, r5}
    stmia r6, {r1, r2, r3, r5}
    ldmia r0, {r1}
    add r2, r1, #1
    stmia r6, {r2}
    bl called
    subs r4, r4, #1
    bne 1b
    bl armcountTestMark
    pop {r4, r5, r6, lr}
    bx lr
called:
    stmdb sp!, {lr}
    ldmia sp!, {pc}

@ void stream(const void* buffer, unsigned bytes, unsigned passes): one
@ word read from each 32-byte line, pass after pass. An inner step: ldr 1,
@ cmp 1, bne 3 (1 the last time); a pass: mov, add, the steps, subs, bne.
@ Core: 3 + passes * (2 + 5 lines - 2 + 1 + 3) - 2 + 3 = passes * (5 lines
@ + 4) + 4 with lines = bytes / 32. Through 64 KB every read misses the 16 KB
@ cache; within 4 KB (read once before) none does.
    .global stream
stream:
    push {r4, r5, r6, lr}
    mov r4, r2
    bl armcountTestMark
1:  mov r3, r0
    add r5, r0, r1
2:  ldr r6, [r3], #32
    cmp r3, r5
    bne 2b
    subs r4, r4, #1
    bne 1b
    bl armcountTestMark
    pop {r4, r5, r6, lr}
    bx lr

    .section .note.GNU-stack,"",%progbits
