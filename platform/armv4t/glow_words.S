@ glow_words.S - a tinted glow sprite's light added to the screen for the
@ ARM920T (ARMv4T, ARM state): addGlowWordsArmv4t(screen, glow, phase),
@ what scenes/glow_sprite.cpp's drawTintedByWords does for a sprite inside
@ its window, the same pixels.
@
@ Contract: screen is the word of the screen holding the sprite row 0's word 0
@ (word-aligned; phase 0: the sprite's column 0 in its low half, 1: in its
@ high half); glow a TintedGlow (scenes/glow_sprite.h: light at 0, words at
@ 512 as [2][16][9], firstWord at 1664 and wordCount at 1696 as [2][16],
@ firstRow at 1728, endRow at 1729). For rows firstRow .. endRow - 1, each
@ of the row's wordCount words from its firstWord on is added to the screen
@ word 160 * row + firstWord + k later, two pixels at a time, every channel
@ saturating (rgb565AddSatPair in fixed/colour.h). ARMv4T instructions
@ only; self-contained, like block_copy.S beside it.
@
@ The math of a saturating add of two pixels a word, T the top bit of each
@ channel (0x84108410): low = (a & ~T) + (b & ~T) carries into the top bits
@ and never past them; the sum, less each channel's carry out, is low ^ ((a
@ ^ b) & T); the carries out are ((a & b) | ((a | b) & low)) & T; a channel
@ that carries out becomes all ones: its carry c, c - (c >> 4) (the four
@ bits below it), and for green's sixth bit (c >> 5) & 0x00200020. Sixteen
@ operations a word, the words of a row unrolled and entered part-way.
    .syntax unified
    .arch armv4t
    .arm
    .text

    .equ G_WORDS, 512
    .equ G_FIRST_WORD, 1664
    .equ G_WORD_COUNT, 1696
    .equ G_FIRST_ROW, 1728
    .equ G_END_ROW, 1729
    .equ ROW_WORDS, 36          @ 9 words of light a sprite row

@ One word: r10 the screen word, r11 the light word, both stepped on; r8 T,
@ r9 0x00200020.
.macro ADD_WORD
    ldr r2, [r11], #4
    ldr r1, [r10]
    bic r4, r2, r8
    bic r3, r1, r8
    add r3, r3, r4              @ low
    orr r4, r1, r2
    and r4, r4, r3
    and r12, r1, r2
    eor r1, r1, r2
    orr r12, r12, r4
    and r1, r1, r8
    and r12, r12, r8            @ the carries out
    eor r1, r1, r3              @ the sum less them
    orr r1, r1, r12
    sub lr, r12, r12, lsr #4
    orr r1, r1, lr
    and lr, r9, r12, lsr #5
    orr r1, r1, lr
    str r1, [r10], #4
.endm

    .global addGlowWordsArmv4t
    .type addGlowWordsArmv4t, %function
    .p2align 2
addGlowWordsArmv4t:
    stmdb sp!, {r4-r11, lr}
    ldrb r4, [r1, #G_FIRST_ROW]
    ldrb r5, [r1, #G_END_ROW]
    add r6, r1, #G_WORDS
    add r6, r6, r2, lsl #9
    add r6, r6, r2, lsl #6      @ words[phase]
    add r7, r1, #G_FIRST_WORD
    add r7, r7, r2, lsl #4      @ firstWord[phase]; its wordCount 32 on
    subs r5, r5, r4             @ rows
    ble .Ldone
    ldr r8, =0x84108410
    ldr r9, =0x00200020
    add r7, r7, r4
    add r6, r6, r4, lsl #5
    add r6, r6, r4, lsl #2      @ the first row's light
    add r4, r4, r4, lsl #2
    add r0, r0, r4, lsl #7      @ its screen row: 640 bytes a row
.Lrow:
    ldrb r2, [r7, #G_WORD_COUNT - G_FIRST_WORD]
    ldrb r3, [r7], #1
    cmp r2, #0
    beq .Lnext                  @ nothing lit in this row
    rsb r4, r2, #9              @ the words of the nine not added
    add r10, r0, r3, lsl #2
    add r11, r6, r3, lsl #2
    add r2, r4, r4, lsl #1
    add r2, r2, r4, lsl #4      @ 19 instructions a word
    add pc, pc, r2, lsl #2
    nop
    .rept 9
    ADD_WORD
    .endr
.Lnext:
    add r0, r0, #640
    add r6, r6, #ROW_WORDS
    subs r5, r5, #1
    bne .Lrow
.Ldone:
    ldmia sp!, {r4-r11, lr}
    bx lr
    .ltorg
    .size addGlowWordsArmv4t, . - addGlowWordsArmv4t

    .section .note.GNU-stack,"",%progbits
