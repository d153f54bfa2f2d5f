// sync_table.h - the synchronisation table the pictures read ("data/patterndata.bin").
//
// Layout, 42260 bytes:
//   0   4  signature "ODSY"
//   4   2  format version, little-endian (1)
//   6   2  positions (33), little-endian
//   8   2  channels (10), little-endian
//  10   2  rows a position (128), little-endian
//  12   8  zero
//  20      cells: position by position, within a position channel by channel,
//          128 rows each; byte = instrument code + 1 where a note starts, 255 where
//          the channel's note is cut, 0 where nothing happens.
// Only positions 0-32 are stored: the outro after them has no pictures that
// react to the music.
#pragma once

#include <cstdint>
#include <vector>

#include "song/song_arrangement.h"

namespace song {

constexpr int kSyncPositions = 33;
constexpr int kSyncHeaderBytes = 20;
constexpr int kSyncFileBytes = kSyncHeaderBytes + kSyncPositions * kChannels * kRowsPerPosition;
constexpr uint16_t kSyncFormatVersion = 1;
constexpr uint8_t kSyncEmpty = 0;
constexpr uint8_t kSyncCut = 255;

// Byte offset of a cell in the file.
constexpr int syncCellOffset(int position, int channel, int row) {
    return kSyncHeaderBytes + (position * kChannels + channel) * kRowsPerPosition + row;
}

uint8_t syncCellValue(const Cell& cell);

std::vector<uint8_t> buildSyncTable(const Arrangement& song);

}  // namespace song
