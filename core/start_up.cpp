#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "core/demo.h"
#include "core/frame_plan.h"
#include "core/player.h"
#include "core/scenes.h"
#include "fixed/tables.h"
#include "music/music_files.h"
#include "music/pattern_data.h"
#include "music/sound_orders.h"
#include "video/display.h"
#include "video/font.h"
#include "video/text_console.h"

namespace {

// The loading bar: 28 cells in row 11 of the console from column 5, one a
// start-up step; a host's own line (a download's progress) goes two rows
// below it.
constexpr int kBarColumn = 5;
constexpr int kBarRow = 11;
constexpr int kNoteRow = 13;

void showEmptyLoadingBar(TextConsole* console) {
    console->setFont(gFont);
    console->setCursor(kBarColumn, kBarRow);
    console->print("abbbbbbbbbbbbbbbbbbbbbbbbbbc");
    console->setCursor(kBarColumn, kBarRow);  // progress overwrites the bar from its first cell
    console->render(true);
}

}  // namespace

void demoAdvanceLoadingBar() {
    TextConsole::instance()->advanceProgress();
}

void demoShowLoadingScreen() {
    Display::instance();
    TextConsole* console = TextConsole::instance();
    if (gFont == nullptr) {
        gFont = new Font(kDemoFont.file, kDemoFont.cellWidth, kDemoFont.cellHeight,
                         kDemoFont.spacing, kDemoFont.firstChar, kDemoFont.lastChar);
    }
    // A host that showed its download on this screen leaves it as start-up found it.
    memset(console->cells, 0, sizeof console->cells);
    console->progressStep = 0;
    showEmptyLoadingBar(console);
}

namespace {

// The font has upper-case letters only (its lower-case codes hold the bar's
// pieces), and one byte a character.
std::string inTheFontsCharacters(const char* line) {
    std::string text;
    for (const char* c = line; *c != '\0'; ++c) {
        if (c[0] == '\xC3' && c[1] == '\x97') {  // ×, as in 640×480
            text += 'X';
            ++c;
        } else {
            text += char(toupper(static_cast<unsigned char>(*c)));
        }
    }
    return text;
}

int gNextProblemRow = kNoteRow;

}  // namespace

bool demoShowProblem(const char* line) {
    TextConsole* console = TextConsole::instance();
    if (gFont == nullptr || console->font == nullptr) return false;
    const int column = console->cursorColumn;
    const int row = console->cursorRow;
    console->setCursor(0, gNextProblemRow);
    console->print(inTheFontsCharacters(line).c_str());
    gNextProblemRow = console->cursorRow + (console->cursorColumn > 0 ? 1 : 0);
    console->setCursor(column, row);
    console->render(true);
    return true;
}

void demoShowDownload(int cells, const char* note) {
    TextConsole* console = TextConsole::instance();
    if (gFont == nullptr || cells < console->progressStep) demoShowLoadingScreen();
    memset(console->cells[kNoteRow], 0, sizeof console->cells[kNoteRow]);
    const int column = console->cursorColumn;
    console->setCursor(kBarColumn, kNoteRow);
    console->print(note);
    console->setCursor(column, kBarRow);
    while (console->progressStep < std::min(cells, kLoadingSteps)) console->advanceProgress();
    console->render(true);
}

void demoLoad() {
    Display* display = Display::instance();
    demoShowLoadingScreen();

    buildSineTable(demoAdvanceLoadingBar);  // steps 1-16
    buildCosineTable();
    demoAdvanceLoadingBar();  // 17

    constructScenes(demoAdvanceLoadingBar);  // a step after each scene but the last: 18-24

    display->clearDepth(100);
    // The song's table is read here rather than by the first frame, which
    // has its own work to do.
    PatternData::instance();
    demoAdvanceLoadingBar();  // 25
}

bool demoStartUpApart(SoundControlBlock* control) {
    demoLoad();
    demoAdvanceLoadingBar();  // 26: no registers to map
    AudioBridge::useControlBlock(control);
    demoAdvanceLoadingBar();  // 27: no second processor to bring up
    const std::string problem = AudioBridge::songProblem(demoEndMs());
    AudioBridge::warnIfNoMusic(problem);
    playerStartMusicClock();
    AudioBridge::play();
    demoAdvanceLoadingBar();  // 28
    return problem.empty();
}
