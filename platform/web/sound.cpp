// The browser's sound, the host's back-end of the sound device. In the page
// the second processor (a worker) hands its blocks to the page's output
// itself, so nothing is ever written here; what is left is the device's
// drop of what it holds (a seek or a pause), after which the sound already
// handed to the output no longer counts for the page's clock.
#include "platform/sound_backends.h"
#include "platform/web/browser.h"

bool hostSoundOpen() {
    return true;
}

long hostSoundWrite(const uint8_t*, size_t size) {
    return long(size);
}

void hostSoundDiscard() {
    browserSoundForget();
}

void hostSoundClose() {}
