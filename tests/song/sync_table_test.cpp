// The song's synchronisation table: its layout, its agreement with the
// arrangement, and the events the pictures rely on.
#include "song/sync_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "music/pattern_data.h"
#include "song/song_arrangement.h"

using namespace song;

namespace {

std::vector<uint8_t> readFile(const char* path) {
    std::vector<uint8_t> bytes;
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return bytes;
    uint8_t buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(file);
    return bytes;
}

// Offset written out from the file's description, not taken from the writer.
size_t cellOffset(int position, int channel, int row) {
    return 20 + size_t(position) * 1280 + size_t(channel) * 128 + size_t(row);
}

const Arrangement& theSong() {
    static const Arrangement song = buildArrangement();
    return song;
}

}  // namespace

TEST(SyncTable, GeneratedFileHasTheSizeHeaderAndCellsOfTheArrangement) {
    const std::vector<uint8_t> file = readFile(DEMO_RUN_DIR "/data/patterndata.bin");
    ASSERT_EQ(file.size(), 42260u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "ODSY");
    EXPECT_EQ(file[4] | file[5] << 8, 1);
    for (int i = 12; i < 20; ++i) EXPECT_EQ(file[i], 0) << i;
    EXPECT_EQ(PatternData::headerProblem(file.data()), "") << "the demo reads what is written";
    const Arrangement& song = theSong();
    int mismatches = 0;
    for (int p = 0; p < 33; ++p)
        for (int c = 0; c < 10; ++c)
            for (int r = 0; r < 128; ++r) {
                const Cell& cell = song.at(p, c, r);
                const uint8_t expected = cell.kind == CellKind::kNote  ? cell.instrument + 1
                                         : cell.kind == CellKind::kCut ? 255
                                                                       : 0;
                if (file[cellOffset(p, c, r)] != expected && ++mismatches < 5)
                    ADD_FAILURE() << "position " << p << " channel " << c << " row " << r;
            }
    EXPECT_EQ(mismatches, 0);
}

TEST(SyncTable, StoresChannelByChannelWithinAPositionAndLeavesOutTheOutro) {
    Arrangement song;
    song.at(0, 0, 1).kind = CellKind::kNote;
    song.at(0, 0, 1).instrument = kKick;
    song.at(0, 1, 0).kind = CellKind::kCut;
    song.at(5, 9, 127).kind = CellKind::kNote;
    song.at(5, 9, 127).instrument = 253;
    song.at(32, 3, 64).kind = CellKind::kNote;
    song.at(32, 3, 64).instrument = kBass;
    song.at(33, 0, 0).kind = CellKind::kNote;  // outro: not part of the table
    song.at(33, 0, 0).instrument = kKick;
    const std::vector<uint8_t> table = buildSyncTable(song);
    ASSERT_EQ(table.size(), 42260u);
    EXPECT_EQ(table[cellOffset(0, 0, 1)], 2);
    EXPECT_EQ(table[cellOffset(0, 1, 0)], 255);
    EXPECT_EQ(table[cellOffset(5, 9, 127)], 254);
    EXPECT_EQ(table[cellOffset(32, 3, 64)], 6);
    int events = 0;
    for (size_t i = 20; i < table.size(); ++i) events += table[i] != 0;
    EXPECT_EQ(events, 4);
}

TEST(SyncTable, TheSameSourceGivesTheSameBytes) {
    EXPECT_EQ(buildSyncTable(buildArrangement()), buildSyncTable(theSong()));
}

TEST(SongEvents, IntroSwitchesTheGlitchOnAndOffInRhythmWithoutAKick) {
    const Arrangement& song = theSong();
    int stabs = 0;
    int cuts = 0;
    for (int p = 0; p < 4; ++p) {
        int stabsHere = 0;
        for (int c = 0; c < kChannels; ++c) {
            bool stabSounding = false;
            for (int r = 0; r < 128; ++r) {
                const Cell& cell = song.at(p, c, r);
                EXPECT_FALSE(cell.kind == CellKind::kNote && cell.instrument == kKick);
                if (cell.kind == CellKind::kNote) {
                    stabSounding = cell.instrument == kGlitchStab;
                    if (stabSounding) {
                        ++stabsHere;
                        EXPECT_EQ(r % 2, 0) << "stab off the sixteenth grid at " << p << ":" << r;
                    }
                }
                if (cell.kind == CellKind::kCut) {
                    // Any cut here turns the logo's jitter off, so it must end a stab.
                    EXPECT_TRUE(stabSounding) << "cut without a stab at " << p << ":" << r;
                    stabSounding = false;
                    ++cuts;
                }
            }
            EXPECT_FALSE(stabSounding) << "stab left on at the end of position " << p;
        }
        EXPECT_GE(stabsHere, 4) << "position " << p;
        stabs += stabsHere;
    }
    EXPECT_EQ(stabs, cuts);
}

TEST(SongEvents, KickEveryBeatWhereTheBeatPlays) {
    const Arrangement& song = theSong();
    for (int p = 4; p < 32; ++p) {
        if (p < 16 || p >= 20) {
            EXPECT_TRUE(beatPlays(p)) << p;
        }
    }
    for (int p = 0; p < 4; ++p) EXPECT_FALSE(beatPlays(p));
    int kicks = 0;
    for (int p = 0; p < kSongPositions; ++p) {
        for (int window = 0; window < 128; window += 16) {
            int kicksInWindow = 0;
            for (int c = 0; c < kChannels; ++c)
                for (int r = window; r < window + 16; ++r) {
                    const Cell& cell = song.at(p, c, r);
                    if (cell.kind == CellKind::kNote && cell.instrument == kKick) {
                        EXPECT_EQ(c, int(kKickChannel));
                        ++kicksInWindow;
                    }
                }
            if (beatPlays(p)) {
                EXPECT_GE(kicksInWindow, 1) << p << ":" << window;
            } else {
                EXPECT_EQ(kicksInWindow, 0) << p << ":" << window;
            }
            kicks += kicksInWindow;
        }
    }
    EXPECT_GT(kicks, 300);
    // No kick in the outro positions that the table does not hold.
    EXPECT_FALSE(beatPlays(33));
    EXPECT_FALSE(beatPlays(34));
}

TEST(SongEvents, PitchedNotesStayInTheKey) {
    // D minor with its raised seventh (C#) for the dominant chord; the climax and the
    // outro are a whole tone up.
    const bool inDMinor[12] = {true,  true, true,  false, true, true,
                               false, true, false, true,  true, false};
    //                          C      C#    D     D#     E     F     F#     G     G#     A     Bb B
    const Arrangement& song = theSong();
    int pitched = 0;
    for (int p = 0; p < kSongPositions; ++p) {
        const int shift =
            sectionOf(p) == Section::kClimax || sectionOf(p) == Section::kOutro ? 2 : 0;
        for (int c = 0; c < kChannels; ++c)
            for (int r = 0; r < 128; ++r) {
                const Cell& cell = song.at(p, c, r);
                if (cell.kind != CellKind::kNote) continue;
                EXPECT_GE(cell.instrument, 1);
                EXPECT_LT(cell.instrument, 13);
                EXPECT_GT(cell.volume, 0);
                const bool tuned = cell.instrument >= kBass && cell.instrument <= kArp;
                if (!tuned) continue;
                ++pitched;
                EXPECT_TRUE(inDMinor[(cell.note - shift + 120) % 12])
                    << "note " << int(cell.note) << " at " << p << ":" << c << ":" << r;
                EXPECT_GE(cell.note, 24);
                EXPECT_LE(cell.note, 100);
            }
    }
    EXPECT_GT(pitched, 1000);
}
