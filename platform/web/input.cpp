// The page's keys, queued by the page (its keys and buttons, through the
// player's key table) and read by the player's pass as the desktop reads its
// window's events. Full screen is the page's own business.
#include "platform/input.h"

#include <deque>

namespace {

std::deque<InputEvent> gQueued;

}  // namespace

void platformQueueKey(Key key) {
    gQueued.push_back({InputEvent::Kind::KeyDown, key});
    gQueued.push_back({InputEvent::Kind::KeyUp, key});
}

bool platformNextInput(InputEvent* event) {
    if (gQueued.empty()) return false;
    *event = gQueued.front();
    gQueued.pop_front();
    return true;
}
