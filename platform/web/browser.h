// browser.h - what the browser back-end offers the web page's entry point
// beyond the common platform calls: the page's clock (clock.cpp), which
// holds the whole of its policy.
//
// Before Play the clock reads 0. From Play on it follows the sound the
// listener hears, from the output's reports of what it played and when
// (heard_clock.h): the picture keeps to the music however slow the machine,
// and a stalled output holds the picture rather than let it run ahead. The
// picture is chosen for when it will be seen: a display frame and a half
// ahead, and further on a slow machine, by the work its animation frames
// take. Where there is no sound to follow (no audio in the browser, no music
// to play, the page's decoder failed) it is the wall clock; and where no
// sound is heard for 3 s while the music plays, the sound has stopped for
// good: the clock goes on by the wall clock from where it stands, and says
// so once. The player tells it when the sound it counted no longer counts (a
// jump, a pause) and when sound is due again (platform/clock.h).
#pragma once

#include <cstdint>

// At Play: on the sound heard, if there is sound to hear, else on the wall
// clock; frames of framePeriodMs. Sound is due from the next
// platformExpectSound (platform/clock.h).
void browserStartClock(bool withSound, double framePeriodMs);
// An animation frame starts at nowMs of the page's clock; the output's clock
// was heardSeconds at heardAtMs (heardSeconds < 0: no output running). The
// copy of the engine that runs ahead works in what is left of its period.
void browserAnimationFrame(double nowMs, double heardSeconds, double heardAtMs);
// No idle time until the next animation frame: a command's own jump (a
// paused picture's step) is made at once, without the copy's work.
void browserNoIdleTime();
// The work of an animation frame that showed a picture and made no jump: the
// picture is chosen that much further ahead (an average, up to a limit).
void browserAnimationFrameWork(double workMs);
// The output played soundFrames of the sound that follows the latest seek
// from atSeconds of its clock on, and holds `following` frames more to
// follow them directly.
void browserSoundHeard(double atSeconds, uint32_t soundFrames, uint32_t following);
// The page's sound has stopped for good (its decoder failed): the wall clock
// takes over from where the picture stands.
void browserSoundLost();
