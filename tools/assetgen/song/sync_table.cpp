// sync_table.cpp - writes the arrangement's events into the synchronisation table.
#include "song/sync_table.h"

namespace song {
namespace {

void putLittle16(std::vector<uint8_t>& bytes, int offset, uint16_t value) {
    bytes[size_t(offset)] = uint8_t(value & 0xFF);
    bytes[size_t(offset) + 1] = uint8_t(value >> 8);
}

}  // namespace

uint8_t syncCellValue(const Cell& cell) {
    switch (cell.kind) {
        case CellKind::kNote:
            return uint8_t(cell.instrument + 1);
        case CellKind::kCut:
            return kSyncCut;
        case CellKind::kEmpty:
            break;
    }
    return kSyncEmpty;
}

std::vector<uint8_t> buildSyncTable(const Arrangement& song) {
    std::vector<uint8_t> bytes(kSyncFileBytes, 0);
    bytes[0] = 'O';
    bytes[1] = 'D';
    bytes[2] = 'S';
    bytes[3] = 'Y';
    putLittle16(bytes, 4, kSyncFormatVersion);
    putLittle16(bytes, 6, kSyncPositions);
    putLittle16(bytes, 8, kChannels);
    putLittle16(bytes, 10, kRowsPerPosition);
    for (int position = 0; position < kSyncPositions; ++position)
        for (int channel = 0; channel < kChannels; ++channel)
            for (int row = 0; row < kRowsPerPosition; ++row)
                bytes[size_t(syncCellOffset(position, channel, row))] =
                    syncCellValue(song.at(position, channel, row));
    return bytes;
}

}  // namespace song
