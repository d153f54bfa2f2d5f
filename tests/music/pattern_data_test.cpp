#include "music/pattern_data.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

class Table {
  public:
    // The header the song generator writes: "ODSY", format 1, 33 x 10 x 128.
    Table() : bytes(PatternData::kFileSize, 0) {
        const uint8_t header[] = {'O', 'D', 'S', 'Y', 1, 0, 33, 0, 10, 0, 128, 0};
        std::copy(std::begin(header), std::end(header), bytes.begin());
    }
    void set(int position, int channel, int row, uint8_t value) {
        bytes[PatternData::kHeaderSize + position * 1280 + channel * 128 + row] = value;
    }
    std::vector<uint8_t> bytes;
};

constexpr int kKick = 1;

}  // namespace

TEST(MusicClock, TurnsMillisecondsIntoPositionAndRow) {
    Table table;
    PatternData clock(table.bytes.data());
    const struct {
        int ms, position, row;
    } cases[] = {{0, 0, 0},    {41, 0, 0},      {42, 0, 1},      {5324, 0, 127},
                 {5325, 1, 0}, {175719, 33, 0}, {186368, 35, 0}, {-42, 0, -1}};
    for (const auto& c : cases) {
        clock.update(c.ms);
        EXPECT_EQ(clock.position(), c.position) << c.ms;
        EXPECT_EQ(clock.row(), c.row) << c.ms;
    }
}

// Whole numbers where they serve: the same rows as the float division at
// every millisecond, and at the first one past them.
TEST(MusicClock, WholeNumberRowsAreTheFloatDivisionsRows) {
    int wrong = 0;
    for (int32_t ms = 0; ms <= PatternData::kWholeNumberClockEnd; ++ms) {
        const auto rows = static_cast<int32_t>(static_cast<float>(ms) / 41.6f);
        wrong += PatternData::rowsAt(ms) != rows;
    }
    EXPECT_EQ(wrong, 0);
}

TEST(MusicClock, ReportsEventsOnRowsPassedSinceTheLastUpdate) {
    Table table;
    table.set(0, 3, 5, kKick + 1);
    table.set(0, 9, 7, kKick + 1);
    PatternData clock(table.bytes.data());
    EXPECT_FALSE(clock.eventPassed(kKick));  // before the first update

    clock.update(5 * 41.6 + 1);  // row 5: row 5 not yet passed
    EXPECT_FALSE(clock.eventPassed(kKick));
    clock.update(7 * 41.6 + 1);  // rows 5 and 6 passed, 7 not yet
    EXPECT_TRUE(clock.eventPassed(kKick));
    clock.update(7 * 41.6 + 2);  // clock stayed on row 7
    EXPECT_FALSE(clock.eventPassed(kKick));
    clock.update(8 * 41.6 + 1);
    EXPECT_TRUE(clock.eventPassed(kKick));  // the kick on row 7, channel 9
}

TEST(MusicClock, EventsAcrossAPositionBoundary) {
    Table table;
    PatternData clock(table.bytes.data());
    const int rowMs[] = {3 * 128 + 126, 4 * 128 + 1};
    auto crossBoundary = [&] {
        clock.update(static_cast<int>(rowMs[0] * 41.6f) + 1);
        clock.update(static_cast<int>(rowMs[1] * 41.6f) + 1);
        return clock.eventPassed(kKick);
    };
    EXPECT_FALSE(crossBoundary());
    table.set(3, 0, 127, kKick + 1);  // the end of the old position is examined
    EXPECT_TRUE(crossBoundary());
    table.set(3, 0, 127, 0);
    table.set(4, 0, 0, kKick + 1);  // and the start of the new one
    EXPECT_TRUE(crossBoundary());
    table.set(4, 0, 0, 0);
    table.set(4, 0, 1, kKick + 1);  // but not its current row
    EXPECT_FALSE(crossBoundary());
    table.set(3, 0, 125, kKick + 1);  // nor rows before the previous one
    EXPECT_FALSE(crossBoundary());
}

TEST(MusicClock, CutMarkerAndEmptyCellsAnswerToTheirCodes) {
    Table table;
    table.set(1, 2, 1, 255);
    PatternData clock(table.bytes.data());
    clock.update(5325);
    clock.update(5325 + 84);
    EXPECT_TRUE(clock.eventPassed(PatternData::kCutMarkerCode));
    EXPECT_TRUE(clock.eventPassed(-1));  // every other cell is empty
    EXPECT_FALSE(clock.eventPassed(kKick));
}

