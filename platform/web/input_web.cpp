// The page's keys, queued by the page and read by the player's pass as the
// desktop reads its window's events. Full screen is the page's own business.
#include <deque>

#include "platform/input.h"
#include "platform/web/browser.h"

namespace {

std::deque<InputEvent> gQueued;

}  // namespace

void browserQueueKey(int key) {
    gQueued.push_back({InputEvent::Kind::KeyDown, key});
    gQueued.push_back({InputEvent::Kind::KeyUp, key});
}

bool platformNextInput(InputEvent* event) {
    if (gQueued.empty()) return false;
    *event = gQueued.front();
    gQueued.pop_front();
    return true;
}
