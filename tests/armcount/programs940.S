@ programs940.S - a bare program for the ARM940T model (count940), whose
@ cycles are worked out by hand beside each routine (cycle940_test.sh checks
@ them). It runs from address 0 out of reset, as code940.bin does; each
@ routine marks its start and end (mark940), and between two marks run the
@ marker's bx lr, the routine's body and the bl to the second mark. The
@ prologues drain the write buffer first, so that no part inherits a write.
@ It ends in a wait for interrupt, which ends the run.
    .syntax unified
    .arm
    .text
    .global _start
_start:
    ldr sp, =0x1F0000
    mov r0, #1000
    bl dataLoop             @ mark 2: everything off
    bl protect              @ mark 4: the regions, both caches on
    mov r0, #1000
    bl dataLoop             @ mark 6: the loop's last line filled
    mov r0, #1000
    bl dataLoop             @ mark 8: all cached
    ldr r0, =0x100000
    mov r1, #0x10000
    mov r2, #4
    bl stream               @ mark 10: 64 KB, a fill a line
    ldr r0, =0x180000
    mov r1, #64
    mov r2, #4
    bl stream               @ mark 12: 64 bytes, fills on the first pass
    ldr r0, =0x180000
    mov r1, #64
    mov r2, #4
    bl stream               @ mark 14: 64 bytes again, no fill
    mov r0, #100
    bl stores               @ mark 16: stores through the write buffer
    mov r0, #100
    bl stores               @ mark 18: the same, its code cached
    bl wrongWay             @ mark 20: the control block written back
    bl rightWay             @ mark 22: uncached, drained
    bl readSong             @ mark 24: a song line filled
    bl readSongAgain        @ mark 26: the main side wrote it at mark 24
    bl outside              @ mark 28: no region there
    mcr p15, 0, r0, c7, c0, 4

    .balign 16
    .global mark940
mark940:
    bx lr

@ The prologue of every routine: the write buffer drained, then the mark.
    .macro begin
    push {r4, r5, r6, lr}
    mov r4, r0
    mov r12, #0
    mcr p15, 0, r12, c7, c10, 4
    bl mark940
    .endm
    .macro end
    bl mark940
    pop {r4, r5, r6, lr}
    bx lr
    .endm

@ void dataLoop(unsigned n): 4 instructions an iteration, the taken bne 3.
@ Core: bx 3 + 6(n - 1) + 4 + bl 3 = 6n + 4. With nothing cached every
@ instruction is a word alone on the bus, and so are the two fetched past
@ each taken jump (bx, bl and n - 1 bne): 4n + 2 + 2(n + 1) = 6n + 4 words
@ of U cycles (an instruction's own cycle among them), and the two cycles of
@ each jump's refill beside them: (6n + 4)U + 2(n + 1) in all.
    .balign 16
dataLoop:
    begin
1:  add r1, r1, r2
    eor r3, r3, r1
    subs r4, r4, #1
    bne 1b
    end

@ The program's regions as code940.bin sets them (1: 2 MiB write-back, 2:
@ the control block uncached and bufferable, 3: 1 MiB of song written
@ through), both caches on.
protect:
    begin
    ldr r0, =(0x000000 | (20 << 1) | 1)
    mcr p15, 0, r0, c6, c1, 0
    mcr p15, 0, r0, c6, c1, 1
    ldr r0, =(0x200000 | (14 << 1) | 1)
    mcr p15, 0, r0, c6, c2, 0
    ldr r0, =(0x700000 | (19 << 1) | 1)
    mcr p15, 0, r0, c6, c3, 0
    mov r0, #0x0A
    mcr p15, 0, r0, c2, c0, 0
    mov r0, #0x02
    mcr p15, 0, r0, c2, c0, 1
    mov r0, #0x06
    mcr p15, 0, r0, c3, c0, 0
    ldr r0, =0x54
    mcr p15, 0, r0, c5, c0, 0
    mov r0, #0x04
    mcr p15, 0, r0, c5, c0, 1
    mrc p15, 0, r0, c1, c0, 0
    ldr r1, =0x1005
    orr r0, r0, r1
    mcr p15, 0, r0, c1, c0, 0
    end

@ void stream(const void* buffer, unsigned bytes, unsigned passes): one word
@ read from each 16-byte line, pass after pass. Core: bx 3 + mov 1 +
@ passes(2 + 5 lines - 2 + 1 + 3) - 2 + bl 3 = passes(5 lines + 4) + 5,
@ lines = bytes / 16. Through 64 KB every read misses the 4 KB cache (a line is replaced
@ long before the next pass: its segment fills 1024 lines a pass, at
@ random over 64). 64 bytes are a line in each segment, filled once: with
@ no other fill nothing replaces them.
    .balign 16
stream:
    begin
    mov r5, r2
1:  mov r3, r4
    add r6, r4, r1
2:  ldr r12, [r3], #16
    cmp r3, r6
    bne 2b
    subs r5, r5, #1
    bne 1b
    end

@ void stores(unsigned n): six words stored at 0x20010C, uncached and
@ bufferable: three buffer entries (1 word, the 4-word group at 0x200110,
@ 1 word), written one after the other in U + F + U cycles, then a drain.
@ The stm takes 6 cycles, so the drain waits 2U + F - 6 of them. Core:
@ bx 3 + ldr 1 + 11(n - 1) + 9 + bl 3 = 11n + 5, and 1 interlock (the stm's
@ base, loaded just before).
    .balign 16
stores:
    begin
    ldr r1, =0x20010C
1:  stmia r1, {r2, r3, r5, r6, r7, r8}
    mcr p15, 0, r12, c7, c10, 4
    subs r4, r4, #1
    bne 1b
    end

@ The control block's region made write-back: a load of `playing` (a word
@ the main side writes) comes from a line, a sample stored into a line
@ fetched before stays there, and block 0's `full` is set with no drain
@ after its samples: one of each fault.
wrongWay:
    begin
    mov r0, #0x0E
    mcr p15, 0, r0, c2, c0, 0
    ldr r1, =0x200000
    ldr r2, [r1, #4]
    ldr r2, [r1, #0x20]
    str r2, [r1, #0x20]
    mov r3, #1
    str r3, [r1, #0x18]
    end

@ The same uncached and bufferable, the write buffer drained before the
@ flag: none.
rightWay:
    begin
    mov r0, #0x0A
    mcr p15, 0, r0, c2, c0, 0
    ldr r1, =0x200000
    ldr r2, [r1, #4]
    str r2, [r1, #0x20]
    mcr p15, 0, r12, c7, c10, 4
    mov r3, #1
    str r3, [r1, #0x18]
    end

@ A line of the song read into the cache; the main side then writes it
@ (count940 --touch at the mark that ends this part).
readSong:
    begin
    ldr r1, =0x700000
    ldr r2, [r1]
    end

@ Read again, it is stale: one fault. Every line cleaned and flushed, the
@ next read fills it anew: no fault.
readSongAgain:
    begin
    ldr r1, =0x700000
    ldr r2, [r1]
    mov r0, #(3 << 4)
1:  orr r3, r0, #(63 << 26)
2:  mcr p15, 0, r3, c7, c14, 2
    subs r3, r3, #(1 << 26)
    bcs 2b
    subs r0, r0, #(1 << 4)
    bcs 1b
    ldr r2, [r1]
    end

@ A load where no region is: the device would abort.
outside:
    begin
    ldr r1, =0x400000
    ldr r2, [r1]
    end

    .ltorg
