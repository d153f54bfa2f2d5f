#include "platform/decoder_program.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/mem_device.h"
#include "platform/sound_control_block.h"
#include "platform/tremor_private.h"

namespace {

constexpr useconds_t kPollMicroseconds = 1000;
constexpr size_t kFramesPerBlock = kSoundBlockBytes / 4;

// The song bytes as a stream. Playing from the start opens it forward-only,
// so that a cut or damaged file is decoded up to the damage instead of being
// rejected whole (a seekable open first reads the file's end). A seek opens it
// again seekable: Tremor finds a sample by bisecting the file.
struct SongStream {
    const uint8_t* bytes;
    size_t length;
    size_t position;
};

size_t streamRead(void* destination, size_t size, size_t count, void* source) {
    SongStream* stream = static_cast<SongStream*>(source);
    if (size == 0) return 0;
    const size_t wanted = std::min(count, (stream->length - stream->position) / size);
    memcpy(destination, stream->bytes + stream->position, wanted * size);
    stream->position += wanted * size;
    return wanted;
}

int streamSeek(void* source, ogg_int64_t offset, int whence) {
    SongStream* stream = static_cast<SongStream*>(source);
    ogg_int64_t base = 0;
    if (whence == SEEK_CUR) base = ogg_int64_t(stream->position);
    if (whence == SEEK_END) base = ogg_int64_t(stream->length);
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
    if (offset < -base || offset > ogg_int64_t(stream->length) - base) return -1;
    stream->position = size_t(base + offset);
    return 0;
}

int noSeek(void*, ogg_int64_t, int) {
    return -1;
}

long streamTell(void* source) {
    return long(static_cast<SongStream*>(source)->position);
}

// Opens the stream from its start; it stays in use by *file until tremor_ov_clear.
bool openSong(SongStream* stream, OggVorbis_File* file, bool seekable) {
    stream->position = 0;
    const ov_callbacks callbacks = {streamRead, seekable ? streamSeek : noSeek, nullptr,
                                    streamTell};
    return tremor_ov_open_callbacks(stream, file, nullptr, 0, callbacks) == 0;
}

class SongDecoder {
  public:
    SongDecoder(const uint8_t* memory, uint32_t offset, uint32_t length) {
        const bool inside =
            offset <= kSecondCpuMemorySize && length <= kSecondCpuMemorySize - offset;
        if (!inside || length == 0) return;
        stream_ = {memory + offset, length, 0};
        reopen(false);
    }
    ~SongDecoder() { close(); }

    // Goes on from the given stereo sample; past the end of the song, in a
    // song Tremor cannot seek in, or without a song, with silence.
    void seekTo(uint64_t sample) {
        pending_.clear();
        pendingStart_ = 0;
        if (stream_.bytes == nullptr) return;
        const bool found = reopen(true) && tremor_ov_pcm_seek(&file_, ogg_int64_t(sample)) == 0;
        ended_ = !found;
    }

    // Fills frames*2 interleaved samples; silence once the song has ended.
    void fill(int16_t* out, size_t frames) {
        size_t done = 0;
        while (done < frames) {
            if (pendingStart_ == pending_.size() && !decodeMore()) break;
            const size_t available = (pending_.size() - pendingStart_) / 2;
            const size_t take = std::min(available, frames - done);
            memcpy(out + done * 2, pending_.data() + pendingStart_, take * 4);
            pendingStart_ += take * 2;
            done += take;
        }
        std::fill(out + done * 2, out + frames * 2, int16_t(0));
    }

  private:
    bool reopen(bool seekable) {
        close();
        ended_ = false;
        open_ = openSong(&stream_, &file_, seekable);
        return open_;
    }

    void close() {
        if (open_) tremor_ov_clear(&file_);
        open_ = false;
    }

    // Decodes the next piece into pending_ as stereo frames; false at the end
    // of the song or at the first damaged or unsupported place.
    bool decodeMore() {
        if (!open_ || ended_) return false;
        int16_t raw[4096];
        int link = 0;
        const long bytes = tremor_ov_read(&file_, reinterpret_cast<char*>(raw), sizeof raw, &link);
        const vorbis_info* info = tremor_ov_info(&file_, -1);
        if (bytes <= 0 || info == nullptr || info->channels < 1) {
            ended_ = true;
            return false;
        }
        const int channels = info->channels;
        const size_t frames = size_t(bytes) / 2 / channels;
        pending_.resize(frames * 2);
        pendingStart_ = 0;
        for (size_t i = 0; i < frames; ++i) {
            const int16_t* frame = raw + i * channels;
            pending_[i * 2] = frame[0];
            pending_[i * 2 + 1] = channels > 1 ? frame[1] : frame[0];
        }
        return true;
    }

    SongStream stream_{};
    OggVorbis_File file_{};
    bool open_ = false;
    bool ended_ = false;
    std::vector<int16_t> pending_;
    size_t pendingStart_ = 0;
};

bool songPublished(const SoundControlBlock* control) {
    return sharedLoad(control->songLoaded) == 1 && sharedLoad(control->songReady) == 1;
}

void fillBlock(SongDecoder& decoder, SoundBlock& block) {
    int16_t frames[kFramesPerBlock * 2];
    decoder.fill(frames, kFramesPerBlock);
    memcpy(block.samples, frames, sizeof frames);
}

}  // namespace

bool decoderAcceptsSong(const uint8_t* song, size_t length) {
    SongStream stream{song, length, 0};
    OggVorbis_File file{};
    if (!openSong(&stream, &file, false)) return false;
    const vorbis_info* info = tremor_ov_info(&file, -1);
    const bool playable = info != nullptr && info->channels >= 1;
    tremor_ov_clear(&file);
    return playable;
}

void decoderProgramMain(uint8_t* memory, const std::atomic<bool>& halt) {
    SoundControlBlock* control = reinterpret_cast<SoundControlBlock*>(memory + kControlBlockOffset);
    while (!halt.load() && !songPublished(control)) usleep(kPollMicroseconds);
    if (halt.load()) return;

    SongDecoder decoder(memory, sharedLoad(control->songOffset), sharedLoad(control->songLength));
    int current = 0;
    uint32_t seekHandled = 0;
    while (!halt.load()) {
        const uint32_t seek = sharedLoad(control->seekRequest);
        if (seek != seekHandled) {
            decoder.seekTo(sharedLoad(control->seekSample));
            seekHandled = seek;
        }
        SoundBlock& block = control->blocks[current];
        if (sharedLoad(control->playing) == 1 && sharedLoad(block.full) == 0) {
            fillBlock(decoder, block);
            sharedStore(control->blockSeek[current], seekHandled, std::memory_order_relaxed);
            sharedStore(block.full, 1);
            current = 1 - current;
        } else {
            usleep(kPollMicroseconds);
        }
    }
}
