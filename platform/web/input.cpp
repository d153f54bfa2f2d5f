// The page's keys and buttons reach the player as they come (playerInput, by
// the page's command entry), not through a queue read at each pass: the
// page has no events of its own to hand over. Full screen is the page's own
// business.
#include "platform/input.h"

bool platformNextInput(InputEvent*) {
    return false;
}
