// song_arrangement.h - the demo's song as a tracker arrangement.
//
// The song is 35 positions of 128 rows on 10 channels; one row lasts 41.6 ms,
// so row r of position p starts at (p * 128 + r) * 41.6 ms. Each channel plays
// one note at a time: a cell is empty, starts a note with an instrument, or cuts
// the channel's note. The synchronisation table and the rendered soundtrack are
// both made from this one arrangement, so every beat the pictures react to is a
// beat the listener hears.
//
// Positions 0-32 are the part the pictures follow; 33 and 34 are the outro,
// which fades to silence by the start of position 35.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/timeline.h"
#include "music/pattern_data.h"

namespace song {

// The demo's running order and its music clock set the song's shape.
constexpr int kChannels = PatternData::kChannels;
constexpr int kRowsPerPosition = PatternData::kRows;
constexpr int kSongPositions = kEndPosition;
constexpr int kRowsPerBar = 32;  // four beats of eight rows
constexpr double kRowMs = PatternData::kMsPerRow;
constexpr double kSongEndMs = kSongPositions * kRowsPerPosition * kRowMs;  // 186368 ms

// Instrument codes. The pictures listen to kKick (beats) and, in positions 0-3,
// to kGlitchStab and the cut marker (the intro logo's jitter on and off).
enum Instrument : uint8_t {
    kKick = 1,
    kSnare = 2,
    kClosedHat = 3,
    kOpenHat = 4,
    kBass = 5,
    kPad = 6,
    kLead = 7,
    kArp = 8,
    kCrash = 9,
    kRiser = 10,
    kGlitchStab = 11,
    kSubDrone = 12,  // slow sub bass of the quiet parts: no attack a listener hears as a beat
    kInstrumentCount = 13
};

// Which channel plays what.
enum Channel : int {
    kKickChannel = 0,
    kSnareChannel = 1,
    kHatChannel = 2,
    kBassChannel = 3,
    kPadChannel = 4,  // pads take channels 4, 5 and 6, one chord note each
    kLeadChannel = 7,
    kArpChannel = 8,
    kFxChannel = 9
};

enum class CellKind : uint8_t { kEmpty, kNote, kCut };

struct Cell {
    CellKind kind = CellKind::kEmpty;
    uint8_t instrument = 0;  // instrument code of a note
    uint8_t note = 0;        // MIDI note number (60 = middle C)
    uint8_t volume = 0;      // 0..100
};

struct Arrangement {
    std::vector<Cell> cells =
        std::vector<Cell>(size_t(kSongPositions) * kChannels * kRowsPerPosition);

    Cell& at(int position, int channel, int row) {
        return cells[(size_t(position) * kChannels + channel) * kRowsPerPosition + row];
    }
    const Cell& at(int position, int channel, int row) const {
        return cells[(size_t(position) * kChannels + channel) * kRowsPerPosition + row];
    }
};

// The section a position belongs to; the arrangement is built from these.
enum class Section {
    kIntro,
    kTitle,
    kGroove,
    kMelodic,
    kBreakdown,
    kFullBeat,
    kLift,
    kClimax,
    kOutro
};
Section sectionOf(int position);

// True where the song has a beat: the kick plays at least once every 16 rows.
bool beatPlays(int position);

// The whole song. Pure function: the same source gives the same arrangement.
Arrangement buildArrangement();

// Start time of a row counted from the start of the song.
inline double rowStartMs(int position, int row) {
    return (double(position) * kRowsPerPosition + row) * kRowMs;
}

}  // namespace song
