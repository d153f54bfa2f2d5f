#include "core/engine_state.h"

#include <cstring>
#include <unordered_map>

#include "core/scenes.h"
#include "core/state_copy.h"
#include "core/timeline.h"
#include "engine3d/camera.h"
#include "fixed/random.h"
#include "music/pattern_data.h"
#include "video/display.h"
#include "video/visible_screen.h"

namespace {

void visitEngine(StateCopy& s) {
    s(SceneMask, previousSceneMask, noiseLevel);
    PatternData& music = PatternData::instance();
    s(music.currentRow, music.currentPosition, music.previousRow, music.previousPosition);

    Display* display = Display::instance();
    s.buffer(display->pixels, size_t(display->pixelCount));
    // The depth buffer carries nothing from one frame to the next: every scene
    // that reads it clears it first in the same frame, so it is not saved
    // (a third of each state).
    s(display->updateTop, display->updateHeight, display->fullUpdate, sharedCamera());
    if (uint16_t* visible = visibleScreenBuffer()) {
        s.buffer(visible, size_t(display->pixelCount));
    }
    s(gRand);

    copySceneStates(s);
}

size_t gChunkBytes = 0;

// 64 bits of a chunk's bytes, a word at a time: equal bytes, equal hashes;
// a match is then confirmed byte for byte.
uint64_t hashOf(const uint8_t* bytes, size_t size) {
    uint64_t h = size;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        memcpy(&word, bytes + i, 8);
        h = (h ^ word) * 0x9E3779B97F4A7C15u;
        h ^= h >> 29;
    }
    for (; i < size; ++i) h = (h ^ bytes[i]) * 0x100000001B3u;
    return h;
}

// The one work buffer of saves: a state's bytes in a row.
std::vector<uint8_t>& workBytes() {
    static std::vector<uint8_t> bytes;
    return bytes;
}

}  // namespace

struct EngineState::Chunk {
    Chunk(const uint8_t* from, size_t size) : bytes(from, from + size) {
        gChunkBytes += bytes.size();
    }
    ~Chunk() { gChunkBytes -= bytes.size(); }
    Chunk(const Chunk&) = delete;
    Chunk& operator=(const Chunk&) = delete;

    std::vector<uint8_t> bytes;
};

namespace {

// Every chunk some state holds, by hash; an entry whose chunk is gone is
// replaced by the next chunk of that hash. Two chunks of one hash but other
// bytes are both kept; only the first is found.
std::unordered_map<uint64_t, std::weak_ptr<const EngineState::Chunk>>& chunkIndex() {
    static std::unordered_map<uint64_t, std::weak_ptr<const EngineState::Chunk>> index;
    return index;
}

std::shared_ptr<const EngineState::Chunk> sharedChunk(const uint8_t* bytes, size_t size) {
    auto& index = chunkIndex();
    std::weak_ptr<const EngineState::Chunk>& entry = index[hashOf(bytes, size)];
    std::shared_ptr<const EngineState::Chunk> found = entry.lock();
    if (found && found->bytes.size() == size && memcmp(found->bytes.data(), bytes, size) == 0) {
        return found;
    }
    auto made = std::make_shared<const EngineState::Chunk>(bytes, size);
    if (!found) entry = made;
    // Entries of chunks that are gone would pile up: sweep them now and then.
    if (index.size() > 4 * (gChunkBytes / kStateChunkBytes + 64)) {
        std::erase_if(index, [](const auto& e) { return e.second.expired(); });
    }
    return made;
}

}  // namespace

void EngineState::save() {
    std::vector<uint8_t>& bytes = workBytes();
    StateCopy s(bytes);
    visitEngine(s);
    size_ = bytes.size();
    chunks_.clear();
    chunks_.reserve((size_ + kStateChunkBytes - 1) / kStateChunkBytes);
    for (size_t at = 0; at < size_; at += kStateChunkBytes) {
        chunks_.push_back(sharedChunk(bytes.data() + at, std::min(kStateChunkBytes, size_ - at)));
    }
}

// Straight from the chunks into the engine.
void EngineState::restore() const {
    if (chunks_.empty()) return;
    static std::vector<const uint8_t*> pages;
    pages.clear();
    for (const auto& chunk : chunks_) pages.push_back(chunk->bytes.data());
    StateCopy s(pages.data(), size_);
    visitEngine(s);
}

size_t engineStateChunkBytes() {
    return gChunkBytes;
}
