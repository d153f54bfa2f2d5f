// The demo on the console itself: the safety interlock before anything else
// (no device is opened anywhere but on the console's own processor), the
// keyboard's terminal in raw mode and the quit signals, then the demo, and
// at every end the console handed back to its menu (hand_back.h).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "console/hand_back.h"
#include "core/demo.h"
#include "platform/gp2x/machine.h"
#include "platform/gp2x/terminal.h"
#include "platform/picture.h"
#include "video/display.h"
#include "video/font.h"
#include "video/text_console.h"

namespace {

constexpr const char* kProgram = "ondrivale.gpe";

// The folder the program was started from, absolute: where the card's
// folder holds data/ beside it. Empty where argv[0] names no folder.
std::string programFolder(const char* argv0) {
    const std::string path = argv0 != nullptr ? argv0 : "";
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    std::string folder = path.substr(0, slash == 0 ? 1 : slash);
    if (folder[0] != '/') {
        char here[4096];
        if (getcwd(here, sizeof here) == nullptr) return "";
        folder = std::string(here) + "/" + folder;
    }
    return folder;
}

bool dataFolderHere() {
    struct stat data;
    return stat("data", &data) == 0 && S_ISDIR(data.st_mode);
}

// Started from another folder, the screen says so too: with the font of the
// program's own folder, where it has one that loads.
void showScreenForTheLine(const std::string& folder) {
    Display* display = Display::instance();
    if (folder.empty()) return;
    const std::string font = folder + "/" + kDemoFont.file;
    int width = 0;
    int height = 0;
    uint16_t* pixels = platformLoadPicture(font.c_str(), display->format, &width, &height);
    if (pixels == nullptr) return;
    delete[] pixels;
    gFont = new Font(font.c_str(), kDemoFont.cellWidth, kDemoFont.cellHeight, kDemoFont.spacing,
                     kDemoFont.firstChar, kDemoFont.lastChar);
    TextConsole::instance()->setFont(gFont);
}

}  // namespace

int main(int argc, char** argv) {
    machineCheckOrExit();
    terminalStart();
    handBackOnEveryEnd();
    if (!dataFolderHere()) {
        const std::string folder = programFolder(argc > 0 ? argv[0] : nullptr);
        showScreenForTheLine(folder);
        demoFilesAreHere(kProgram, folder.c_str(), (std::string("./") + kProgram).c_str());
        exit(1);
    }
    demoPlay();
    handBackToMenu();
}
