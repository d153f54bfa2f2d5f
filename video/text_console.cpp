#include "video/text_console.h"

#include <cstring>

#include "video/display.h"
#include "video/font.h"

TextConsole* TextConsole::instance() {
    static TextConsole* console = new TextConsole();
    return console;
}

void TextConsole::newLine() {
    if (cursorRow + 1 <= kRows - 1) {
        ++cursorRow;
    } else {
        scroll();
        cursorRow = kRows - 1;
    }
    cursorColumn = 0;
}

void TextConsole::print(const char* text) {
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') {
            newLine();
            continue;
        }
        cells[cursorRow][cursorColumn] = static_cast<uint8_t>(*p);
        if (cursorColumn + 1 <= kColumns - 1) {
            ++cursorColumn;
        } else {
            newLine();
        }
    }
}

void TextConsole::scroll() {
    memmove(cells[0], cells[1], sizeof cells - sizeof cells[0]);
    memset(cells[kRows - 1], 0, sizeof cells[0]);
    cursorColumn = 0;
}

void TextConsole::drawGrid() {
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            const char text[2] = {static_cast<char>(cells[r][c]), '\0'};
            font->drawString(5 + 8 * c, 5 + 10 * r, text);
        }
    }
    Display::instance()->present();
}

static void clearScreen() {
    Display* display = Display::instance();
    memset(display->pixels, 0, sizeof(uint16_t) * display->pixelCount);
}

void TextConsole::render(bool clearFirst) {
    if (clearFirst) clearScreen();
    drawGrid();
}

void TextConsole::advanceProgress() {
    const char* piece = progressStep == 0 ? "d" : progressStep == 27 ? "f" : "e";
    print(piece);
    ++progressStep;
    clearScreen();
    drawGrid();
}
