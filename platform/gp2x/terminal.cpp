#include "platform/gp2x/terminal.h"

#include <stdlib.h>

#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/runtime.h"
#include "platform/gp2x/system_calls.h"

namespace {

constexpr int kStandardInput = 0;

bool gRaw = false;
Linux::Termios gSaved;
volatile int gQuitRequested = 0;

void onQuitSignal(int) {
    gQuitRequested = 1;
}

// Restarted: a system call the signal came in is not cut short by it.
void listenFor(int signal) {
    Linux::SignalAction action{};
    action.handler = onQuitSignal;
    action.flags = Linux::kSaRestart;
    Sys::call<Sys::kRtSigaction>(signal, long(&action), 0, sizeof action.mask);
}

void listenForQuitSignals() {
    for (int signal = 1; signal <= Linux::kLastSignal; ++signal) {
        if (Linux::signalEndsProgram(signal)) listenFor(signal);
    }
}

}  // namespace

void terminalStart() {
    listenForQuitSignals();
    if (Sys::failed(Sys::call<Sys::kIoctl>(kStandardInput, long(Linux::kTcGets), long(&gSaved)))) {
        return;
    }
    Linux::Termios raw = gSaved;
    raw.localFlags &= ~(Linux::kIcanon | Linux::kEcho | Linux::kIsig | Linux::kIexten);
    raw.inputFlags &= ~(Linux::kIcrnl | Linux::kIxon);
    raw.controlChars[Linux::kVmin] = 0;  // a read returns at once with what there is
    raw.controlChars[Linux::kVtime] = 0;
    if (Sys::failed(Sys::call<Sys::kIoctl>(kStandardInput, long(Linux::kTcSets), long(&raw)))) {
        return;
    }
    gRaw = true;
    atexit(terminalRestore);
    runtimeAtReplace(terminalRestore);
}

void terminalRestore() {
    if (!gRaw) return;
    Sys::call<Sys::kIoctl>(kStandardInput, long(Linux::kTcSets), long(&gSaved));
    gRaw = false;
}

long terminalRead(char* bytes, long size) {
    if (!gRaw) return 0;
    const long n = Sys::call<Sys::kRead>(kStandardInput, long(bytes), size);
    return Sys::failed(n) ? 0 : n;
}

void terminalRequestQuit() {
    gQuitRequested = 1;
}

bool terminalTakeQuitRequest() {
    if (!gQuitRequested) return false;
    gQuitRequested = 0;
    return true;
}
