#include "music/pattern_data.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/messages.h"

namespace {
const char* const kPatternFile = "data/patterndata.bin";

const uint8_t* loadTable() {
    FILE* file = fopen(kPatternFile, "rb");
    if (file == nullptr) {
        exitLoadingFailed(kPatternFile);
    }
    auto* table = new uint8_t[PatternData::kFileSize];
    const size_t got = fread(table, 1, PatternData::kFileSize, file);
    // A byte more means another file than the table, of whatever length.
    uint8_t more;
    const bool longer =
        got == static_cast<size_t>(PatternData::kFileSize) && fread(&more, 1, 1, file) == 1;
    const long size = longer && fseek(file, 0, SEEK_END) == 0 ? ftell(file) : -1;
    fclose(file);
    if (got != static_cast<size_t>(PatternData::kFileSize)) {
        // The console's C library has no %zu.
        problemLine("error loading %s: %ld of %d bytes", kPatternFile, long(got),
                    PatternData::kFileSize);
        exit(1);
    }
    if (longer && size > 0) {
        problemLine("error loading %s: %ld bytes, the table is %d", kPatternFile, size,
                    PatternData::kFileSize);
        exit(1);
    }
    if (longer) {
        problemLine("error loading %s: more than the table's %d bytes", kPatternFile,
                    PatternData::kFileSize);
        exit(1);
    }
    const std::string problem = PatternData::headerProblem(table);
    if (!problem.empty()) {
        problemLine("error loading %s: %s", kPatternFile, problem.c_str());
        exit(1);
    }
    return table;
}

uint16_t headerWord(const uint8_t* table, int offset) {
    return uint16_t(table[offset] | table[offset + 1] << 8);
}

// The signature's four bytes as text, the unprintable ones as \xNN.
std::string signatureText(const uint8_t* table) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (table[i] >= 32 && table[i] < 127 && table[i] != '"') {
            text += char(table[i]);
            continue;
        }
        char escaped[8];
        snprintf(escaped, sizeof escaped, "\\x%02X", table[i]);
        text += escaped;
    }
    return text;
}
}  // namespace

std::string PatternData::headerProblem(const uint8_t* table) {
    if (memcmp(table, kSignature, 4) != 0) {
        return "not the song's synchronisation table (it begins with \"" + signatureText(table) +
               "\", not \"" + kSignature + "\")";
    }
    const int version = headerWord(table, 4);
    if (version != kFormatVersion) {
        return "format " + std::to_string(version) + ", the demo reads format " +
               std::to_string(kFormatVersion);
    }
    const int positions = headerWord(table, 6);
    const int channels = headerWord(table, 8);
    const int rows = headerWord(table, 10);
    if (positions != kPositions || channels != kChannels || rows != kRows) {
        return "its header says " + std::to_string(positions) + " positions, " +
               std::to_string(channels) + " channels and " + std::to_string(rows) +
               " rows; the demo's table has " + std::to_string(kPositions) + ", " +
               std::to_string(kChannels) + " and " + std::to_string(kRows);
    }
    return "";
}

PatternData& PatternData::instance() {
    static PatternData* instance = new PatternData(loadTable());
    return *instance;
}

int32_t PatternData::rowsAt(int32_t elapsedMs) {
    // Below 2^20 ms (17 minutes), the float division's result in whole numbers:
    // 41.6 is 208/5, and no quotient there comes within the float's error of a
    // row boundary it does not sit on exactly (the clock's test compares every
    // millisecond). The console has no floating point to spare a frame.
    if (elapsedMs >= 0 && elapsedMs < kWholeNumberClockEnd) return elapsedMs * 5 / 208;
    // Single precision on purpose: the row boundaries fall where a float
    // division by 41.6 puts them, truncated toward zero.
    return static_cast<int32_t>(static_cast<float>(elapsedMs) / static_cast<float>(kMsPerRow));
}

int32_t PatternData::firstMsOfRow(int32_t rows) {
    // The float division is monotonic: start just below the exact boundary and
    // step up to where the clock first shows the row.
    int32_t ms = std::max<int32_t>(static_cast<int32_t>(rows * kMsPerRow) - 2, 0);
    while (rowsAt(ms) < rows) ++ms;
    while (ms > 0 && rowsAt(ms - 1) >= rows) --ms;
    return ms;
}

void PatternData::update(int32_t elapsedMs) {
    const int32_t rows = rowsAt(elapsedMs);
    const int32_t newPosition = rows / kRows;
    const int32_t newRow = rows - newPosition * kRows;
    previousRow = currentRow;
    previousPosition = currentPosition;
    currentPosition = newPosition;
    currentRow = newRow;
}

bool PatternData::rowsHold(int position, int firstRow, int endRow, int cellValue) const {
    if (position < 0 || position >= kPositions) return false;
    if (firstRow < 0) firstRow = 0;
    if (endRow > kRows) endRow = kRows;
    bool found = false;
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int r = firstRow; r < endRow; ++r) found |= cell(position, channel, r) == cellValue;
    }
    return found;
}

bool PatternData::eventPassed(int32_t code) const {
    const int value = code + 1;
    bool found = false;
    int start = previousRow;
    if (currentPosition > previousPosition) {
        found |= rowsHold(previousPosition, previousRow, kRows, value);
        start = 0;
    }
    found |= rowsHold(currentPosition, start, currentRow, value);
    return found;
}

void PatternData::formatRow(char* out, int32_t rowOffset) const {
    const int32_t r = currentRow + rowOffset;
    out[0] = '\0';
    if (static_cast<uint32_t>(r) > 127 || currentPosition > 32 || currentPosition < 0) return;
    char text[80];
    int length = snprintf(text, sizeof text, "%02X", unsigned(r));
    for (int channel = 0; channel < kChannels; ++channel) {
        const uint8_t v = cell(currentPosition, channel, r);
        if (v == 0) {
            length += snprintf(text + length, sizeof text - length, " ..");
        } else if (v == 255) {
            length += snprintf(text + length, sizeof text - length, " --");
        } else {
            length += snprintf(text + length, sizeof text - length, " %02X", v - 1);
        }
    }
    memcpy(out, text, 33);  // always 32 characters and the terminating zero
}
