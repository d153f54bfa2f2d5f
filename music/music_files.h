// music_files.h - what the second processor's program and the song must be
// for music to come of them, checked before anything starts: plain reads of
// the two files, judged by what the second processor will do with them, with
// no device, register or thread. Every host asks about the song; the hosts
// that load code940.bin into the second processor (the console, the
// desktop's simulation) ask about the program too.
#pragma once

#include <cstdint>
#include <string>

namespace AudioBridge {

// The second processor's program and the soundtrack, in the working directory.
constexpr const char* kProgramFile = "code940.bin";
constexpr const char* kSongFile = "data/ondrivale.ogg";

// Why the program image cannot run on the second processor, in one line
// without a newline ("code940.bin is missing", "code940.bin is not a program
// the second processor runs", ...); empty if it can.
std::string programProblem(const char* programPath = kProgramFile);
// Why the song cannot play for a demo of demoMs milliseconds ("data/ondrivale.ogg
// is not an Ogg Vorbis stream", "data/ondrivale.ogg ends at 5.6 s, the demo
// needs 186.4 s", ...); empty if it can. The song's length is the one its Ogg
// stream states.
std::string songProblem(uint32_t demoMs, const char* songPath = kSongFile);
// Both, joined with ", and "; empty if both can play.
std::string musicProblem(uint32_t demoMs, const char* songPath = kSongFile);
// Start-up's note, for a demo that plays on silently: "no music: <problem>"
// as a problem line (platform/messages.h), unless the problem is empty.
void warnIfNoMusic(const std::string& problem);

// Tenths of a second of a stereo sample, rounded down: "92.2".
std::string secondsText(uint64_t sample);

}  // namespace AudioBridge
