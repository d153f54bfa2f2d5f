// ogg_vorbis.cpp - libvorbisenc / libvorbisfile glue.
#include "song/ogg_vorbis.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>

namespace song {
namespace {

void appendPage(const ogg_page& page, std::vector<uint8_t>& out) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// Moves every finished block through the encoder into Ogg pages.
void drainEncoder(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream,
                  std::vector<uint8_t>& out) {
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            while (ogg_stream_pageout(&stream, &page) != 0) appendPage(page, out);
        }
    }
}

}  // namespace

bool encodeOggVorbis(const std::vector<int16_t>& interleavedStereo, float quality,
                     std::vector<uint8_t>& out) {
    out.clear();
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, 44100, quality) != 0) {
        vorbis_info_clear(&info);
        printf("vorbis encoder refused quality %.2f\n", double(quality));
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "ondrivale");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, kOggSerialNumber);

    ogg_packet header, headerComment, headerCodebooks;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCodebooks);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCodebooks);
    ogg_page page;
    // The audio starts on a fresh page, as decoders expect.
    while (ogg_stream_flush(&stream, &page) != 0) appendPage(page, out);

    constexpr size_t kChunkFrames = 4096;
    const size_t frames = interleavedStereo.size() / 2;
    for (size_t start = 0; start < frames; start += kChunkFrames) {
        const size_t count = std::min(kChunkFrames, frames - start);
        float** buffer = vorbis_analysis_buffer(&dsp, int(count));
        for (size_t i = 0; i < count; ++i) {
            buffer[0][i] = float(interleavedStereo[2 * (start + i)]) / 32768.0f;
            buffer[1][i] = float(interleavedStereo[2 * (start + i) + 1]) / 32768.0f;
        }
        vorbis_analysis_wrote(&dsp, int(count));
        drainEncoder(dsp, block, stream, out);
    }
    vorbis_analysis_wrote(&dsp, 0);
    drainEncoder(dsp, block, stream, out);
    while (ogg_stream_flush(&stream, &page) != 0) appendPage(page, out);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

bool decodeOggVorbis(const std::string& path, DecodedSound& out) {
    out = DecodedSound{};
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) {
        printf("cannot decode %s\n", path.c_str());
        return false;
    }
    const vorbis_info* info = ov_info(&file, -1);
    out.channels = info->channels;
    out.sampleRate = info->rate;
    const ogg_int64_t total = ov_pcm_total(&file, -1);
    if (total > 0) out.samples.reserve(size_t(total) * size_t(out.channels));
    char buffer[16384];
    int section = 0;
    for (;;) {
        const long got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section);
        if (got == 0) break;
        if (got < 0) {
            ov_clear(&file);
            printf("cannot decode %s\n", path.c_str());
            return false;
        }
        const size_t values = size_t(got) / 2;
        const size_t at = out.samples.size();
        out.samples.resize(at + values);
        for (size_t i = 0; i < values; ++i)
            out.samples[at + i] = int16_t(uint16_t(uint8_t(buffer[2 * i])) |
                                          uint16_t(uint8_t(buffer[2 * i + 1])) << 8);
    }
    ov_clear(&file);
    return true;
}

}  // namespace song
