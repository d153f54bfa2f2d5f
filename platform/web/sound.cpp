// The browser's sound, the host's back-end of the sound device: written
// blocks wait in a queue until the page's sound callback takes them. Writes
// never block: the page writes only as much as its callback is about to take.
#include <algorithm>
#include <deque>

#include "platform/sound_backends.h"
#include "platform/web/browser.h"

namespace {

std::deque<int16_t> gQueued;  // interleaved left, right
bool gOpen = false;

}  // namespace

bool hostSoundOpen() {
    gOpen = true;
    gQueued.clear();
    return true;
}

long hostSoundWrite(const uint8_t* data, size_t size) {
    const auto* samples = reinterpret_cast<const int16_t*>(data);
    gQueued.insert(gQueued.end(), samples, samples + size / 2);
    return long(size);
}

// A seek or a pause: what the output was already handed is old sound too.
void hostSoundDiscard() {
    gQueued.clear();
    browserSoundForget();
}

void hostSoundClose() {
    gOpen = false;
    gQueued.clear();
}

size_t browserSoundQueuedFrames() {
    return gQueued.size() / 2;
}

size_t browserSoundTake(int16_t* out, size_t frames) {
    const size_t taken = std::min(frames, browserSoundQueuedFrames());
    std::copy_n(gQueued.begin(), taken * 2, out);
    gQueued.erase(gQueued.begin(), gQueued.begin() + taken * 2);
    return taken;
}
