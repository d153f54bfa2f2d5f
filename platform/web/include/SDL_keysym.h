// SDL_keysym.h - the desktop's SDL 1.2 header of key symbols, as the
// browser's SDL (1.3 headers) names it: the player's key table includes it.
#pragma once

#include <SDL_keyboard.h>
