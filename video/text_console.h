// text_console.h - the 39 x 23 character grid of the loading screen.
//
// Cell (c, r) is drawn at screen pixel (5 + 8c, 5 + 10r), a fixed pitch
// independent of the font's own advance. Printing wraps after column 38 and
// scrolls the grid up below row 22. The loading bar is printed into row 11 and
// each advanceProgress() fills its next cell and redraws the whole screen.
#pragma once

#include <cstdint>

class Font;

class TextConsole {
  public:
    static constexpr int kColumns = 39;
    static constexpr int kRows = 23;

    static TextConsole* instance();

    void setFont(Font* f) { font = f; }
    void setCursor(int column, int row) {
        cursorColumn = column;
        cursorRow = row;
    }
    void print(const char* text);
    // Moves rows 1..22 up one row, empties row 22, returns the cursor to column 0.
    void scroll();
    // Optionally clears the screen to black, draws the grid and presents.
    void render(bool clearFirst);
    // One loading step: prints the next filled bar piece ("d" first, "f" at
    // step 27, "e" between), then clears, redraws and presents the screen.
    void advanceProgress();

    uint8_t cells[kRows][kColumns] = {};
    Font* font = nullptr;
    int cursorColumn = 0;
    int cursorRow = 0;
    int progressStep = 0;

  private:
    void newLine();
    void drawGrid();
};
