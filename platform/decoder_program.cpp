#include "platform/decoder_program.h"

#include <unistd.h>

#include <memory>

#include "platform/song_decoder.h"

namespace {

constexpr useconds_t kPollMicroseconds = 1000;

}  // namespace

bool decoderAcceptsSong(const uint8_t* song, size_t length) {
    if (length > UINT32_MAX) return false;
    // About 24 KiB of working space: on the heap, not on the caller's stack.
    auto scratch = std::make_unique<SongDecoder>();
    return songDecoderAccepts(scratch.get(), song, uint32_t(length)) != 0;
}

void decoderProgramMain(uint8_t* memory, const std::atomic<bool>& halt) {
    // About 40 KiB: on the heap, not on the thread's stack.
    auto program = std::make_unique<DecoderProgram>();
    decoderProgramInit(program.get(), memory);
    while (!halt.load()) {
        if (!decoderProgramStep(program.get())) usleep(kPollMicroseconds);
    }
    decoderProgramEnd(program.get());
}
