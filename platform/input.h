// input.h - the keys and the window's close, as the frame loop reads them.
//
// The engine names keys in its own terms (Key); each host maps its own
// events to them: the desktop SDL's key symbols, the console its terminal's
// keys and the signals that end a program. The web page has no events of its
// own to hand over here: its keys and buttons reach the player as they come,
// by the player's key table (core/player.h). Alt+Enter is the desktop
// window's own: it switches between the window and full screen there and is
// not passed on.
#pragma once

enum class Key { Other, Backspace, Escape, Space, Right, Left, Home, L, O, Period, Comma };

struct InputEvent {
    enum class Kind { Quit, KeyDown, KeyUp };
    Kind kind = Kind::Quit;
    Key key = Key::Other;  // key events only
    bool shift = false;    // held with Shift
};

// Takes the next event, in the order they happened; false once there is none.
// Events other than keys and the window's close are dropped.
bool platformNextInput(InputEvent* event);
