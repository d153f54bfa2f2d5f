// SDL 1.2 audio behind a blocking write. SDL pulls sound from a callback on its
// own thread; the writer pushes into a ring buffer of about the OSS device's
// size and waits while it is full, so the audio thread is paced by playback
// exactly as by a blocking device write. Playback starts paused and is
// unpaused by the first write, so nothing but written sound is ever played.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/sound_backends.h"
#include "platform/sound_device.h"

namespace {

using namespace std::chrono_literals;

// The OSS device of the console buffers 2 pieces of 2048 bytes.
constexpr size_t kMinRingBytes = 4096;
// How long the callback waits for late sound before it plays silence, and how
// long a write or the final drain waits for a callback that never comes.
constexpr auto kLateSoundWait = 50ms;
constexpr auto kStalledDeviceWait = 2000ms;

struct Ring {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<uint8_t> bytes;
    size_t readAt = 0;
    size_t used = 0;
    bool unpaused = false;
    bool closing = false;
};

Ring* gRing = nullptr;

void takeFromRing(Ring& ring, uint8_t* out, size_t size) {
    const size_t capacity = ring.bytes.size();
    const size_t first = std::min(size, capacity - ring.readAt);
    memcpy(out, &ring.bytes[ring.readAt], first);
    memcpy(out + first, &ring.bytes[0], size - first);
    ring.readAt = (ring.readAt + size) % capacity;
    ring.used -= size;
}

void putIntoRing(Ring& ring, const uint8_t* data, size_t size) {
    const size_t capacity = ring.bytes.size();
    const size_t writeAt = (ring.readAt + ring.used) % capacity;
    const size_t first = std::min(size, capacity - writeAt);
    memcpy(&ring.bytes[writeAt], data, first);
    memcpy(&ring.bytes[0], data + first, size - first);
    ring.used += size;
}

void fillFromRing(void* context, Uint8* stream, int length) {
    Ring& ring = *static_cast<Ring*>(context);
    size_t done = 0;
    const size_t wanted = size_t(length);
    std::unique_lock<std::mutex> lock(ring.mutex);
    while (done < wanted) {
        if (ring.used == 0) {
            const bool more = ring.changed.wait_for(lock, kLateSoundWait,
                                                    [&] { return ring.used > 0 || ring.closing; });
            if (!more || ring.used == 0) break;
        }
        const size_t take = std::min(ring.used, wanted - done);
        takeFromRing(ring, stream + done, take);
        done += take;
        ring.changed.notify_all();
    }
    memset(stream + done, 0, wanted - done);  // signed 16-bit silence is all zero bytes
}

}  // namespace

bool hostSoundOpen() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    Ring* ring = new Ring;
    SDL_AudioSpec wanted{};
    wanted.freq = int(kSoundSamplesPerSecond);
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = fillFromRing;
    wanted.userdata = ring;
    SDL_AudioSpec obtained{};
    // Passing `obtained` lets SDL convert if the hardware wants another format.
    if (SDL_OpenAudio(&wanted, &obtained) != 0) {
        delete ring;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    ring->bytes.assign(std::max<size_t>(kMinRingBytes, obtained.size), 0);
    gRing = ring;
    return true;
}

long hostSoundWrite(const uint8_t* data, size_t size) {
    Ring& ring = *gRing;
    size_t done = 0;
    std::unique_lock<std::mutex> lock(ring.mutex);
    while (done < size) {
        const size_t room = ring.bytes.size() - ring.used;
        if (room == 0) {
            if (!ring.unpaused) {
                ring.unpaused = true;
                lock.unlock();
                SDL_PauseAudio(0);
                lock.lock();
                continue;
            }
            const bool moved = ring.changed.wait_for(lock, kStalledDeviceWait,
                                                     [&] { return ring.used < ring.bytes.size(); });
            if (!moved) break;
            continue;
        }
        const size_t put = std::min(room, size - done);
        putIntoRing(ring, data + done, put);
        done += put;
        ring.changed.notify_all();
    }
    if (!ring.unpaused) {
        ring.unpaused = true;
        lock.unlock();
        SDL_PauseAudio(0);
    }
    return done == 0 && size > 0 ? -1 : long(done);
}

void hostSoundDiscard() {
    Ring& ring = *gRing;
    std::lock_guard<std::mutex> lock(ring.mutex);
    ring.used = 0;
    ring.changed.notify_all();
}

// Plays out what is still buffered before closing, as an OSS close does.
void hostSoundClose() {
    Ring* ring = gRing;
    {
        std::unique_lock<std::mutex> lock(ring->mutex);
        if (ring->unpaused) {
            ring->changed.wait_for(lock, kStalledDeviceWait, [&] { return ring->used == 0; });
        }
        ring->closing = true;
        ring->changed.notify_all();
    }
    SDL_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    gRing = nullptr;
    delete ring;
}
