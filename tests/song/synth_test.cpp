// The synthesizer's parts: the row clock on the sample grid, the voices, the
// mastering chain and the Ogg Vorbis round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "song/ogg_vorbis.h"
#include "song/song_arrangement.h"
#include "song/song_renderer.h"
#include "song/synth_voice.h"

using namespace song;

TEST(SongClock, RowsLandOnTheNearestSampleOfTheirTime) {
    for (int64_t row = 0; row <= 35 * 128; ++row) {
        const double exact = double(row) * 41.6 * 44.1;
        ASSERT_LE(std::fabs(double(rowStartSample(row)) - exact), 0.5) << row;
    }
    EXPECT_EQ(songFrames(), 8218829);  // 186368 ms
    EXPECT_DOUBLE_EQ(rowStartMs(33, 0), 175718.4);
}

namespace {

struct VoiceRun {
    std::vector<float> samples;
    bool ended = false;
};

// Starts a note, holds it for `holdSeconds`, releases it and runs on until the
// voice ends or `limitSeconds` have passed.
VoiceRun playNote(uint8_t instrument, int note, float holdSeconds, float limitSeconds) {
    Voice voice;
    voice.start(instrument, note, 1.0f, 7);
    VoiceRun run;
    const size_t hold = size_t(holdSeconds * kSampleRate);
    const size_t limit = size_t(limitSeconds * kSampleRate);
    float block[256];
    while (run.samples.size() < limit) {
        if (run.samples.size() >= hold) voice.release();
        if (!voice.active()) {
            run.ended = true;
            break;
        }
        voice.render(block, 256);
        run.samples.insert(run.samples.end(), block, block + 256);
    }
    return run;
}

}  // namespace

TEST(SongVoices, EveryInstrumentSoundsStaysFiniteAndEndsAfterRelease) {
    for (uint8_t instrument = 1; instrument < kInstrumentCount; ++instrument) {
        const VoiceRun run = playNote(instrument, 57, 0.5f, 12.0f);
        EXPECT_TRUE(run.ended) << "instrument " << int(instrument) << " never falls silent";
        float peak = 0;
        bool finite = true;
        for (float x : run.samples) {
            finite = finite && std::isfinite(x);
            peak = std::max(peak, std::fabs(x));
        }
        EXPECT_TRUE(finite) << int(instrument);
        EXPECT_GT(peak, 0.02f) << "instrument " << int(instrument) << " is silent";
        EXPECT_LT(peak, 2.5f) << int(instrument);
    }
}

TEST(SongVoices, KickHitsAtOnceAndCutStabStopsWithinMilliseconds) {
    const VoiceRun kick = playNote(kKick, 60, 1.0f, 2.0f);
    ASSERT_GT(kick.samples.size(), 200u);
    float early = 0;
    for (size_t i = 0; i < 88; ++i) early = std::max(early, std::fabs(kick.samples[i]));
    EXPECT_GT(early, 0.3f);  // full swing within the first 2 ms

    // A cut stab has to stop almost at once: the logo's jitter stops with it.
    const VoiceRun stab = playNote(kGlitchStab, 62, 0.1f, 1.0f);
    EXPECT_TRUE(stab.ended);
    EXPECT_LT(stab.samples.size(), size_t(0.1 * kSampleRate) + 256 + size_t(0.05 * kSampleRate));
}

TEST(SongVoices, ResonantFilterStaysStableThroughAFullSweep) {
    Svf filter;
    Noise noise(3);
    float peak = 0;
    for (int i = 0; i < 44100; ++i) {
        if (i % 32 == 0) filter.tune(20.0f * std::exp2(float(i) / 44100.0f * 10.0f), 0.98f);
        const float y = filter.lowPass(noise.white());
        ASSERT_TRUE(std::isfinite(y)) << i;
        peak = std::max(peak, std::fabs(y));
    }
    EXPECT_LT(peak, 60.0f);
}

