@ feedback_blur.S - the particle field's blur for the ARM920T (ARMv4T, ARM
@ state): blurFeedbackPictureArmv4t(picture, zoom), scenes/
@ feedback_picture.h's blurFeedbackPicture, the same pixels as its C++
@ (blurFeedbackPictureByRows); with a zoom (not null), each row of it as
@ soon as the rows it reads are blurred (zoomFeedbackRowsArmv4t, called
@ after every row with that row's number).
@
@ Contract: in place over the 320 x 140 picture's indices 322..44479, in
@ order, each pixel the average of its right, left, upper and lower
@ neighbours as they stand (red, blue: sum >> 2; green: sum >> 3 in the upper
@ five bits of its field). Reads nothing past the picture; 1284 bytes of
@ stack; ARMv4T instructions only; self-contained, like block_copy.S beside it.
@
@ The math: a pixel spread to one word, S(c) = (c | c << 16) & 0x07E0F81F
@ (red and blue in place, green at bits 21..26), leaves room for four to be
@ summed. With V_j pixel j spread as it stands and O_j as it was, pixel i's
@ sum is Q_(i-1) + Q_(i-320), where Q_j = V_j + O_(j+321): each pixel adds
@ the Q of the pixel before it (a register) and the one a row back (a ring
@ of 320 words on the stack), masks the sum >> 2 with 0x07C0F81F (that is
@ V_i), stores V_i | V_i >> 16 as the pixel and leaves V_i + S(O_(i+321)) in
@ the ring: ten instructions, eight pixels a loop, a row of 40 loops (the
@ first row entered two pixels in). The last row's last eight pixels go one
@ at a time, the very last leaving no Q (there is no pixel 321 on).
    .syntax unified
    .arch armv4t
    .arm
    .text

@ One pixel, k into the group. r0: the pixel, r2: the pixel 321 on, r1: the
@ ring slot, r9: the Q before, r10: 0x07E0F81F, r11: 0x07C0F81F.
.macro BLUR k
    ldr r3, [r1, #4*\k]
    ldrh r5, [r2, #2*\k]
    add r3, r3, r9
    and r4, r11, r3, lsr #2
    orr r3, r4, r4, lsr #16
    strh r3, [r0, #2*\k]
    orr r5, r5, r5, lsl #16
    and r5, r5, r10
    add r9, r4, r5
    str r9, [r1, #4*\k]
.endm

@ The zoom's rows that read rows up to the one just blurred, 139 - r8; the
@ pointers kept (the last row's last pixels follow one).
.macro ZOOM_AFTER_ROW
    ldr r3, [sp, #1280]
    cmp r3, #0
    beq 1f
    stmdb sp!, {r0-r3}
    mov r0, r3
    rsb r1, r8, #139
    bl zoomFeedbackRowsArmv4t
    ldmia sp!, {r0-r3}
1:
.endm

    .global blurFeedbackPictureArmv4t
    .type blurFeedbackPictureArmv4t, %function
    .p2align 2
blurFeedbackPictureArmv4t:
    stmdb sp!, {r4-r11, lr}
    sub sp, sp, #1280
    sub sp, sp, #4
    str r1, [sp, #1280]         @ the zoom
    ldr r10, =0x07E0F81F
    ldr r11, =0x07C0F81F
    @ The ring: Q_j = S(O_j) + S(O_(j+321)) for j = 2..321, in slot j mod 320.
    add r1, sp, #8
    add r6, sp, #1280           @ the end of the ring
    add r2, r0, #4              @ pixel 2
    add r7, r0, #640
    add r7, r7, #6              @ pixel 323
    mov r8, #320
.Linit:
    ldrh r3, [r2], #2
    ldrh r5, [r7], #2
    cmp r1, r6
    moveq r1, sp                @ slots 0 and 1 for pixels 320 and 321
    orr r3, r3, r3, lsl #16
    and r3, r3, r10
    orr r5, r5, r5, lsl #16
    and r5, r5, r10
    add r3, r3, r5
    str r3, [r1], #4
    subs r8, r8, #1
    bne .Linit
    ldr r9, [sp, #4]            @ Q_321

    add r0, r0, #640            @ row 1, column 0
    add r2, r0, #640
    add r2, r2, #2              @ 321 on
    mov r1, sp
    mov r8, #138                @ rows 1..138
    mov r7, #40
    b .Lentry                   @ row 1 from column 2
.Lrow:
    mov r1, sp
    cmp r8, #1
    moveq r7, #39               @ the last row: its last eight apart
    movne r7, #40
.Lgroup:
    BLUR 0
    BLUR 1
.Lentry:
    BLUR 2
    BLUR 3
    BLUR 4
    BLUR 5
    BLUR 6
    BLUR 7
    add r0, r0, #16
    add r2, r2, #16
    add r1, r1, #32
    subs r7, r7, #1
    bne .Lgroup
    ZOOM_AFTER_ROW
    subs r8, r8, #1
    bne .Lrow

    @ Columns 312..318 of row 138, then 319 with no Q after it.
    mov r7, #7
.Ltail:
    BLUR 0
    add r0, r0, #2
    add r2, r2, #2
    add r1, r1, #4
    subs r7, r7, #1
    bne .Ltail
    ldr r3, [r1]
    add r3, r3, r9
    and r4, r11, r3, lsr #2
    orr r3, r4, r4, lsr #16
    strh r3, [r0]
    ZOOM_AFTER_ROW

    add sp, sp, #1280
    add sp, sp, #4
    ldmia sp!, {r4-r11, lr}
    bx lr
    .ltorg
    .size blurFeedbackPictureArmv4t, . - blurFeedbackPictureArmv4t

    .section .note.GNU-stack,"",%progbits
