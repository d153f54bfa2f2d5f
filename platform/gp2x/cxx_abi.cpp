// C++ without exceptions on the console.
//
// The program throws nothing, but the C++ library beneath it was built to
// throw: left alone, its throwing paths bring in the unwinder, whose
// register save and restore includes the floating-point and vector
// instructions that the ARM920T lacks. Here each of those paths is one line
// and the end of the process, and the unwinder's entry points, which no
// throw will ever reach, end it too. Function-local statics are made under
// the one spin lock, which the making thread may take again (one static's
// constructor may make another).
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <new>

#include "platform/gp2x/spin_lock.h"

namespace {

[[noreturn]] void fatal(const char* what) {
    static const char kPrefix[] = "ondrivale: ";
    write(2, kPrefix, sizeof kPrefix - 1);
    write(2, what, strlen(what));
    write(2, "\n", 1);
    _exit(1);
}

void* allocate(size_t size) {
    void* memory = malloc(size == 0 ? 1 : size);
    if (memory == nullptr) fatal("out of memory");
    return memory;
}

SpinLock gStaticsLock;

}  // namespace

void* operator new(size_t size) {
    return allocate(size);
}
void* operator new[](size_t size) {
    return allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return malloc(size == 0 ? 1 : size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return malloc(size == 0 ? 1 : size);
}
void operator delete(void* memory) noexcept {
    free(memory);
}
void operator delete[](void* memory) noexcept {
    free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    free(memory);
}
void operator delete[](void* memory, size_t) noexcept {
    free(memory);
}

namespace std {
void __throw_bad_alloc() {
    fatal("out of memory");
}
void __throw_bad_array_new_length() {
    fatal("out of memory: an array too long");
}
void __throw_length_error(const char* what) {
    fatal(what);
}
void __throw_logic_error(const char* what) {
    fatal(what);
}
void __throw_invalid_argument(const char* what) {
    fatal(what);
}
void __throw_out_of_range(const char* what) {
    fatal(what);
}
void __throw_out_of_range_fmt(const char* what, ...) {
    fatal(what);
}
void __throw_bad_function_call() {
    fatal("a call through an empty function");
}
}  // namespace std

extern "C" {

// The ARM EABI's guard: a word whose bit 0 says the static is made.
int __cxa_guard_acquire(volatile uint32_t* guard) {
    if (*guard & 1) return 0;
    gStaticsLock.lock();
    if (*guard & 1) {
        gStaticsLock.unlock();
        return 0;
    }
    return 1;
}

void __cxa_guard_release(volatile uint32_t* guard) {
    *guard = 1;
    gStaticsLock.unlock();
}

void __cxa_guard_abort(volatile uint32_t*) {
    gStaticsLock.unlock();
}

void __cxa_pure_virtual() {
    fatal("a pure virtual call");
}

void __aeabi_unwind_cpp_pr0() {
    fatal("an exception");
}
void __aeabi_unwind_cpp_pr1() {
    fatal("an exception");
}
void __aeabi_unwind_cpp_pr2() {
    fatal("an exception");
}

}  // extern "C"
