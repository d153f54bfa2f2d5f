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
stopped:
    mcr p15, 0, r0, c7, c0, 4
    b stopped
