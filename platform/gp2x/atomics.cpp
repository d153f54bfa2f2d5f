// The atomic operations the compiler calls where ARMv4T has no instruction
// for them (libatomic's entry points, for 1, 2 and 4 bytes): each
// read-modify-write under the one spin lock. Loads and stores need no call:
// on one processor, in order, a plain one is atomic.
#include <stdint.h>

#include "platform/gp2x/spin_lock.h"

namespace {

SpinLock gAtomicLock;

}  // namespace

extern "C" {

// On one processor with in-order memory, a call the compiler cannot see
// through is all the ordering the two threads need. The second processor
// sees the sound control block through uncached memory.
void __sync_synchronize() {
    asm volatile("" ::: "memory");
}

}  // extern "C"

namespace {

template <typename Word, typename Change>
Word update(volatile void* address, Change change, bool returnNew) {
    auto* word = static_cast<volatile Word*>(address);
    gAtomicLock.lock();
    const Word old = *word;
    const Word changed = change(old);
    *word = changed;
    gAtomicLock.unlock();
    return returnNew ? changed : old;
}

template <typename Word>
bool compareExchange(volatile void* address, void* expected, Word desired) {
    auto* word = static_cast<volatile Word*>(address);
    auto* hoped = static_cast<Word*>(expected);
    gAtomicLock.lock();
    const Word old = *word;
    const bool same = old == *hoped;
    if (same) *word = desired;
    gAtomicLock.unlock();
    if (!same) *hoped = old;
    return same;
}

}  // namespace

#define ATOMIC_ENTRY_POINTS(N, Word)                                                               \
    extern "C" Word atomicExchange##N(volatile void* a, Word v, int) asm("__atomic_exchange_" #N); \
    Word atomicExchange##N(volatile void* a, Word v, int) {                                        \
        return update<Word>(                                                                       \
            a, [v](Word) { return v; }, false);                                                    \
    }                                                                                              \
    extern "C" bool atomicCompareExchange##N(volatile void* a, void* e, Word d, bool, int,         \
                                             int) asm("__atomic_compare_exchange_" #N);            \
    bool atomicCompareExchange##N(volatile void* a, void* e, Word d, bool, int, int) {             \
        return compareExchange<Word>(a, e, d);                                                     \
    }                                                                                              \
    extern "C" Word atomicFetchAdd##N(volatile void* a, Word v,                                    \
                                      int) asm("__atomic_fetch_add_" #N);                          \
    Word atomicFetchAdd##N(volatile void* a, Word v, int) {                                        \
        return update<Word>(                                                                       \
            a, [v](Word w) { return Word(w + v); }, false);                                        \
    }                                                                                              \
    extern "C" Word atomicFetchSub##N(volatile void* a, Word v,                                    \
                                      int) asm("__atomic_fetch_sub_" #N);                          \
    Word atomicFetchSub##N(volatile void* a, Word v, int) {                                        \
        return update<Word>(                                                                       \
            a, [v](Word w) { return Word(w - v); }, false);                                        \
    }                                                                                              \
    extern "C" Word atomicFetchOr##N(volatile void* a, Word v, int) asm("__atomic_fetch_or_" #N);  \
    Word atomicFetchOr##N(volatile void* a, Word v, int) {                                         \
        return update<Word>(                                                                       \
            a, [v](Word w) { return Word(w | v); }, false);                                        \
    }                                                                                              \
    extern "C" Word atomicFetchAnd##N(volatile void* a, Word v,                                    \
                                      int) asm("__atomic_fetch_and_" #N);                          \
    Word atomicFetchAnd##N(volatile void* a, Word v, int) {                                        \
        return update<Word>(                                                                       \
            a, [v](Word w) { return Word(w & v); }, false);                                        \
    }

ATOMIC_ENTRY_POINTS(1, uint8_t)
ATOMIC_ENTRY_POINTS(2, uint16_t)
ATOMIC_ENTRY_POINTS(4, uint32_t)
