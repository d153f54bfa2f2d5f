// The desktop's input: SDL's event queue, its key symbols mapped to the
// engine's keys, after any key queued by the program itself.
#include "platform/input.h"

#include <SDL.h>

#include <deque>

#include "platform/desktop/controls.h"
#include "platform/desktop/window.h"

namespace {

std::deque<InputEvent> gQueued;

Key keyOf(SDLKey symbol) {
    switch (symbol) {
        case SDLK_BACKSPACE:
            return Key::Backspace;
        case SDLK_ESCAPE:
            return Key::Escape;
        case SDLK_SPACE:
            return Key::Space;
        case SDLK_RIGHT:
            return Key::Right;
        case SDLK_LEFT:
            return Key::Left;
        case SDLK_HOME:
            return Key::Home;
        case SDLK_l:
            return Key::L;
        case SDLK_o:
            return Key::O;
        case SDLK_PERIOD:
            return Key::Period;
        case SDLK_COMMA:
            return Key::Comma;
        default:
            return Key::Other;
    }
}

}  // namespace

void platformQueueKey(Key key) {
    gQueued.push_back({InputEvent::Kind::KeyDown, key});
    gQueued.push_back({InputEvent::Kind::KeyUp, key});
}

bool platformNextInput(InputEvent* event) {
    if (!gQueued.empty()) {
        *event = gQueued.front();
        gQueued.pop_front();
        return true;
    }
    SDL_Event sdl;
    while (SDL_PollEvent(&sdl) != 0) {
        if (sdl.type == SDL_QUIT) {
            *event = {InputEvent::Kind::Quit, Key::Other};
            return true;
        }
        if (sdl.type != SDL_KEYDOWN && sdl.type != SDL_KEYUP) continue;
        const SDLKey symbol = sdl.key.keysym.sym;
        if (sdl.type == SDL_KEYDOWN && symbol == SDLK_RETURN && (sdl.key.keysym.mod & KMOD_ALT)) {
            desktopToggleFullScreen();
            continue;
        }
        const auto kind =
            sdl.type == SDL_KEYDOWN ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        *event = {kind, keyOf(symbol), (sdl.key.keysym.mod & KMOD_SHIFT) != 0};
        return true;
    }
    return false;
}
