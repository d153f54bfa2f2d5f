@ textured_rows.S - the rows of a textured triangle for the ARM920T (ARMv4T,
@ ARM state): drawTexturedRowsArmv4t(job), engine3d/textured_rows.h's
@ drawTexturedRows, the same pixels, depths and noted columns as its C++.
@
@ Contract (the job's layout, 32-bit words):
@   0 pixels, 4 depth, 8 texels (256 x 256), 12 depthLeft, 16 depthRight
@   (int16 a row), 20 left (>= 0), 24 right (<= 320), 28 first, 32 second
@   (edges: x u v z dx du dv dz, 16.16, x within +-16383 pixels), 36 row
@   (0..239), 40 rows (every row within 0..239).
@ For each row: the span between first.x >> 16 and second.x >> 16 (in either
@ order) from u, v, z at each end; then both edges step by their increments
@ (the edges are left stepped past the last row). Uses r0-r12 and lr, saves
@ what the procedure call standard asks; ARMv4T instructions only;
@ self-contained, like block_copy.S beside it.
@
@ The math of a span, start (xs, us, vs, zs) left of end (xe, ue, ve, ze),
@ width w = xe - xs:
@   inv = floor(65536 / w)
@   du  = (inv * (ue - us)) >> 16, cut to 32 bits
@ and dv, dz alike. For w of 3 or more that is the high word of SMULL of
@ (inv << 16) and the delta (a table of inv << 16 below 512, else 8 steps of
@ restoring division: inv < 128); for w = 1 the delta itself, for w = 2 the
@ delta >> 1 (arithmetic), whose inv << 16 would not fit a signed word.
@ Columns before `left` (and before 0) are passed with one MLA each;
@ columns from min(xe, right) on are not drawn. A pixel:
@   if depth > z: depth = z, pixel = texels[((v8 >> 15) & 0x1FE00) | (u >> 16) << 1]
@ with v8 = v << 8 (its row byte lands on bits 9..16 of the byte offset, u's
@ upper bits spill into it as the C++ index does): 11 instructions, eight
@ to a loop, entered part-way for the remainder; spans of one or two columns
@ go straight. The edge that is left is usually first (the caller passes it
@ so); a row where they cross swaps them.
    .syntax unified
    .arch armv4t
    .arm
    .text

    .equ J_PIXELS, 0
    .equ J_DEPTH, 4
    .equ J_TEXELS, 8
    .equ J_NOTE_LEFT, 12
    .equ J_NOTE_RIGHT, 16
    .equ J_LEFT, 20
    .equ J_RIGHT, 24
    .equ J_FIRST, 28
    .equ J_SECOND, 32
    .equ J_ROW, 36
    .equ J_ROWS, 40

    @ The stack frame: the edges, then what every row reads.
    .equ S_FIRST, 0
    .equ S_SECOND, 4
    .equ S_LEFT, 8
    .equ S_RIGHT, 12
    .equ S_TABLE, 16
    .equ S_NOTE_LEFT, 20
    .equ S_NOTE_RIGHT, 24
    .equ S_DEPTH, 28
    .equ S_PIXELS, 32
    .equ S_TEXELS, 36
    .equ S_Y, 40
    .equ S_ROWS, 44
    .equ S_SIZE, 48

@ One pixel of a run, k columns into the group of eight. r2 u, r3 v8, r4 z,
@ r6 du, r7 dv8, r8 dz, r9 depth, r10 pixels, r11 texels, r12 0x1FE00.
.macro PIXEL k
    ldr r0, [r9, #4*\k]
    mov r1, r2, lsr #16
    and lr, r12, r3, lsr #15
    orr lr, lr, r1, lsl #1
    cmp r0, r4
    strgt r4, [r9, #4*\k]
    ldrhgt r1, [r11, lr]
    add r2, r2, r6
    add r3, r3, r7
    add r4, r4, r8
    strhgt r1, [r10, #2*\k]
.endm

@ One pixel, k columns in, of a span of one or two: r2 u, r3 v (not shifted),
@ r4 z, r9 depth, r10 pixels, r11 texels.
.macro SHORT_PIXEL k
    ldr r0, [r9, #4*\k]
    and r12, r3, #0xFF0000
    mov lr, r2, lsr #16
    mov r12, r12, lsr #7
    orr r12, r12, lr, lsl #1
    cmp r0, r4
    strgt r4, [r9, #4*\k]
    ldrhgt r1, [r11, r12]
    strhgt r1, [r10, #2*\k]
.endm

    .global drawTexturedRowsArmv4t
    .type drawTexturedRowsArmv4t, %function
    .p2align 2
drawTexturedRowsArmv4t:
    ldr r1, [r0, #J_ROWS]
    cmp r1, #0
    bxle lr
    stmdb sp!, {r4-r11, lr}
    sub sp, sp, #S_SIZE
    ldmia r0, {r2-r10}          @ pixels depth texels noteLeft noteRight left right first second
    ldr r11, [r0, #J_ROW]
    str r9, [sp, #S_FIRST]
    str r10, [sp, #S_SECOND]
    str r7, [sp, #S_LEFT]
    str r8, [sp, #S_RIGHT]
    str r1, [sp, #S_ROWS]
    str r11, [sp, #S_Y]
    str r2, [sp, #S_PIXELS]
    str r3, [sp, #S_DEPTH]
    str r4, [sp, #S_TEXELS]
    str r5, [sp, #S_NOTE_LEFT]
    str r6, [sp, #S_NOTE_RIGHT]
    ldr r0, =.Lreciprocals
    str r0, [sp, #S_TABLE]

.Lrow:
    @ Both edges: this row's x, u, v, z into r1-r4 (first) and r5-r8
    @ (second), the next row's stored.
    ldmia sp, {r0, r12}
    ldmia r0, {r1-r8}
    add r5, r1, r5
    add r6, r2, r6
    add r7, r3, r7
    add r8, r4, r8
    stmia r0, {r5-r8}
    ldmia r12, {r5-r11, lr}
    add r9, r5, r9
    add r10, r6, r10
    add r11, r7, r11
    add lr, r8, lr
    stmia r12, {r9-r11, lr}
    mov r1, r1, asr #16
    mov r5, r5, asr #16
    cmp r1, r5
    bgt .Lcrossed
.Lordered:
    @ r1-r4: xs us vs zs, r5-r8: xe ue ve ze, xs <= xe.
    cmp r5, #0
    blt .Lnext                  @ both ends left of column 0
    cmp r1, #320
    bge .Lnext                  @ both at 320 or beyond
    ldr r10, [sp, #S_LEFT]
    ldr r11, [sp, #S_RIGHT]
    subs r9, r5, r1             @ the width
    beq .Lnext
    subs r10, r10, r1           @ columns passed before the first drawn
    movlt r10, #0
    cmp r5, r11
    movgt r5, r11               @ r5: the end
    add r0, r1, r10             @ r0: the first column drawn
    cmp r0, r5
    bge .Lnext

    @ du, dv, dz: the deltas themselves over one column, halved over two,
    @ else the high word of (inv << 16) * delta.
    sub r6, r6, r2
    sub r7, r7, r3
    sub r8, r8, r4
    cmp r9, #2
    bls .Lnarrow
    cmp r9, #512
    bhs .Lwide
    ldr r11, [sp, #S_TABLE]
    ldr r9, [r11, r9, lsl #2]   @ inv << 16
.Lsteps:
    smull r11, r6, r9, r6
    smull r11, r7, r9, r7
    smull r11, r8, r9, r8
.Lstepped:
    cmp r10, #0
    bne .Lpass
.Lpassed:
    @ The columns noted: depthLeft[y] = min(it, first), depthRight[y] =
    @ max(it, end).
    ldr r11, [sp, #S_Y]
    ldr lr, [sp, #S_NOTE_LEFT]
    ldr r10, [sp, #S_NOTE_RIGHT]
    mov r1, r11, lsl #1
    ldrsh r9, [lr, r1]
    ldrsh r12, [r10, r1]
    add r11, r11, r11, lsl #2   @ y * 5
    cmp r9, r0
    strhgt r0, [lr, r1]
    cmp r12, r5
    strhlt r5, [r10, r1]
    ldr r9, [sp, #S_DEPTH]
    ldr r10, [sp, #S_PIXELS]
    add r11, r0, r11, lsl #6    @ y * 320 + first
    sub r5, r5, r0              @ the columns to draw
    add r9, r9, r11, lsl #2
    add r10, r10, r11, lsl #1
    ldr r11, [sp, #S_TEXELS]
    cmp r5, #2
    bls .Lshort
    mov r12, #0xFF
    mov r12, r12, lsl #9        @ 0x1FE00
    mov r3, r3, lsl #8
    mov r7, r7, lsl #8
    @ Eight pixels a loop, the first group entered k = (-count) & 7 pixels
    @ in, its pointers moved back by k.
    rsb r1, r5, #0
    and r1, r1, #7
    add r5, r5, #7
    mov r5, r5, lsr #3          @ groups
    sub r9, r9, r1, lsl #2
    sub r10, r10, r1, lsl #1
    add lr, r1, r1, lsl #1
    rsb lr, r1, lr, lsl #2      @ 11k: each pixel is 11 instructions
    add pc, pc, lr, lsl #2
    nop
.Lgroup:
    PIXEL 0
    PIXEL 1
    PIXEL 2
    PIXEL 3
    PIXEL 4
    PIXEL 5
    PIXEL 6
    PIXEL 7
    add r9, r9, #32
    add r10, r10, #16
    subs r5, r5, #1
    bne .Lgroup

.Lnext:
    ldr r0, [sp, #S_Y]
    ldr r1, [sp, #S_ROWS]
    add r0, r0, #1
    subs r1, r1, #1
    str r0, [sp, #S_Y]
    str r1, [sp, #S_ROWS]
    bne .Lrow
    add sp, sp, #S_SIZE
    ldmia sp!, {r4-r11, lr}
    bx lr

@ One or two columns, the commonest spans of a sliver: the pixels straight,
@ the texel's byte offset from v's bits 16..23 and u's upper half.
.Lshort:
    SHORT_PIXEL 0
    cmp r5, #2
    bne .Lnext
    add r2, r2, r6
    add r3, r3, r7
    add r4, r4, r8
    SHORT_PIXEL 1
    b .Lnext

@ The edges crossed: the second is left on this row.
.Lcrossed:
    mov r0, r1
    mov r9, r2
    mov r10, r3
    mov r11, r4
    mov r1, r5
    mov r2, r6
    mov r3, r7
    mov r4, r8
    mov r5, r0
    mov r6, r9
    mov r7, r10
    mov r8, r11
    b .Lordered

@ One column: inv is 65536, each step the delta; two: inv 32768, the delta
@ halved (rounding down, as the product's shift does).
.Lnarrow:
    cmp r9, #1
    movne r6, r6, asr #1
    movne r7, r7, asr #1
    movne r8, r8, asr #1
    b .Lstepped

@ The columns before the first drawn (r10 of them) passed in one step each.
.Lpass:
    mla r2, r6, r10, r2
    mla r3, r7, r10, r3
    mla r4, r8, r10, r4
    b .Lpassed

@ A span of 512 columns or more: inv = 65536 / width below 128, a bit a step.
.Lwide:
    mov r11, #65536             @ the remainder
    mov r12, r9                 @ the width
    mov r9, #0
    .irp k, 7, 6, 5, 4, 3, 2, 1, 0
    cmp r11, r12, lsl #\k
    subhs r11, r11, r12, lsl #\k
    addhs r9, r9, #(1 << \k)
    .endr
    mov r9, r9, lsl #16
    b .Lsteps
    .ltorg
    .size drawTexturedRowsArmv4t, . - drawTexturedRowsArmv4t

    .section .rodata
    .p2align 2
@ floor(65536 / n) << 16 for n = 3..511 (entries 0..2 never read: for 2
@ and 1 the shifted value would not fit a signed word).
.Lreciprocals:
    .word 0, 0, 0
    .set n, 3
    .rept 509
    .word (65536 / n) << 16
    .set n, n + 1
    .endr

    .section .note.GNU-stack,"",%progbits
