// spin_lock.h - the console program's one lock, for its two threads on one
// processor.
//
// ARMv4T has one atomic instruction, swp (exchange a word with memory), and
// the console's kernel (2.4) has no futexes: a thread that finds the lock
// held yields the processor to the holder (sched_yield) and tries again.
// The thread that holds it may take it again (realloc calls malloc; one
// function-local static's constructor may make another): it counts how deep
// it is, and the lock opens when the count is back at zero. A thread is
// known by its stack (runtimeThread, runtime.h), without a system call.
#pragma once

#include <cstdint>

#include "platform/gp2x/runtime.h"
#include "platform/gp2x/system_calls.h"

class SpinLock {
  public:
    void lock() {
        const int self = runtimeThread();
        if (owner_ != self) {
            while (swapWord(&word_, 1) != 0) Sys::call<Sys::kSchedYield>();
            owner_ = self;
        }
        ++depth_;
    }

    void unlock() {
        if (--depth_ > 0) return;
        owner_ = 0;
        asm volatile("" ::: "memory");  // what the lock guarded is written before it opens
        word_ = 0;
    }

  private:
    static uint32_t swapWord(volatile uint32_t* word, uint32_t value) {
        uint32_t old;
        asm volatile("swp %0, %1, [%2]" : "=&r"(old) : "r"(value), "r"(word) : "memory");
        return old;
    }

    volatile uint32_t word_ = 0;
    volatile int owner_ = 0;  // runtimeThread() of the holder, 0 when open
    int depth_ = 0;           // changed by the holder only
};
