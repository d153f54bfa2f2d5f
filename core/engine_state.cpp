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

// Pages of memory for the chunks' bytes, taken from blocks of kPagesABlock
// and kept for the next chunk when let go: one page of memory a chunk, where
// an allocation of its own would straddle two, which a restore then reads.
class PagePool {
  public:
    uint8_t* take() {
        if (free_.empty()) {
            // A page more than the block, to start the block on a page.
            auto* raw = new uint8_t[(kPagesABlock + 1) * kStateChunkBytes];
            uint8_t* block =
                raw + (kStateChunkBytes - reinterpret_cast<uintptr_t>(raw) % kStateChunkBytes) %
                          kStateChunkBytes;
            for (size_t i = kPagesABlock; i-- > 0;) free_.push_back(block + i * kStateChunkBytes);
        }
        uint8_t* page = free_.back();
        free_.pop_back();
        return page;
    }
    void give(uint8_t* page) { free_.push_back(page); }

  private:
    static constexpr size_t kPagesABlock = 64;
    std::vector<uint8_t*> free_;
};

// Never destroyed, as the chunk index below.
PagePool& pages() {
    static auto* pool = new PagePool;
    return *pool;
}

}  // namespace

// A page of saved bytes and the number of states that hold it (main thread
// only: a plain count).
struct EngineState::Chunk {
    Chunk(uint64_t hash, const uint8_t* from, size_t size)
        : hash(hash), size(size), bytes(pages().take()) {
        memcpy(bytes, from, size);
        gChunkBytes += kStateChunkBytes;
    }
    ~Chunk() {
        pages().give(bytes);
        gChunkBytes -= kStateChunkBytes;
    }
    Chunk(const Chunk&) = delete;
    Chunk& operator=(const Chunk&) = delete;

    uint64_t hash;
    int holders = 1;
    size_t size;
    uint8_t* bytes;
};

namespace {

// Every chunk some state holds, by hash. Two chunks of one hash but other
// bytes are both kept; only the first is found. Never destroyed: states kept
// in static storage let their chunks go as the process ends.
std::unordered_map<uint64_t, EngineState::Chunk*>& chunkIndex() {
    static auto* index = new std::unordered_map<uint64_t, EngineState::Chunk*>;
    return *index;
}

EngineState::Chunk* sharedChunk(const uint8_t* bytes, size_t size) {
    const uint64_t hash = hashOf(bytes, size);
    auto [entry, added] = chunkIndex().try_emplace(hash, nullptr);
    EngineState::Chunk* chunk = entry->second;
    if (chunk != nullptr && chunk->size == size && memcmp(chunk->bytes, bytes, size) == 0) {
        ++chunk->holders;
        return chunk;
    }
    chunk = new EngineState::Chunk(hash, bytes, size);
    if (added) entry->second = chunk;
    return chunk;
}

void letGo(EngineState::Chunk* chunk) {
    if (--chunk->holders > 0) return;
    const auto entry = chunkIndex().find(chunk->hash);
    if (entry != chunkIndex().end() && entry->second == chunk) chunkIndex().erase(entry);
    delete chunk;
}

}  // namespace

EngineState::EngineState(const EngineState& other) : chunks_(other.chunks_), size_(other.size_) {
    for (Chunk* chunk : chunks_) ++chunk->holders;
}

EngineState::EngineState(EngineState&& other) noexcept
    : chunks_(std::move(other.chunks_)), size_(other.size_) {
    other.chunks_.clear();
    other.size_ = 0;
}

EngineState& EngineState::operator=(EngineState other) noexcept {
    std::swap(chunks_, other.chunks_);
    std::swap(size_, other.size_);
    return *this;
}

EngineState::~EngineState() {
    release();
}

void EngineState::release() {
    for (Chunk* chunk : chunks_) letGo(chunk);
    chunks_.clear();
    size_ = 0;
}

void EngineState::save() {
    std::vector<uint8_t>& bytes = workBytes();
    StateCopy s(bytes);
    visitEngine(s);
    release();
    size_ = bytes.size();
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
    for (const Chunk* chunk : chunks_) pages.push_back(chunk->bytes);
    StateCopy s(pages.data(), size_);
    visitEngine(s);
}

size_t engineStateChunkBytes() {
    return gChunkBytes;
}
