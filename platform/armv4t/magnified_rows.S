@ magnified_rows.S - screen rows of a magnified picture drawn through its
@ coverage for the ARM920T (ARMv4T, ARM state): drawMagnifiedRowsArmv4t(job),
@ scenes/magnified_rows.h's drawMagnifiedRows, the same pixels as its C++.
@
@ Contract (the job's layout, 32-bit words): 0 row (the first screen row),
@ 4 rows (rows 640 bytes apart, 1 or more), 8 mask, 12 picture, 16 runFrom
@ (halfwords), 20 j0, 24 j1. Picture column j (j0 <= j < j1) covers screen
@ columns runFrom[j] .. runFrom[j + 1] - 1 of every row: coverage a =
@ (mask[j] >> 5) & 63; 0 leaves them, 63 stores picture[j], anything
@ between stores blendCoverage(pixel, picture[j], a). ARMv4T instructions
@ only; self-contained, like block_copy.S beside it.
@
@ The math of the blend, w = 64 - a: red and blue weighed together in place,
@ green on its own, ((d & 0xF81F) * w + (p & 0xF81F) * a) >> 6 masked to
@ 0xF81F (no field reaches the next: 31 * 64 < 2^11) and ((d & 0x7E0) * w +
@ (p & 0x7E0) * a) >> 6 masked to 0x7E0: the picture's products once a
@ column, two MLAs a pixel. A pixel equal to the one before it under the
@ same column takes the colour worked out for that one: the band's colour,
@ or light that changes little, costs no multiply.
    .syntax unified
    .arch armv4t
    .arm
    .text

    .equ S_ROWS, 0
    .equ S_ROW, 4
    .equ S_COLUMNS, 8
    .equ S_LENGTH, 12           @ a run's bytes
    .equ S_ROWS_LEFT, 16
    .equ S_SIZE, 24

@ The same run a row down (r5 its start, r6 its end), back to `loop`; after
@ the last row, the next column.
.macro NEXT_ROW loop
    ldr r9, [sp, #S_ROWS_LEFT]
    subs r9, r9, #1
    beq .Lnext
    str r9, [sp, #S_ROWS_LEFT]
    ldr r9, [sp, #S_LENGTH]
    add r6, r6, #640
    sub r5, r6, r9
    b \loop
.endm

    .global drawMagnifiedRowsArmv4t
    .type drawMagnifiedRowsArmv4t, %function
    .p2align 2
drawMagnifiedRowsArmv4t:
    stmdb sp!, {r4-r11, lr}
    sub sp, sp, #S_SIZE
    ldmia r0, {r0-r6}           @ row, rows, mask, picture, runFrom, j0, j1
    subs r6, r6, r5
    ble .Ldone
    str r1, [sp, #S_ROWS]
    str r0, [sp, #S_ROW]
    str r6, [sp, #S_COLUMNS]
    add r2, r2, r5, lsl #1      @ r2: mask[j]
    add r3, r3, r5, lsl #1      @ r3: picture[j]
    add r4, r4, r5, lsl #1
    ldrh r7, [r4], #2           @ r7: runFrom[j], r4: runFrom[j + 1]

.Lcolumn:
    ldrh r8, [r2], #2
    ldrh r9, [r4], #2           @ the run's end
    ldrh r10, [r3], #2          @ the picture pixel
    mov r8, r8, lsr #5
    ands r8, r8, #63            @ a
    moveq r7, r9                @ 0: the next run starts where this one ends
    beq .Lnext
    ldr r5, [sp, #S_ROW]
    ldr r1, [sp, #S_ROWS]
    sub r6, r9, r7
    add r5, r5, r7, lsl #1      @ r5: the run in the first row
    mov r6, r6, lsl #1
    str r6, [sp, #S_LENGTH]
    str r1, [sp, #S_ROWS_LEFT]
    add r6, r5, r6              @ r6: its end
    mov r7, r9                  @ the next run's start
    cmp r8, #63
    beq .Lopaque

    bic r9, r10, #0x7E0
    and r10, r10, #0x7E0
    mul r11, r8, r9             @ r11: (p & 0xF81F) * a
    mul r12, r8, r10            @ r12: (p & 0x7E0) * a
    rsb r8, r8, #64             @ r8: w
    mov r0, #0x10000            @ under: no pixel, so the first one blends
.Lpixel:
    ldrh r1, [r5]
    add r5, r5, #2
    cmp r1, r0
    bne .Lblend
.Lstore:
    strh lr, [r5, #-2]
    cmp r5, r6
    blo .Lpixel
    NEXT_ROW .Lpixel
.Lblend:
    mov r0, r1
    bic r9, r1, #0x7E0
    and r10, r1, #0x7E0
    mla r9, r8, r9, r11
    mla r10, r8, r10, r12
    mov r9, r9, lsr #6
    bic r9, r9, #0x7E0
    mov r10, r10, lsr #6
    and r10, r10, #0x7E0
    orr lr, r9, r10
    b .Lstore

.Lopaque:
    strh r10, [r5], #2
    cmp r5, r6
    blo .Lopaque
    NEXT_ROW .Lopaque

.Lnext:
    ldr r1, [sp, #S_COLUMNS]
    subs r1, r1, #1
    str r1, [sp, #S_COLUMNS]
    bne .Lcolumn
.Ldone:
    add sp, sp, #S_SIZE
    ldmia sp!, {r4-r11, lr}
    bx lr
    .size drawMagnifiedRowsArmv4t, . - drawMagnifiedRowsArmv4t

    .section .note.GNU-stack,"",%progbits
