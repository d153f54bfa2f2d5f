@ feedback_zoom.S - the particle field's zoom for the ARM920T (ARMv4T, ARM
@ state): zoomFeedbackRowsArmv4t(zoom, lastSourceRow), scenes/
@ feedback_picture.h's zoomFeedbackRows, the same pixels as its C++.
@
@ Contract: zoom is a FeedbackZoom (32-bit words: 0 from, 4 to, 8 screen, 12
@ row). From row `row` on, while row < 140 and its source row sy = (387520 +
@ 60000 row) >> 16 is at most lastSourceRow: both to and screen get, at row
@ * 320 + x for x = 0..319, from[sy * 320 + sx] with sx = (885760 + 60000 x)
@ >> 16; row is left after the last row written. ARMv4T instructions only;
@ self-contained, like block_copy.S beside it.
@
@ How: every column's source column is a constant, so the assembler works
@ each one out and a row is a straight run of loads: sixteen columns a block,
@ two to a register (the left one in the low half), stored with one STM of
@ eight words to each place, a whole cache line and one entry of the write
@ buffer. A block's loads are offsets from its first source column, the
@ pointer stepped between blocks (a halfword load reaches 255 bytes).
    .syntax unified
    .arch armv4t
    .arm
    .text

    .equ START_X, 885760
    .equ START_Y, 387520
    .equ STEP, 60000

@ The byte offset of column x's source from column `base`'s.
.macro SOURCE reg, x
    ldrh \reg, [r1, #2 * (((START_X + STEP * (\x)) >> 16) - base)]
.endm

@ Columns 16b .. 16b + 15 into r4-r11, stored; r1 stepped to the next
@ block's first source column. Each pair's right column is loaded into r12
@ or lr and or'ed in three loads later, when no load waits on it.
.macro BLOCK b
    .set base, (START_X + STEP * 16 * (\b)) >> 16
    SOURCE r4, 16*\b
    SOURCE r12, 16*\b + 1
    SOURCE r5, 16*\b + 2
    SOURCE lr, 16*\b + 3
    orr r4, r4, r12, lsl #16
    SOURCE r6, 16*\b + 4
    SOURCE r12, 16*\b + 5
    orr r5, r5, lr, lsl #16
    SOURCE r7, 16*\b + 6
    SOURCE lr, 16*\b + 7
    orr r6, r6, r12, lsl #16
    SOURCE r8, 16*\b + 8
    SOURCE r12, 16*\b + 9
    orr r7, r7, lr, lsl #16
    SOURCE r9, 16*\b + 10
    SOURCE lr, 16*\b + 11
    orr r8, r8, r12, lsl #16
    SOURCE r10, 16*\b + 12
    SOURCE r12, 16*\b + 13
    orr r9, r9, lr, lsl #16
    SOURCE r11, 16*\b + 14
    SOURCE lr, 16*\b + 15
    orr r10, r10, r12, lsl #16
    add r1, r1, #2 * (((START_X + STEP * 16 * (\b + 1)) >> 16) - base)
    orr r11, r11, lr, lsl #16
    stmia r0!, {r4-r11}
    stmia r2!, {r4-r11}
.endm

    .equ Z_FROM, 0
    .equ Z_TO, 4
    .equ Z_SCREEN, 8
    .equ Z_ROW, 12

    .global zoomFeedbackRowsArmv4t
    .type zoomFeedbackRowsArmv4t, %function
    .p2align 2
zoomFeedbackRowsArmv4t:
    stmdb sp!, {r1, r4-r11, lr}     @ lastSourceRow at [sp]
    mov r3, r0                  @ the zoom
.Lrow:
    ldr r12, [r3, #Z_ROW]
    ldr lr, =STEP
    cmp r12, #140
    bge .Ldone
    mul r1, r12, lr
    ldr lr, =START_Y
    ldr r0, [sp]
    add r1, r1, lr
    mov r1, r1, lsr #16         @ the source row
    cmp r1, r0
    bgt .Ldone
    ldr lr, [r3, #Z_FROM]
    add r1, r1, r1, lsl #2
    add r1, lr, r1, lsl #7      @ 640 bytes a row
    add r1, r1, #2 * (START_X >> 16)
    add lr, r12, r12, lsl #2
    ldr r0, [r3, #Z_TO]
    ldr r2, [r3, #Z_SCREEN]
    add r12, r12, #1
    str r12, [r3, #Z_ROW]
    add r0, r0, lr, lsl #7
    add r2, r2, lr, lsl #7
    .irp b, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19
    BLOCK \b
    .endr
    b .Lrow
.Ldone:
    ldmia sp!, {r1, r4-r11, lr}
    bx lr
    .ltorg
    .size zoomFeedbackRowsArmv4t, . - zoomFeedbackRowsArmv4t

    .section .note.GNU-stack,"",%progbits
