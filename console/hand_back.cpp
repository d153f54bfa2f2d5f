#include "console/hand_back.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "core/demo.h"
#include "music/audio_bridge.h"
#include "platform/gp2x/runtime.h"
#include "platform/messages.h"
#include "video/text_console.h"

namespace {

constexpr const char* kMenuFolder = "/usr/gp2x";
constexpr const char* kMenu = "/usr/gp2x/gp2xmenu";
// Long enough to read a line or two on the screen.
constexpr useconds_t kProblemShownUs = 4000000;

bool gHandingBack = false;

// On standard output as on every host, and, from the main thread while the
// loading screen is up, on the screen: the audio thread never draws, once
// the frames run the screen is theirs, and once the console is being handed
// back the screen may be gone.
void sayProblem(const char* line) {
    puts(line);
    fflush(stdout);
    if (gHandingBack || runtimeThread() != 1) return;
    if (TextConsole::instance()->progressStep >= kLoadingSteps) return;
    if (demoShowProblem(line)) usleep(kProblemShownUs);
}

// Nothing that plays may outlive the program: the audio thread stops and
// halts the second processor (a program that never started it leaves it
// halted in reset).
void stopTheMusic() {
    AudioBridge::stop();
    AudioBridge::shutdown();
}

[[noreturn]] void replaceWithMenu(bool insideExit) {
    gHandingBack = true;
    stopTheMusic();
    // The terminal's settings go back just before the exec (runtime.h).
    if (chdir(kMenuFolder) != 0) {
        // The exec below says why it cannot start the menu.
    }
    execl(kMenu, kMenu, static_cast<char*>(nullptr));
    problemLine("cannot hand the console back to its menu: %s: %s", kMenu, strerror(errno));
    // Inside exit the other handlers have run; outside it they run now
    // (the screen's mode and the terminal's settings put back).
    if (insideExit) _exit(1);
    exit(1);
}

void handBackAtExit() {
    if (!gHandingBack) replaceWithMenu(true);
}

}  // namespace

void handBackOnEveryEnd() {
    setProblemSink(sayProblem);
    atexit(handBackAtExit);
}

void handBackToMenu() {
    replaceWithMenu(false);
}
