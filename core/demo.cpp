#include "core/demo.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "core/scenes.h"
#include "core/tables.h"
#include "core/timeline.h"
#include "music/audio_bridge.h"
#include "platform/clock.h"
#include "platform/mem_device.h"
#include "video/display.h"
#include "video/font.h"
#include "video/text_console.h"

uint32_t musicStartTicks = 0;

namespace {

void advanceLoadingBar() {
    TextConsole::instance()->advanceProgress();
}

void showEmptyLoadingBar(TextConsole* console) {
    console->setFont(gFont);
    console->setCursor(5, 11);
    console->print("abbbbbbbbbbbbbbbbbbbbbbbbbbc");
    console->setCursor(5, 11);  // progress overwrites the bar from its first cell
    console->render(true);
}

void startUp() {
    Display* display = Display::instance();
    TextConsole* console = TextConsole::instance();
    gFont = new Font("data/font.png", 8, 9, -1, 32, 102);
    showEmptyLoadingBar(console);

    buildSineTable(advanceLoadingBar);  // steps 1-16
    buildCosineTable();
    advanceLoadingBar();  // 17

    constructScenes(advanceLoadingBar);  // 18-24

    display->clearDepth(100);
    advanceLoadingBar();  // 25

    musicStartTicks = platformTicks();
    // The console's control registers, through the simulated memory device.
    AudioBridge::memDevice = memDeviceOpen("/dev/mem", O_RDWR);
    AudioBridge::registers = static_cast<volatile uint16_t*>(
        memDeviceMap(nullptr, kRegisterWindowSize, PROT_READ | PROT_WRITE, MAP_SHARED,
                     AudioBridge::memDevice, kRegisterBase));
    advanceLoadingBar();  // 26

    AudioBridge::init();
    advanceLoadingBar();  // 27

    // The music time starts when playback is switched on, after the whole
    // soundtrack has been copied.
    AudioBridge::loadSong("data/ondrivale.ogg");
    musicStartTicks = platformTicks();
    AudioBridge::play();
    advanceLoadingBar();  // 28
}

// Drains the event queue; true if the user asked to quit. Key presses are
// ignored: only releasing Backspace ends the demo.
bool quitRequested() {
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_BACKSPACE) quit = true;
        if (event.type == SDL_QUIT) quit = true;
    }
    return quit;
}

void runFrameLoop() {
    bool quit = false;
    while (!quit) {
        Timeline::runFrame();
        if (SceneMask < 0) quit = true;  // the end bit, 0x80000000
        if (quitRequested()) quit = true;
        platformEndFrame();
    }
}

void shutDown() {
    destroyScenes();
    AudioBridge::stop();
    AudioBridge::shutdown();
    memDeviceClose(AudioBridge::memDevice);
    // Hand the machine back to the console's menu. On a desktop there is no
    // menu program: the exec fails and the demo simply ends.
    if (chdir("/usr/gp2x") != 0) {
        // Nothing to do: the exec below fails the same way.
    }
    execl("/usr/gp2x/gp2xmenu", "/usr/gp2x/gp2xmenu", static_cast<char*>(nullptr));
}

}  // namespace

int demoMain() {
    startUp();
    runFrameLoop();
    shutDown();
    return 0;
}
