// The demo on the console itself: the safety interlock before anything else
// (no device is opened anywhere but on the console's own processor), the
// keyboard's terminal in raw mode, then the demo's start-up, frame loop and
// hand-over to the console's menu.
#include "core/demo.h"
#include "platform/gp2x/machine.h"
#include "platform/gp2x/terminal.h"

int main() {
    machineCheckOrExit();
    terminalStart();
    return demoMain();
}
