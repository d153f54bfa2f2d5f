#include "platform/input.h"

#include <unistd.h>

#include <cstdlib>
#include <deque>

#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/runtime.h"
#include "platform/gp2x/system_calls.h"
#include "platform/gp2x/terminal.h"

namespace {

constexpr int kStandardInput = 0;
constexpr char kDelete = 0x7F;
constexpr char kControlH = 0x08;
constexpr char kControlC = 0x03;

bool gRaw = false;
Linux::Termios gSaved;
volatile int gQuitSignalled = 0;
std::deque<InputEvent> gQueued;

void onQuitSignal(int) {
    gQuitSignalled = 1;
}

void listenFor(int signal) {
    Linux::SignalAction action{};
    action.handler = onQuitSignal;
    action.flags = Linux::kSaRestart;
    Sys::call<Sys::kRtSigaction>(signal, long(&action), 0, sizeof action.mask);
}

void pressAndRelease(Key key) {
    gQueued.push_back({InputEvent::Kind::KeyDown, key});
    gQueued.push_back({InputEvent::Kind::KeyUp, key});
}

// What the terminal has for us, without waiting.
void readTerminal() {
    if (!gRaw) return;
    char bytes[32];
    const long n = Sys::call<Sys::kRead>(kStandardInput, long(bytes), sizeof bytes);
    for (long i = 0; i < n; ++i) {
        if (bytes[i] == kDelete || bytes[i] == kControlH) {
            pressAndRelease(Key::Backspace);
        } else if (bytes[i] == kControlC) {
            gQuitSignalled = 1;
        } else {
            pressAndRelease(Key::Other);
        }
    }
}

}  // namespace

void terminalStart() {
    listenFor(Linux::kSigInt);
    listenFor(Linux::kSigTerm);
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

bool platformNextInput(InputEvent* event) {
    if (gQueued.empty()) readTerminal();
    if (gQuitSignalled) {
        gQuitSignalled = 0;
        *event = {InputEvent::Kind::Quit, Key::Other};
        return true;
    }
    if (gQueued.empty()) return false;
    *event = gQueued.front();
    gQueued.pop_front();
    return true;
}
