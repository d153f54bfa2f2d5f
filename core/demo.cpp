#include "core/demo.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/frame_plan.h"
#include "core/player.h"
#include "core/scenes.h"
#include "core/seek.h"
#include "music/audio_bridge.h"
#include "platform/mem_device.h"
#include "platform/messages.h"

void demoStartUp() {
    demoLoad();

    playerStartMusicClock();
    // The console's control registers, through the memory device.
    AudioBridge::memDevice = memDeviceOpen("/dev/mem", O_RDWR);
    AudioBridge::registers = static_cast<volatile uint16_t*>(
        memDeviceMap(nullptr, kRegisterWindowSize, PROT_READ | PROT_WRITE, MAP_SHARED,
                     AudioBridge::memDevice, kRegisterBase));
    demoAdvanceLoadingBar();  // 26

    AudioBridge::init();
    demoAdvanceLoadingBar();  // 27

    AudioBridge::warnIfNoMusic(AudioBridge::musicProblem(demoEndMs()));
    // The music time starts when playback is switched on, after the whole
    // soundtrack has been copied.
    AudioBridge::loadSong(AudioBridge::kSongFile);
    playerStartMusicClock();
    AudioBridge::play();
    demoAdvanceLoadingBar();  // 28
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

void runFrameLoop(uint32_t atMs) {
    playerStart();
    if (atMs > 0) playerJumpToFrame(firstFrameAtOrAfter(atMs, kPlayerRate));
    while (!playerPass()) {
    }
}

void printUsage() {
    printf(
        "usage: demo [--at TIME]\n"
        "Plays the demo in a window, from the start or from TIME: milliseconds of\n"
        "music (92400), m:ss.s (1:32.4) or pN for the start of position N.\n"
        "Run it in the folder that holds data/ and code940.bin.\n"
        "Keys:\n");
    for (int i = 0; i < playerKeyCount(); ++i) {
        const PlayerKey& key = playerKeyAt(i);
        printf("  %-12s %s\n", key.label, key.words);
    }
    printf("  %-12s %s\n", "Alt+Enter", "window or full screen");
}

}  // namespace

bool demoFilesAreHere(const char* program, const char* builtRunFolder, const char* runFromThere) {
    struct stat data;
    if (stat("data", &data) == 0 && S_ISDIR(data.st_mode)) return true;
    char here[4096];
    if (getcwd(here, sizeof here) == nullptr) snprintf(here, sizeof here, "this folder");
    struct stat run;
    if (stat(builtRunFolder, &run) == 0 && S_ISDIR(run.st_mode)) {
        const std::string command =
            runFromThere != nullptr ? runFromThere : std::string("../") + program;
        problemLine(
            "the demo's files are not here: no data/ folder in %s (run it in %s: cd there, "
            "then %s)",
            here, builtRunFolder, command.c_str());
    } else {
        problemLine(
            "the demo's files are not here: no data/ folder in %s (run it in the folder "
            "that holds data/ and code940.bin)",
            here);
    }
    return false;
}

int demoCommandLine(int argc, const char* const* argv, uint32_t* atMs) {
    *atMs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            printUsage();
            return 0;
        }
        if (option != "--at" || i + 1 == argc) {
            problemLine(
                "demo: %s (demo --help says what it takes)",
                option == "--at" ? "--at needs a time" : ("unknown option " + option).c_str());
            return 1;
        }
        const std::string time = argv[++i];
        const uint32_t lastMs = uint32_t(frameTimeMs(Seek::lastFrame(), kPlayerRate));
        if (!parseMusicTime(time, atMs)) {
            problemLine("demo: --at takes milliseconds, m:ss.s or a position p0 to p34, not '%s'",
                        time.c_str());
            return 1;
        }
        if (firstFrameAtOrAfter(*atMs, kPlayerRate) > Seek::lastFrame()) {
            problemLine("demo: --at %s is after the demo's last frame, at %s", time.c_str(),
                        musicTimeText(lastMs).c_str());
            return 1;
        }
    }
    return -1;
}

void demoPlay(uint32_t atMs) {
    demoStartUp();
    runFrameLoop(atMs);
    demoShutDown();
}

int demoMain(uint32_t atMs) {
    demoPlay(atMs);
    handOverToMenu();
    return 0;
}
