// runtime.h - the console program's own run-time, beneath the C library.
//
// The console runs Linux 2.4 on an ARM920T (ARMv4T), with the old ARM
// system-call convention (OABI), which no C library that Debian ships
// speaks. So the program is linked statically with newlib (built for no
// operating system) and the C++ library, and this folder gives them what an
// operating system's C library would:
//
//   start.S          where the kernel enters (_start: constructors, main,
//                    exit) and the start of a thread (runtimeClone)
//   system_calls.h   the kernel's calls, made directly (swi 0x900000 + n)
//   system_calls.cpp the POSIX calls the program makes that newlib leaves out
//                    (ioctl, mmap, poll, chdir, execl, usleep)
//   c_library.cpp    what newlib asks of the system (_open, _read, _sbrk,
//                    _execve, the allocator's lock, ...), and the error texts,
//                    worded as the desktop's C library words them
//   threads.cpp      the audio thread (clone), and which thread is calling
//   spin_lock.h      the one lock of the two threads (swp)
//   atomics.cpp      the atomic operations ARMv4T has no instructions for
//   cxx_abi.cpp      C++ without exceptions: allocation, the library's
//                    throwing paths and the guards of function-local statics
//
// Memory comes from brk(2); there are two threads at most (the main thread
// and the audio thread), on one processor, so a plain load or store is
// atomic and in order, and every read-modify-write goes under the spin lock.
// newlib keeps one errno and one set of stdio buffers for the process: the
// audio thread prints and reads files only during its start-up, while the
// main thread waits for it.
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
