// song_arrangement.cpp - composes the song: a minor-key piece at 180 beats a minute.
//
// The song is written the way a tracker musician writes it: one-bar patterns
// (32 rows, one character a row) for drums, bass, arpeggio and glitch stabs,
// melodies as note names with lengths in rows, chord progressions of four bars
// a position, and a plan that says for each position which patterns play.
#include "song/song_arrangement.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace song {
namespace {

// ---- harmony -------------------------------------------------------------------
struct Chord {
    const char* name;
    int pad[3];    // close voicing around middle C
    int bass;      // root in the bass register
    int tones[4];  // root, third, fifth, octave for arpeggios (played an octave up)
};

const Chord kChords[] = {
    {"Dm", {62, 65, 69}, 38, {62, 65, 69, 74}}, {"Bb", {62, 65, 70}, 34, {58, 62, 65, 70}},
    {"F", {60, 65, 69}, 41, {60, 65, 69, 72}},  {"C", {60, 64, 67}, 36, {60, 64, 67, 72}},
    {"A", {61, 64, 69}, 33, {57, 61, 64, 69}},  {"Gm", {62, 67, 70}, 43, {62, 67, 70, 74}},
};

const Chord& chordNamed(const char* name) {
    for (const Chord& c : kChords)
        if (strcmp(c.name, name) == 0) return c;
    fprintf(stderr, "song: unknown chord %s\n", name);
    abort();
}

using Progression = const char* [4];
const Progression kIntroA = {"Dm", "Dm", "Bb", "Bb"};
const Progression kIntroB = {"Gm", "Gm", "A", "A"};
const Progression kVerseA = {"Dm", "Bb", "F", "C"};
const Progression kVerseB = {"Dm", "Bb", "C", "A"};
const Progression kBreakA = {"Bb", "C", "Dm", "Dm"};
const Progression kEnding = {"Dm", "Bb", "C", "Dm"};
const Progression kTonic = {"Dm", "Dm", "Dm", "Dm"};

// ---- one-bar patterns, one character a row ----------------------------------------
// Drums: X loud, x normal, o ghost. Hats: h closed, k accented closed, O open.
const char* const kKickHalf = "X.........x...........x.........";
const char* const kKickTwoStep = "X.........x.........x...........";
const char* const kKickFour = "X.......X.......X.......X.......";
const char* const kKickBuild = "x...............x...............";
const char* const kKickLast = "X.......x.......x...............";

const char* const kSnareHalf = "................X.............o.";
const char* const kSnareTwoStep = "........X.........o.....X.....o.";
const char* const kSnareFour = "........X...............X.......";
const char* const kSnareFill = "x.......x.......x.......x.x.x.x.";
const char* const kSnareRoll = "x.......x.......x.x.x.x.xxxxxxxx";

const char* const kHatEighths = "h...k...h...k...h...k...h...k...";
const char* const kHatSixteenths = "h.h.k.h.h.h.k.h.h.h.k.h.h.h.k.h.";
const char* const kHatOffbeat = "h.h.O...h.h.O...h.h.O...h.h.O...";
const char* const kHatTick = "....h.......h.......h.......h...";

// Bass: R root, O octave up, F fifth up, - cut. Roots fall only on kick rows, so
// the low end never starts a note that could be mistaken for a kick.
const char* const kBassHalf = "R.........R.....O...-.R.........";
const char* const kBassRoll = "R...O...O.R...O.O...R...O...O.O.";
const char* const kBassDrive = "R...O...R...O...R...O...R...O...";
const char* const kBassLong = "R...............................";

// Arpeggio: digit d plays chord tone d % 4, d / 4 octaves up.
const char* const kArpEighths = "0...2...1...3...0...2...4...3...";
const char* const kArpSixteenths = "0.1.2.3.4.3.2.1.0.1.2.3.4.3.2.1.";
const char* const kArpUp = "0.1.2.3.4.5.6.7.0.1.2.3.4.5.3.2.";

// Glitch stabs: g stab, - cut. The intro logo jitters while a stab sounds.
const char* const kStabSingle = "g...-...........................";
const char* const kStabPair = "g...-...........g.-.............";
const char* const kStabFour = "g...-.....g.-...g...-.....g.-...";
const char* const kStabBurst = "g.-.g.-.....g.-.g.-.g.-.g-g-g-g-";

// ---- melodies: note name and length in rows, r = rest ------------------------------
const char* const kLeadA =
    "A4:8 D5:8 F5:12 E5:4  D5:16 F5:8 D5:8  C5:8 F5:8 A5:12 G5:4  E5:12 D5:4 C5:8 E5:8";
const char* const kLeadB =
    "A5:8 F5:8 D5:8 F5:8  G5:12 F5:4 D5:16  E5:8 C5:8 E5:8 G5:8  C#5:8 E5:8 A4:12 r:4";
const char* const kLeadA2 =
    "D5:4 E5:4 F5:8 A5:8 F5:4 E5:4  D5:8 F5:8 Bb5:8 A5:8  A5:8 G5:4 F5:4 C6:12 A5:4  G5:16 E5:8 "
    "G5:8";
const char* const kLeadB2 =
    "A5:8 D6:8 C6:8 A5:8  Bb5:12 A5:4 F5:8 D5:8  E5:8 G5:8 C6:8 Bb5:8  A5:16 C#6:8 E6:8";
const char* const kLeadBreakA = "F5:16 D5:16  E5:16 G5:16  A5:24 F5:8  D5:28 r:4";
const char* const kLeadBreakB = "G5:16 Bb5:16  A5:16 G5:8 F5:8  E5:24 C#5:8  E5:28 r:4";
const char* const kLeadEnding = "A5:16 F5:16  D5:16 F5:16  E5:16 G5:16  D5:32";

// ---- the plan: what plays in each position ------------------------------------------
struct Bars {
    const char* bar[4];  // a pattern per bar; nullptr = silent bar
};
constexpr Bars kNone = {{nullptr, nullptr, nullptr, nullptr}};
constexpr Bars all(const char* p) {
    return {{p, p, p, p}};
}
constexpr Bars fill(const char* p, const char* last) {
    return {{p, p, p, last}};
}

struct PositionPlan {
    Section section;
    const Progression* chords;
    int transpose;
    Bars kick, snare, hats, bass, arp, stabs;
    bool subDrone;
    int padVolume;  // 0 = no pads
    const char* lead;
    bool crash;    // crash cymbal on the first row
    int riserRow;  // row where a riser starts (-1 none); it lasts two bars
    int riserChannel;
};

// clang-format off
constexpr PositionPlan kPlan[kSongPositions] = {
    // section, chords, transpose,
    //   kick, snare, hats, bass, arpeggio, stabs,
    //   sub drone, pad volume, lead, crash, riser row, riser channel

    // intro: pads and glitch stabs over a sub drone, no kick
    {Section::kIntro, &kIntroA, 0,
     kNone, kNone, kNone, kNone, kNone, {{kStabSingle, kStabSingle, kStabSingle, kStabPair}},
     false, 85, nullptr, false, -1, 0},
    {Section::kIntro, &kIntroB, 0,
     kNone, kNone, kNone, kNone, kNone, {{kStabSingle, kStabPair, kStabSingle, kStabPair}},
     true, 85, nullptr, false, -1, 0},
    {Section::kIntro, &kIntroA, 0,
     kNone, kNone, kNone, kNone, all(kArpEighths), {{kStabPair, kStabFour, kStabPair, kStabFour}},
     true, 85, nullptr, false, -1, 0},
    {Section::kIntro, &kIntroB, 0,
     kNone, kNone, all(kHatTick), kNone, all(kArpEighths), {{kStabFour, kStabFour, kStabBurst, kStabBurst}},
     true, 85, nullptr, false, 64, kLeadChannel},

    // title: the beat enters, half-time
    {Section::kTitle, &kVerseA, 0,
     all(kKickHalf), all(kSnareHalf), all(kHatEighths), all(kBassHalf), all(kArpSixteenths), kNone,
     false, 55, nullptr, true, -1, 0},
    {Section::kTitle, &kVerseA, 0,
     all(kKickHalf), all(kSnareHalf), all(kHatEighths), all(kBassHalf), all(kArpSixteenths), kNone,
     false, 55, nullptr, false, -1, 0},
    {Section::kTitle, &kVerseA, 0,
     all(kKickHalf), all(kSnareHalf), all(kHatEighths), all(kBassHalf), all(kArpSixteenths), kNone,
     false, 55, nullptr, false, -1, 0},
    {Section::kTitle, &kVerseB, 0,
     all(kKickHalf), fill(kSnareHalf, kSnareFill), all(kHatEighths), all(kBassHalf), all(kArpSixteenths), kNone,
     false, 55, nullptr, false, -1, 0},

    // groove: broken beat with a rolling bass
    {Section::kGroove, &kVerseA, 0,
     all(kKickTwoStep), all(kSnareTwoStep), all(kHatSixteenths), all(kBassRoll), all(kArpSixteenths), kNone,
     false, 45, nullptr, true, -1, 0},
    {Section::kGroove, &kVerseB, 0,
     all(kKickTwoStep), all(kSnareTwoStep), all(kHatSixteenths), all(kBassRoll), all(kArpSixteenths), kNone,
     false, 45, nullptr, false, -1, 0},
    {Section::kGroove, &kVerseA, 0,
     all(kKickTwoStep), all(kSnareTwoStep), all(kHatSixteenths), all(kBassRoll), all(kArpSixteenths), kNone,
     false, 45, nullptr, false, -1, 0},
    {Section::kGroove, &kVerseB, 0,
     all(kKickTwoStep), fill(kSnareTwoStep, kSnareFill), all(kHatSixteenths), all(kBassRoll), all(kArpSixteenths), kNone,
     false, 45, nullptr, false, -1, 0},

    // melodic: the theme over the half-time beat
    {Section::kMelodic, &kVerseA, 0,
     all(kKickHalf), all(kSnareHalf), all(kHatEighths), all(kBassHalf), all(kArpEighths), kNone,
     false, 60, kLeadA, true, -1, 0},
    {Section::kMelodic, &kVerseB, 0,
     all(kKickHalf), all(kSnareHalf), all(kHatEighths), all(kBassHalf), all(kArpEighths), kNone,
     false, 60, kLeadB, false, -1, 0},
    {Section::kMelodic, &kVerseA, 0,
     all(kKickHalf), all(kSnareHalf), all(kHatSixteenths), all(kBassHalf), all(kArpEighths), kNone,
     false, 60, kLeadA, false, -1, 0},
    {Section::kMelodic, &kVerseB, 0,
     all(kKickHalf), fill(kSnareHalf, kSnareFill), all(kHatSixteenths), all(kBassHalf), all(kArpEighths), kNone,
     false, 60, kLeadB, false, -1, 0},

    // breakdown: drums out, pads and a slow melody; the beat builds back
    {Section::kBreakdown, &kBreakA, 0,
     kNone, kNone, kNone, kNone, all(kArpEighths), kNone,
     true, 75, kLeadBreakA, true, -1, 0},
    {Section::kBreakdown, &kIntroB, 0,
     kNone, kNone, kNone, kNone, all(kArpSixteenths), kNone,
     true, 75, kLeadBreakB, false, -1, 0},
    {Section::kBreakdown, &kBreakA, 0,
     all(kKickBuild), kNone, all(kHatTick), all(kBassLong), all(kArpSixteenths), kNone,
     false, 75, kLeadBreakA, false, -1, 0},
    {Section::kBreakdown, &kVerseB, 0,
     all(kKickFour), {{kSnareFour, kSnareFour, kSnareFill, kSnareRoll}}, all(kHatEighths), all(kBassLong), all(kArpUp), kNone,
     false, 65, nullptr, false, 64, kFxChannel},

    // full beat: the broken beat again with the climbing arpeggio, then the theme
    {Section::kFullBeat, &kVerseA, 0,
     all(kKickTwoStep), all(kSnareTwoStep), all(kHatSixteenths), all(kBassRoll), all(kArpUp), kNone,
     false, 45, nullptr, true, -1, 0},
    {Section::kFullBeat, &kVerseB, 0,
     all(kKickTwoStep), all(kSnareTwoStep), all(kHatSixteenths), all(kBassRoll), all(kArpUp), kNone,
     false, 45, nullptr, false, -1, 0},
    {Section::kFullBeat, &kVerseA, 0,
     all(kKickTwoStep), all(kSnareTwoStep), all(kHatSixteenths), all(kBassRoll), all(kArpUp), kNone,
     false, 45, kLeadA, false, -1, 0},
    {Section::kFullBeat, &kVerseB, 0,
     all(kKickTwoStep), fill(kSnareTwoStep, kSnareFill), all(kHatSixteenths), all(kBassRoll), all(kArpUp), kNone,
     false, 45, kLeadB, false, -1, 0},

    // lift: four to the floor, offbeat hats and bass, the theme varied
    {Section::kLift, &kVerseA, 0,
     all(kKickFour), all(kSnareFour), all(kHatOffbeat), all(kBassDrive), all(kArpSixteenths), kNone,
     false, 55, kLeadA2, true, -1, 0},
    {Section::kLift, &kVerseB, 0,
     all(kKickFour), all(kSnareFour), all(kHatOffbeat), all(kBassDrive), all(kArpSixteenths), kNone,
     false, 55, kLeadB2, false, -1, 0},
    {Section::kLift, &kVerseA, 0,
     all(kKickFour), all(kSnareFour), all(kHatOffbeat), all(kBassDrive), all(kArpSixteenths), kNone,
     false, 55, kLeadA2, false, -1, 0},
    {Section::kLift, &kVerseB, 0,
     all(kKickFour), {{kSnareFour, kSnareFour, kSnareFill, kSnareRoll}}, all(kHatOffbeat), all(kBassDrive), all(kArpSixteenths), kNone,
     false, 55, kLeadB2, false, 64, kFxChannel},

    // climax: everything, a whole tone up
    {Section::kClimax, &kVerseA, 2,
     all(kKickFour), all(kSnareFour), all(kHatOffbeat), all(kBassDrive), all(kArpUp), kNone,
     false, 60, kLeadA, true, -1, 0},
    {Section::kClimax, &kVerseB, 2,
     all(kKickFour), all(kSnareFour), all(kHatOffbeat), all(kBassDrive), all(kArpUp), kNone,
     false, 60, kLeadB, false, -1, 0},
    {Section::kClimax, &kVerseA, 2,
     all(kKickFour), all(kSnareFour), all(kHatOffbeat), all(kBassDrive), all(kArpUp), kNone,
     false, 60, kLeadA2, false, -1, 0},
    {Section::kClimax, &kVerseB, 2,
     all(kKickFour), fill(kSnareFour, kSnareFill), all(kHatOffbeat), all(kBassDrive), all(kArpUp), kNone,
     false, 60, kLeadB2, false, -1, 0},

    // outro: the beat winds down, then the last chord fades away
    {Section::kOutro, &kEnding, 2,
     fill(kKickHalf, kKickLast), all(kSnareHalf), all(kHatEighths), all(kBassHalf), all(kArpEighths), kNone,
     false, 65, kLeadEnding, true, -1, 0},
    {Section::kOutro, &kTonic, 2,
     kNone, kNone, kNone, kNone, {{kArpEighths, kArpEighths, nullptr, nullptr}}, kNone,
     true, 70, nullptr, false, -1, 0},
    {Section::kOutro, &kTonic, 2,
     kNone, kNone, kNone, kNone, kNone, kNone,
     false, 0, nullptr, false, -1, 0},
};
// clang-format on

// ---- writing cells ---------------------------------------------------------------
void putNote(Arrangement& song, int position, int channel, int row, uint8_t instrument, int note,
             int volume) {
    Cell& cell = song.at(position, channel, row);
    cell.kind = CellKind::kNote;
    cell.instrument = instrument;
    cell.note = uint8_t(note);
    cell.volume = uint8_t(volume);
}

void putCut(Arrangement& song, int position, int channel, int row) {
    Cell& cell = song.at(position, channel, row);
    cell = Cell{};
    cell.kind = CellKind::kCut;
}

void checkBar(const char* pattern) {
    if (strlen(pattern) != size_t(kRowsPerBar)) {
        fprintf(stderr, "song: pattern \"%s\" is not one bar long\n", pattern);
        abort();
    }
}

int drumVolume(char c) {
    return c == 'X' ? 100 : c == 'x' ? 80 : c == 'o' ? 40 : 0;
}

void writeDrums(Arrangement& song, int position, int channel, uint8_t instrument,
                const Bars& bars) {
    for (int bar = 0; bar < 4; ++bar) {
        const char* p = bars.bar[bar];
        if (p == nullptr) continue;
        checkBar(p);
        const bool roll = p == kSnareRoll;
        for (int i = 0; i < kRowsPerBar; ++i) {
            int volume = drumVolume(p[i]);
            if (volume == 0) continue;
            if (roll) volume = 45 + i * 55 / kRowsPerBar;  // the roll swells into the next section
            putNote(song, position, channel, bar * kRowsPerBar + i, instrument, 60, volume);
        }
    }
}

void writeHats(Arrangement& song, int position, const Bars& bars) {
    for (int bar = 0; bar < 4; ++bar) {
        const char* p = bars.bar[bar];
        if (p == nullptr) continue;
        checkBar(p);
        for (int i = 0; i < kRowsPerBar; ++i) {
            const int row = bar * kRowsPerBar + i;
            if (p[i] == 'h') putNote(song, position, kHatChannel, row, kClosedHat, 60, 45);
            if (p[i] == 'k') putNote(song, position, kHatChannel, row, kClosedHat, 60, 75);
            if (p[i] == 'O') putNote(song, position, kHatChannel, row, kOpenHat, 60, 65);
        }
    }
}

void writeBass(Arrangement& song, int position, const PositionPlan& plan) {
    for (int bar = 0; bar < 4; ++bar) {
        const int root = chordNamed((*plan.chords)[bar]).bass + plan.transpose;
        const int row0 = bar * kRowsPerBar;
        if (plan.subDrone) {
            putNote(song, position, kBassChannel, row0, kSubDrone, root, 80);
            continue;
        }
        // The bass line plays an octave above the drone: the sub range below
        // 100 Hz belongs to the kick alone, so the two never blur.
        const int line = root + 12;
        const char* p = plan.bass.bar[bar];
        if (p == nullptr) continue;
        checkBar(p);
        for (int i = 0; i < kRowsPerBar; ++i) {
            const char c = p[i];
            if (c == '-') putCut(song, position, kBassChannel, row0 + i);
            if (c == 'R') putNote(song, position, kBassChannel, row0 + i, kBass, line, 90);
            if (c == 'O') putNote(song, position, kBassChannel, row0 + i, kBass, line + 12, 80);
            if (c == 'F') putNote(song, position, kBassChannel, row0 + i, kBass, line + 7, 80);
        }
    }
}

void writePads(Arrangement& song, int position, const PositionPlan& plan) {
    if (plan.padVolume == 0) return;
    const char* previous = nullptr;
    for (int bar = 0; bar < 4; ++bar) {
        const char* name = (*plan.chords)[bar];
        if (previous != nullptr && strcmp(previous, name) == 0) continue;  // held chord
        previous = name;
        const Chord& chord = chordNamed(name);
        for (int voice = 0; voice < 3; ++voice)
            putNote(song, position, kPadChannel + voice, bar * kRowsPerBar, kPad,
                    chord.pad[voice] + plan.transpose, plan.padVolume);
    }
}

void writeArpeggio(Arrangement& song, int position, const PositionPlan& plan) {
    for (int bar = 0; bar < 4; ++bar) {
        const char* p = plan.arp.bar[bar];
        if (p == nullptr) continue;
        checkBar(p);
        const Chord& chord = chordNamed((*plan.chords)[bar]);
        for (int i = 0; i < kRowsPerBar; ++i) {
            if (p[i] < '0' || p[i] > '9') continue;
            const int digit = p[i] - '0';
            const int note = chord.tones[digit % 4] + 12 * (1 + digit / 4) + plan.transpose;
            const int accent = (i % 8 == 0) ? 70 : 55;
            putNote(song, position, kArpChannel, bar * kRowsPerBar + i, kArp, note, accent);
        }
    }
}

void writeStabs(Arrangement& song, int position, const PositionPlan& plan) {
    for (int bar = 0; bar < 4; ++bar) {
        const char* p = plan.stabs.bar[bar];
        if (p == nullptr) continue;
        checkBar(p);
        const int note = chordNamed((*plan.chords)[bar]).tones[0] + plan.transpose;
        for (int i = 0; i < kRowsPerBar; ++i) {
            if (p[i] == 'g')
                putNote(song, position, kFxChannel, bar * kRowsPerBar + i, kGlitchStab, note, 80);
            if (p[i] == '-') putCut(song, position, kFxChannel, bar * kRowsPerBar + i);
        }
    }
}

// "C#5" -> 73; sharps and flats, octave 0..9.
int parseNoteName(const std::string& name) {
    static const int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    size_t i = 0;
    int note = kSemitone[name[i++] - 'A'];
    if (name[i] == '#') note += 1, ++i;
    if (name[i] == 'b') note -= 1, ++i;
    const int octave = name[i] - '0';
    return 12 * (octave + 1) + note;
}

// Writes a melody; a note sounds until the next note starts or, before a rest,
// until its length has passed.
void writeMelody(Arrangement& song, int position, const char* melody, int transpose) {
    int row = 0;
    const char* p = melody;
    while (*p != '\0') {
        while (*p == ' ') ++p;
        if (*p == '\0') break;
        const char* colon = strchr(p, ':');
        const std::string name(p, size_t(colon - p));
        const int length = atoi(colon + 1);
        p = colon + 1;
        while (*p >= '0' && *p <= '9') ++p;
        if (name == "r") {
            putCut(song, position, kLeadChannel, row);
        } else {
            putNote(song, position, kLeadChannel, row, kLead, parseNoteName(name) + transpose, 75);
        }
        row += length;
    }
    if (row != kRowsPerPosition) {
        fprintf(stderr, "song: melody \"%s\" lasts %d rows\n", melody, row);
        abort();
    }
}

}  // namespace

Section sectionOf(int position) {
    return kPlan[position].section;
}

bool beatPlays(int position) {
    for (const char* bar : kPlan[position].kick.bar)
        if (bar == nullptr) return false;
    return true;
}

Arrangement buildArrangement() {
    Arrangement song;
    for (int position = 0; position < kSongPositions; ++position) {
        const PositionPlan& plan = kPlan[position];
        writeDrums(song, position, kKickChannel, kKick, plan.kick);
        writeDrums(song, position, kSnareChannel, kSnare, plan.snare);
        writeHats(song, position, plan.hats);
        writeBass(song, position, plan);
        writePads(song, position, plan);
        if (plan.lead != nullptr) writeMelody(song, position, plan.lead, plan.transpose);
        writeArpeggio(song, position, plan);
        writeStabs(song, position, plan);
        if (plan.crash) putNote(song, position, kFxChannel, 0, kCrash, 60, 70);
        if (plan.riserRow >= 0)
            putNote(song, position, plan.riserChannel, plan.riserRow, kRiser, 60, 60);
    }
    // The last melody note rings half a bar into the fade, then the lead rests.
    putCut(song, kSongPositions - 2, kLeadChannel, 16);
    return song;
}

}  // namespace song
