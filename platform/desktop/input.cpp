// The desktop's input: SDL's event queue, its key symbols mapped to the
// engine's keys, after any key queued by the program itself.
#include "platform/input.h"

#include <SDL.h>

#include <deque>
#include <utility>

#include "platform/desktop/controls.h"
#include "platform/desktop/window.h"

namespace {

std::deque<InputEvent> gQueued;

// SDL's symbols of the keys the engine knows; every other key is Key::Other.
constexpr std::pair<SDLKey, Key> kKeys[] = {
    {SDLK_BACKSPACE, Key::Backspace},
    {SDLK_ESCAPE, Key::Escape},
    {SDLK_SPACE, Key::Space},
    {SDLK_RIGHT, Key::Right},
    {SDLK_LEFT, Key::Left},
    {SDLK_HOME, Key::Home},
    {SDLK_l, Key::L},
    {SDLK_o, Key::O},
};

Key keyOf(SDLKey symbol) {
    for (const auto& [sdl, key] : kKeys) {
        if (sdl == symbol) return key;
    }
    return Key::Other;
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
        *event = {kind, keyOf(symbol)};
        return true;
    }
    return false;
}