TEST(MusicClock, NeverReadsPastTheLastPosition) {
    Table table;
    for (int r = 0; r < 128; ++r) table.set(32, 0, r, kKick + 1);
    PatternData clock(table.bytes.data());
    clock.update(32 * 5324.8 + 100);
    clock.update(33 * 5324.8 + 100);  // 32 -> 33: only position 32 is read
    EXPECT_TRUE(clock.eventPassed(kKick));
    clock.update(34 * 5324.8 + 100);
    clock.update(40 * 5324.8 + 100);
    EXPECT_FALSE(clock.eventPassed(kKick));
    EXPECT_FALSE(clock.eventPassed(-1));
}

TEST(MusicClock, FormatRowDrawsTheTrackerLine) {
    Table table;
    table.set(0, 2, 31, 4);
    table.set(0, 5, 31, 255);
    PatternData clock(table.bytes.data());
    clock.update(30 * 41.6 + 1);
    char text[33];
    clock.formatRow(text, 1);
    EXPECT_STREQ(text, "1F .. .. 03 .. .. -- .. .. .. ..");
    clock.formatRow(text, -31);
    EXPECT_STREQ(text, "");
    clock.formatRow(text, 98);
    EXPECT_STREQ(text, "");
    clock.update(33 * 5324.8 + 1);
    clock.formatRow(text, 0);
    EXPECT_STREQ(text, "");
}

namespace {
void enterFolderWith(const char* name, const std::vector<uint8_t>& bytes) {
    char folder[] = "/tmp/patterndataXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(chdir(folder), 0);
    if (name == nullptr) return;
    mkdir("data", 0755);
    FILE* f = fopen(name, "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}
}  // namespace

TEST(PatternFile, MissingOrShortFileEndsWithOneLine) {
    EXPECT_EXIT(
        {
            enterFolderWith(nullptr, {});
            dup2(2, 1);
            PatternData::instance();
        },
        ::testing::ExitedWithCode(1), "^error loading data/patterndata.bin\n$");
    EXPECT_EXIT(
        {
            enterFolderWith("data/patterndata.bin", std::vector<uint8_t>(42259, 0));
            dup2(2, 1);
            PatternData::instance();
        },
        ::testing::ExitedWithCode(1),
        "^error loading data/patterndata.bin: 42259 of 42260 bytes\n$");
}

// A file of the table's size that is not the table, or not as this demo
// reads it, is refused saying what its header is.
TEST(PatternFile, WrongHeaderIsRefusedSayingWhatItHolds) {
    Table table;
    EXPECT_EQ(PatternData::headerProblem(table.bytes.data()), "");
    Table riff;
    std::copy_n("RIF\x01", 4, riff.bytes.begin());
    EXPECT_EQ(PatternData::headerProblem(riff.bytes.data()),
              "not the song's synchronisation table (it begins with \"RIF\\x01\", not \"ODSY\")");
    Table later;
    later.bytes[4] = 2;
    EXPECT_EQ(PatternData::headerProblem(later.bytes.data()), "format 2, the demo reads format 1");
    Table longer;
    longer.bytes[6] = 34;
    longer.bytes[11] = 1;
    EXPECT_EQ(PatternData::headerProblem(longer.bytes.data()),
              "its header says 34 positions, 10 channels and 384 rows; the demo's table has 33, "
              "10 and 128");
    EXPECT_EXIT(
        {
            enterFolderWith("data/patterndata.bin", riff.bytes);
            dup2(2, 1);
            PatternData::instance();
        },
        ::testing::ExitedWithCode(1), "^error loading data/patterndata.bin: not the song's");
}

TEST(PatternFile, FullFileLoads) {
    Table table;
    table.set(7, 1, 2, 42);
    enterFolderWith("data/patterndata.bin", table.bytes);
    PatternData& data = PatternData::instance();
    EXPECT_EQ(&data, &PatternData::instance());
    EXPECT_EQ(data.cell(7, 1, 2), 42);
    EXPECT_EQ(data.position(), 0);
}
