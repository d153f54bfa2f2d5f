#include "core/demo.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "core/player.h"
#include "core/scenes.h"
#include "core/timeline.h"
#include "fixed/tables.h"
#include "music/audio_bridge.h"
#include "platform/clock.h"
#include "platform/mem_device.h"
#include "platform/present.h"
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

}  // namespace

void demoStartUp() {
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

    AudioBridge::warnIfNoMusic();
    // The music time starts when playback is switched on, after the whole
    // soundtrack has been copied.
    AudioBridge::loadSong(AudioBridge::kSongFile);
    musicStartTicks = platformTicks();
    AudioBridge::play();
    advanceLoadingBar();  // 28
}

bool demoRunFrame() {
    Timeline::runFrame();
    return SceneMask < 0;  // the end bit, 0x80000000
}

bool demoRunFrameAt(int elapsedMs) {
    Timeline::runFrameAt(elapsedMs);
    return SceneMask < 0;
}

namespace {

// The live player's keys (player.h), on key presses.
bool playerKeyOf(SDLKey key, PlayerKey* action) {
    switch (key) {
        case SDLK_SPACE:
            *action = PlayerKey::PauseResume;
            return true;
        case SDLK_RIGHT:
            *action = PlayerKey::NextPosition;
            return true;
        case SDLK_LEFT:
            *action = PlayerKey::PreviousPosition;
            return true;
        case SDLK_HOME:
            *action = PlayerKey::MusicStart;
            return true;
        case SDLK_l:
            *action = PlayerKey::Loop;
            return true;
        case SDLK_o:
            *action = PlayerKey::Overlay;
            return true;
        default:
            return false;
    }
}

}  // namespace

// Releasing Backspace, or Escape as at demo parties, ends the demo; Alt+Enter
// and the player's keys act on their press; every other key is ignored.
bool demoQuitRequested() {
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_QUIT) quit = true;
        if (event.type != SDL_KEYUP && event.type != SDL_KEYDOWN) continue;
        // Only key events carry a key.
        const SDLKey key = event.key.keysym.sym;
        if (event.type == SDL_KEYUP && (key == SDLK_BACKSPACE || key == SDLK_ESCAPE)) quit = true;
        if (event.type != SDL_KEYDOWN) continue;
        PlayerKey action;
        if (key == SDLK_RETURN && (event.key.keysym.mod & KMOD_ALT)) {
            platformToggleFullScreen();
        } else if (playerKeyOf(key, &action)) {
            playerKey(action);
        }
    }
    return quit;
}

bool demoLoopPass() {
    bool end = playerRunFrame();
    if (demoQuitRequested()) end = true;
    platformEndFrame();
    return end;
}

void demoShutDown() {
    destroyScenes();
    AudioBridge::stop();
    AudioBridge::shutdown();
    memDeviceClose(AudioBridge::memDevice);
}

namespace {

// Hands the machine back to the console's menu. On a desktop there is no menu
// program: the exec fails and the demo simply ends.
void handOverToMenu() {
    if (chdir("/usr/gp2x") != 0) {
        // Nothing to do: the exec below fails the same way.
    }
    execl("/usr/gp2x/gp2xmenu", "/usr/gp2x/gp2xmenu", static_cast<char*>(nullptr));
}

void runFrameLoop() {
    playerStart();
    while (!demoLoopPass()) {
    }
}

}  // namespace

int demoMain() {
    demoStartUp();
    runFrameLoop();
    demoShutDown();
    handOverToMenu();
    return 0;
}
