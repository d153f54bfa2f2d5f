// The console's keys, from its terminal (terminal.h): a terminal gives no
// key releases, so a key that comes is pressed and released at once.
// Backspace (DEL or Ctrl-H) is Key::Backspace; Ctrl-C and the signals that
// ask the program to quit are the quit event.
#include "platform/input.h"

#include <deque>

#include "platform/gp2x/terminal.h"

namespace {

constexpr char kDelete = 0x7F;
constexpr char kControlH = 0x08;
constexpr char kControlC = 0x03;

std::deque<InputEvent> gQueued;

void pressAndRelease(Key key) {
    gQueued.push_back({InputEvent::Kind::KeyDown, key});
    gQueued.push_back({InputEvent::Kind::KeyUp, key});
}

void readTerminal() {
    char bytes[32];
    const long n = terminalRead(bytes, sizeof bytes);
    for (long i = 0; i < n; ++i) {
        if (bytes[i] == kDelete || bytes[i] == kControlH) {
            pressAndRelease(Key::Backspace);
        } else if (bytes[i] == kControlC) {
            terminalRequestQuit();
        } else {
            pressAndRelease(Key::Other);
        }
    }
}

}  // namespace

void platformQueueKey(Key key) {
    pressAndRelease(key);
}

bool platformNextInput(InputEvent* event) {
    if (gQueued.empty()) readTerminal();
    if (terminalTakeQuitRequest()) {
        *event = {InputEvent::Kind::Quit, Key::Other};
        return true;
    }
    if (gQueued.empty()) return false;
    *event = gQueued.front();
    gQueued.pop_front();
    return true;
}
