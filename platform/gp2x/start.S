/* start.S - where the console's kernel enters the program, and the start of
 * a thread. Plain ARMv4T: bx for every call through a register. */
    .syntax unified
    .arm

/* The kernel starts the process with sp at argc, then argv's pointers and
 * a null, then the environment's and a null. */
    .section .text._start, "ax", %progbits
    .global _start
    .type _start, %function
_start:
    mov     fp, #0
    mov     lr, #0
    ldr     r4, [sp]                /* argc */
    add     r5, sp, #4              /* argv */
    add     r6, r5, r4, lsl #2
    add     r6, r6, #4              /* envp */
    bic     sp, sp, #7              /* calls want an 8-byte aligned stack */
    ldr     r0, =environ
    str     r6, [r0]
    bl      __libc_init_array       /* the program's constructors */
    mov     r0, r4
    mov     r1, r5
    mov     r2, r6
    bl      main
    bl      exit
    .size _start, . - _start

/* long runtimeClone(unsigned long flags, void* stackTop,
 *                   void (*entry)(void*), void* argument)
 * clone(2) in the old convention. The parent gets the new thread's id (or
 * the negated error); the new thread starts on stackTop, runs
 * entry(argument), and exits alone. */
    .section .text.runtimeClone, "ax", %progbits
    .global runtimeClone
    .type runtimeClone, %function
runtimeClone:
    stmfd   sp!, {r4, r5, lr}
    mov     r4, r2
    mov     r5, r3
    swi     0x900078                /* clone(flags, stackTop) */
    cmp     r0, #0
    ldmfdne sp!, {r4, r5, lr}
    bxne    lr
    mov     fp, #0                  /* the new thread, on its own stack */
    mov     r0, r5
    mov     lr, pc
    bx      r4
    mov     r0, #0
    swi     0x900001                /* exit(0): this thread only */
    b       .
    .size runtimeClone, . - runtimeClone