TEST(SongMastering, RemovesDcHoldsTheCeilingAndMeetsTheLoudness) {
    // Two seconds of a loud, offset, spiky signal.
    StereoBuffer mix;
    const size_t frames = 2 * kSampleRate;
    mix.left.resize(frames);
    mix.right.resize(frames);
    for (size_t n = 0; n < frames; ++n) {
        const float t = float(n) / kSampleRate;
        const float spike = (n % 11025 == 100) ? 40.0f : 0.0f;
        mix.left[n] = 0.3f + 2.0f * std::sin(2.0f * kPi * 220.0f * t) + spike;
        mix.right[n] = 0.3f + 1.5f * std::sin(2.0f * kPi * 330.0f * t) - spike;
    }
    MasterSettings settings;
    const MasterFigures figures = masterSong(mix, settings);
    const float ceiling = std::pow(10.0f, settings.ceilingDb / 20.0f);
    double sum = 0, squares = 0;
    float peak = 0;
    for (size_t n = frames / 2; n < frames; ++n) {  // past the DC filter's settling
        sum += mix.left[n] + mix.right[n];
        squares += double(mix.left[n]) * mix.left[n] + double(mix.right[n]) * mix.right[n];
    }
    for (size_t n = 0; n < frames; ++n)
        peak = std::max({peak, std::fabs(mix.left[n]), std::fabs(mix.right[n])});
    EXPECT_LE(peak, ceiling * 1.0001f);
    EXPECT_LE(figures.peakDb, settings.ceilingDb + 0.001f);
    EXPECT_LT(std::fabs(sum / double(frames)), 0.002);
    EXPECT_NEAR(20.0 * std::log10(std::sqrt(squares / double(frames))), settings.targetRmsDb, 1.0);
}

TEST(SongMastering, SixteenBitConversionRoundsAndSaturates) {
    StereoBuffer song;
    song.left = {0.5f, 1.5f, -1.5f, 0.0f};
    song.right = {-0.5f, 1.0f, -1.0f, 0.75f / 32767.0f};
    const std::vector<int16_t> pcm = toPcm16(song);
    const std::vector<int16_t> expected = {16384, -16384, 32767, 32767, -32768, -32767, 0, 1};
    EXPECT_EQ(pcm, expected);
}

TEST(SongOgg, EncodingIsRepeatableAndDecodesBackToTheSameSound) {
    std::vector<int16_t> pcm(2 * 22050);
    for (size_t n = 0; n < 22050; ++n) {
        const double t = double(n) / 44100.0;
        pcm[2 * n] = int16_t(8000.0 * std::sin(2.0 * M_PI * 440.0 * t));
        pcm[2 * n + 1] = int16_t(8000.0 * std::sin(2.0 * M_PI * 660.0 * t));
    }
    std::vector<uint8_t> first, second;
    ASSERT_TRUE(encodeOggVorbis(pcm, 0.5f, first));
    ASSERT_TRUE(encodeOggVorbis(pcm, 0.5f, second));
    EXPECT_EQ(first, second);
    ASSERT_GT(first.size(), 27u);
    EXPECT_EQ(std::string(first.begin(), first.begin() + 4), "OggS");
    const uint32_t serial = uint32_t(first[14]) | uint32_t(first[15]) << 8 |
                            uint32_t(first[16]) << 16 | uint32_t(first[17]) << 24;
    EXPECT_EQ(serial, uint32_t(kOggSerialNumber));

    const std::string path = std::string(DEMO_BINARY_DIR) + "/song_roundtrip_test.ogg";
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(first.data(), 1, first.size(), file);
    fclose(file);
    DecodedSound sound;
    ASSERT_TRUE(decodeOggVorbis(path, sound));
    remove(path.c_str());
    EXPECT_EQ(sound.channels, 2);
    EXPECT_EQ(sound.sampleRate, 44100);
    ASSERT_EQ(sound.frames(), 22050u);
    double error = 0, signal = 0;
    for (size_t i = 2000; i < pcm.size() - 2000; ++i) {
        const double d = double(sound.samples[i]) - pcm[i];
        error += d * d;
        signal += double(pcm[i]) * pcm[i];
    }
    EXPECT_LT(error / signal, 0.01);  // better than 20 dB signal to noise
}

TEST(SongOgg, MissingOrBrokenFileIsReportedNotDecoded) {
    DecodedSound sound;
    EXPECT_FALSE(decodeOggVorbis(std::string(DEMO_BINARY_DIR) + "/no_such_song.ogg", sound));
    const std::string path = std::string(DEMO_BINARY_DIR) + "/song_broken_test.ogg";
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs("OggS but not really a stream", file);
    fclose(file);
    EXPECT_FALSE(decodeOggVorbis(path, sound));
    remove(path.c_str());
    EXPECT_EQ(sound.frames(), 0u);
}
