// visible_screen.h - what every host's presenting shares: the visible screen
// (the rows presents have sent) and the observer that sees every present.
// Inside the platform layer; present.h is the engine's view of it.
#pragma once

struct SDL_Surface;

// Makes a black visible screen of width x height pixels.
void visibleScreenOpen(int width, int height);
bool visibleScreenOpened();
// Copies rows first .. first+count-1 of a drawing surface of the same size
// (its rows `pitch` bytes apart) into the visible screen.
void visibleScreenTake(const SDL_Surface* surface, int first, int count);
// Shows the present of those rows to the observer, if one is set and presents
// are not set aside (platformSetPresentsAside).
void visibleScreenObserve(const SDL_Surface* surface, int first, int count);
// Whether presents are set aside: the window is then left as it is.
bool visibleScreenAside();
