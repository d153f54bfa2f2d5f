// input.h - the window's input events, as the frame loop reads them.
//
// Events come in the order they happened, from SDL's queue. Alt+Enter is the
// window's own: it switches between the window and full screen here and is
// not passed on. Keys are SDL 1.2 key symbols (SDLK_* of SDL_keysym.h).
#pragma once

struct InputEvent {
    enum class Kind { Quit, KeyDown, KeyUp };
    Kind kind = Kind::Quit;
    int key = 0;  // key events only
};

// Takes the next event; false once the queue is empty. Events other than
// keys and the window's close are dropped.
bool platformNextInput(InputEvent* event);
