// demo.h - the demo's entry point: start-up, the frame loop, shutdown.
//
// Start-up builds everything in one fixed order while the loading bar fills
// (28 steps, full when the music starts), the live player's frame loop
// (player.h) runs until the running order reaches its end or the user quits,
// then the audio side is released and the console's menu program replaces
// the process. If that exec fails, demoMain returns 0.
//
// The steps are also offered one by one, so that another host (offline
// capture, the web page) runs the very same start-up, then frames of its own
// (core/offline_run.h) or the player's passes on its own clock.
#pragma once

#include <cstdint>

#include "platform/sound_control_layout.h"

// Plays from the first frame at or after atMs of the music (0: from the
// start, as the console does), then hands the machine over to the menu.
int demoMain(uint32_t atMs = 0);
// demoMain without the hand-over: start-up, the frame loop, shutdown.
void demoPlay(uint32_t atMs = 0);

// The desktop's command line: nothing, "--at TIME" (milliseconds, m:ss.s or
// pN, as capture's --from) or "--help", which prints what they do and the
// player's keys. Returns the status to end with at once (0 after --help, 1
// after one line saying what is wrong), or -1 to play from *atMs.
int demoCommandLine(int argc, const char* const* argv, uint32_t* atMs);

// Whether the working directory holds the demo's files (its data/ folder).
// If not, one problem line says where the program looked and where to run
// it: builtRunFolder, where the build put the files, and there the command
// runFromThere ("../" and the program by default): "the demo's files are
// not here: no data/ folder in /home/me (run it in .../build/run: cd there,
// then ../demo)".
bool demoFilesAreHere(const char* program, const char* builtRunFolder,
                      const char* runFromThere = nullptr);

// A problem line shown on the loading screen too, for a host whose person
// sees only the screen (the console): under the loading bar, below the lines
// shown before it, in the characters the demo's font has (letters in upper
// case), and presented. False where the screen or the font is not up yet.
bool demoShowProblem(const char* line);

// Start-up's steps 1-4 alone: the screen, the text console, the font and the
// empty loading bar; again, the bar emptied and the console cleared.
void demoShowLoadingScreen();
// The loading screen of a host that downloads the demo's files first (the web
// page): the bar filled to `cells` of its kLoadingSteps and a line of the
// host's own (its progress) under it. Start-up then begins from the empty bar.
constexpr int kLoadingSteps = 28;
void demoShowDownload(int cells, const char* note);

// The demo's one font, as start-up makes it: the sheet, its cells' width and
// height, the spacing between drawn cells, and the first and last character.
struct DemoFont {
    const char* file;
    int cellWidth;
    int cellHeight;
    int spacing;
    int firstChar;
    int lastChar;
};
constexpr DemoFont kDemoFont{"data/font.png", 8, 9, -1, 32, 102};

// Start-up as the console runs it: the loading steps, the second processor
// brought up with code940.bin and the song (music/audio_bridge.h), the music
// switched on; the bar is full as the music starts.
void demoStartUp();
// The same on a host whose second processor runs apart from the engine's
// memory and is handed the song by the host itself (the web page's worker):
// the same steps and bar, without the memory device or the bring-up. The
// song is checked (its line if it cannot play), the orders go into
// `control`, whence the host passes them on, and the music is switched on
// there. True if the song can play.
bool demoStartUpApart(SoundControlBlock* control);
// Releases the scenes and the audio side; no frame runs after it.
void demoShutDown();

// The steps both start-ups share: 1 to 25 (the screen and the loading bar,
// the tables, the scenes, the depth buffer, the sync table), then each of
// the last three steps' cell of the bar.
void demoLoad();
void demoAdvanceLoadingBar();
