// pattern_data.h - the song's synchronisation table and the music clock.
//
// "data/patterndata.bin" is 42260 bytes: a 20-byte header, then 33 positions x
// 10 channels x 128 rows of one byte, channel by channel within a position.
// The header: "ODSY", the format's version (1) and the numbers of positions,
// channels and rows, each 16-bit little-endian, then 8 zero bytes.
// A cell of 0 is no event, 255 the "--" marker (event code 254), any other v
// the event code v - 1. The clock turns milliseconds since the music started
// into a position (128 rows) and a row (41.6 ms), and remembers the previous
// state so scenes can ask which events the music passed since the last frame.
#pragma once

#include <cstdint>
#include <string>

class PatternData {
  public:
    static constexpr int kFileSize = 42260;
    static constexpr int kHeaderSize = 20;
    static constexpr int kPositions = 33;
    static constexpr int kChannels = 10;
    static constexpr int kRows = 128;
    static constexpr int kCutMarkerCode = 254;
    static constexpr char kSignature[] = "ODSY";
    static constexpr int kFormatVersion = 1;
    // How long a row of the song lasts: the tempo that the song generator
    // writes the music at and the clock reads it by.
    static constexpr double kMsPerRow = 41.6;
    // Up to here rowsAt() divides whole numbers, to the same rows.
    static constexpr int32_t kWholeNumberClockEnd = 1 << 20;

    // The one instance; the first call reads "data/patterndata.bin" and ends the
    // process with one line and status 1 if the file is missing, short, long,
    // or another file (its header says so).
    static PatternData& instance();
    // What is wrong with a table's header ("not the song's synchronisation
    // table (it begins with \"RIFF\", not \"ODSY\")", "format 2, the demo
    // reads format 1", ...), or empty where it is this table's.
    static std::string headerProblem(const uint8_t* table);

    // Builds a clock over an in-memory table of kFileSize bytes (not owned).
    explicit PatternData(const uint8_t* table) : data(table) {}

    void update(int32_t elapsedMs);
    // Rows since the music started, as update() counts them at elapsedMs.
    static int32_t rowsAt(int32_t elapsedMs);
    // The first millisecond at which the clock has reached the given row count.
    static int32_t firstMsOfRow(int32_t rows);
    int32_t position() const { return currentPosition; }
    int32_t row() const { return currentRow; }
    // Whether any channel holds code + 1 on a row the clock passed in the
    // latest update: from the previous state (included) to the current one
    // (excluded). Positions above the table's last one answer false.
    bool eventPassed(int32_t code) const;
    // A 32-character picture of row currentRow + rowOffset of the current
    // position ("1F .. .. 03 .. .. -- ...") into out (at least 33 bytes); empty
    // if that row or position lies outside the table.
    void formatRow(char* out, int32_t rowOffset) const;

    uint8_t cell(int position, int channel, int row) const {
        return data[kHeaderSize + position * kChannels * kRows + channel * kRows + row];
    }

    const uint8_t* data;
    int32_t currentRow = 0;
    int32_t currentPosition = 0;
    int32_t previousRow = 0;
    int32_t previousPosition = 0;

  private:
    bool rowsHold(int position, int firstRow, int endRow, int cellValue) const;
};
