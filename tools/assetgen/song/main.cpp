// gen_song - writes the song's synchronisation table and its rendered soundtrack.
//
// Usage: gen_song RUN_FOLDER
// Writes RUN_FOLDER/data/patterndata.bin and RUN_FOLDER/data/ondrivale.ogg, both
// made from the one arrangement in song_arrangement.cpp, and prints the
// soundtrack's level figures. Exit status 1 with one line on any failure.
#include <chrono>
#include <cstdio>

#include "common/asset_files.h"
#include "song/ogg_vorbis.h"
#include "song/song_arrangement.h"
#include "song/song_renderer.h"
#include "song/sync_table.h"

namespace {

constexpr float kVorbisQuality = 0.5f;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: gen_song RUN_FOLDER\n");
        return 1;
    }
    const song::Arrangement arrangement = song::buildArrangement();
    if (!writeBytes(outputPath(argv[1], "data/patterndata.bin"), song::buildSyncTable(arrangement)))
        return 1;

    const auto start = std::chrono::steady_clock::now();
    song::StereoBuffer mix = song::renderMix(arrangement);
    const double renderSeconds = secondsSince(start);
    const song::MasterFigures figures = song::masterSong(mix);
    const std::vector<int16_t> pcm = song::toPcm16(mix);
    mix = song::StereoBuffer{};
    std::vector<uint8_t> ogg;
    if (!song::encodeOggVorbis(pcm, kVorbisQuality, ogg)) return 1;
    if (!writeBytes(outputPath(argv[1], "data/ondrivale.ogg"), ogg)) return 1;
    printf(
        "song: %.3f s, %zu bytes, gain %.1f dB, peak %.2f dBFS, rms %.2f dBFS, limiter down to "
        "%.1f dB and below -1 dB for %.2f%% of the song (render %.1f s, total %.1f s)\n",
        double(pcm.size() / 2) / 44100.0, ogg.size(), double(figures.gainDb),
        double(figures.peakDb), double(figures.rmsDb), double(figures.deepestLimitDb),
        100.0 * double(figures.limitedShare), renderSeconds, secondsSince(start));
    return 0;
}
