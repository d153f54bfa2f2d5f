#include "platform/input.h"

#include <SDL.h>

#include "platform/present.h"

bool platformNextInput(InputEvent* event) {
    SDL_Event sdl;
    while (SDL_PollEvent(&sdl) != 0) {
        if (sdl.type == SDL_QUIT) {
            *event = {InputEvent::Kind::Quit, 0};
            return true;
        }
        if (sdl.type != SDL_KEYDOWN && sdl.type != SDL_KEYUP) continue;
        const SDLKey key = sdl.key.keysym.sym;
        if (sdl.type == SDL_KEYDOWN && key == SDLK_RETURN && (sdl.key.keysym.mod & KMOD_ALT)) {
            platformToggleFullScreen();
            continue;
        }
        *event = {sdl.type == SDL_KEYDOWN ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp,
                  key};
        return true;
    }
    return false;
}
