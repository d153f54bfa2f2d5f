/* start.S - the first bytes of code940.bin: the exception vectors at address 0,
 * the image header, and the start-up that runs out of reset.
 *
 * Out of reset the processor runs from address 0 in supervisor mode with its
 * interrupts masked. Start-up sets the stack (code940.ld puts it at the top of
 * the program's 2 MiB, below the control block), zeroes .bss and calls main,
 * which never returns. Any other exception is a fault of the program: it
 * stops in a loop of wait-for-interrupt, which an emulator also sees as idle.
 */
#include "platform/code940/code940_layout.h"

    .arm
    .section .vectors, "ax"
    .global _start
_start:
    b reset
    b stopped           /* undefined instruction */
    b stopped           /* software interrupt */
    b stopped           /* prefetch abort */
    b stopped           /* data abort */
    b stopped           /* reserved */
    b stopped           /* IRQ */
    b stopped           /* FIQ */

    .org CODE940_HEADER_OFFSET
    .word CODE940_MAGIC_LOW
    .word CODE940_MAGIC_HIGH
    .word CODE940_VERSION
    .word 0             /* length: filled by the build */
    .word __code_end    /* what the checksum covers */
    .word 0             /* checksum: filled by the build */
    .word idleBriefly

    .text
reset:
    ldr sp, =__stack_top
    ldr r0, =__bss_start
    ldr r1, =__bss_end
    mov r2, #0
1:  cmp r0, r1
    strlo r2, [r0], #4
    blo 1b
    bl main

/* The program's wait when it has nothing to do: about 50 us at 200 MHz
 * (2560 passes of 4 cycles, a taken branch costing 3) in registers alone, so
 * that the bus stays free for the main processor. Nothing on the console
 * interrupts this processor (the main side switches the inter-processor
 * interrupts off and never raises one), so a wait for an interrupt would
 * never end: the program counts instead and looks at the control block
 * again. An emulator finds this routine through the header and sleeps there
 * until the main side writes, rather than counting. */
    .global idleBriefly
idleBriefly:
    mov r0, #2560
1:  subs r0, r0, #1
    bne 1b
    bx lr

stopped:
    mcr p15, 0, r0, c7, c0, 4
    b stopped
