#include "platform/decoder_program.h"

#include <unistd.h>

#include <memory>

#include "platform/song_decoder.h"

namespace {

constexpr useconds_t kPollMicroseconds = 1000;

}  // namespace

void decoderProgramMain(uint8_t* memory, const std::atomic<bool>& halt) {
    // About 40 KiB: on the heap, not on the thread's stack.
    auto program = std::make_unique<DecoderProgram>();
    decoderProgramInit(program.get(), memory);
    while (!halt.load()) {
        if (!decoderProgramStep(program.get())) usleep(kPollMicroseconds);
    }
    decoderProgramEnd(program.get());
}
