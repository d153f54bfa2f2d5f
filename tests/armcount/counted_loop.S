@ counted_loop.S - ARMv4T code whose instruction count is known exactly, for
@ the instruction counter's test.
    .syntax unified
    .arm
    .text

@ The marker: the counter cuts its count on this instruction.
    .global armcountTestMark
    .type armcountTestMark, %function
armcountTestMark:
    bx lr

@ void countedLoop(unsigned n), n >= 1. From the first mark to the second the
@ first thread executes 2n + 2 instructions: the marker's bx, n times subs and
@ bne, then the bl to the second mark.
    .global countedLoop
    .type countedLoop, %function
countedLoop:
    push {r4, lr}
    mov r4, r0
    bl armcountTestMark
    .global countedLoopBody
countedLoopBody:
    subs r4, r4, #1
    bne countedLoopBody
    bl armcountTestMark
    pop {r4, lr}
    bx lr

    .section .note.GNU-stack,"",%progbits
