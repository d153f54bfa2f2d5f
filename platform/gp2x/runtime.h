// runtime.h - the program's own C run-time on the console: what the C
// library (newlib, built for no operating system) needs of the kernel, the
// POSIX calls the program makes that newlib leaves out, and the atomic
// operations that ARMv4T has no instructions for.
//
// The process starts in start.S. Memory comes from brk(2), threads from
// clone(2) (threads.cpp). There are two threads at most, on one processor:
// read-modify-write atomics and the allocator's lock take a spin lock made
// with swp that yields the processor while it is held elsewhere.
#pragma once

// Called, in the order registered, just before the process replaces itself
// with another program (execve), where exit handlers do not run: what the
// next program must find as it was (the terminal's settings).
void runtimeAtReplace(void (*hook)());

// The new thread's id, or the negated error. Starts entry(argument) on
// stackTop (8-byte aligned); the thread exits when entry returns.
extern "C" long runtimeClone(unsigned long flags, void* stackTop, void (*entry)(void*),
                             void* argument);

// The stack a thread made by runtimeClone runs on, so that runtimeThread()
// knows it.
void runtimeNoteThreadStack(const void* low, unsigned long size);
// Which thread calls: 1 for the main thread, 2 and on for those whose stacks
// were noted, found by the stack pointer alone (no system call).
int runtimeThread();
