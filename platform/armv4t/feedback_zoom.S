@ feedback_zoom.S - the particle field's zoom for the ARM920T (ARMv4T, ARM
@ state): zoomFeedbackPictureArmv4t(from, to), scenes/feedback_picture.h's
@ zoomFeedbackPicture, the same pixels as its C++.
@
@ Contract: for the 140 rows y and 320 columns x of two 320 x 140 pictures,
@ to[y * 320 + x] := from[sy * 320 + sx] with sx = (885760 + 60000 x) >> 16
@ and sy = (387520 + 60000 y) >> 16. ARMv4T instructions only; self-
@ contained, like block_copy.S beside it.
@
@ How: every column's source column is a constant, so the assembler works
@ each one out and a row is a straight run of loads: sixteen columns a block,
@ two to a register (the left one in the low half), stored with one STM of
@ eight words, a whole cache line of the destination and one entry of the
@ write buffer. A block's loads are offsets from its first source column,
@ the pointer stepped between blocks (a halfword load reaches 255 bytes).
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
.endm

    .global zoomFeedbackPictureArmv4t
    .type zoomFeedbackPictureArmv4t, %function
    .p2align 2
zoomFeedbackPictureArmv4t:
    stmdb sp!, {r4-r11, lr}
    mov r2, r0                  @ the source picture
    mov r0, r1                  @ the next destination block
    ldr r3, =START_Y            @ 16.16 source row
.Lrow:
    mov r1, r3, lsr #16
    add r1, r1, r1, lsl #2
    add r1, r2, r1, lsl #7      @ the source row: 640 bytes a row
    add r1, r1, #2 * (START_X >> 16)
    .irp b, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19
    BLOCK \b
    .endr
    add r3, r3, #(STEP & 0xFF00)
    add r3, r3, #(STEP & 0xFF)
    ldr r12, =START_Y + 140 * STEP
    cmp r3, r12
    blo .Lrow
    ldmia sp!, {r4-r11, lr}
    bx lr
    .ltorg
    .size zoomFeedbackPictureArmv4t, . - zoomFeedbackPictureArmv4t

    .section .note.GNU-stack,"",%progbits
