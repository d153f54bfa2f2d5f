// The generated soundtrack, decoded: its format and length, its levels, its
// silent end, and kicks heard exactly where the synchronisation table puts them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "song/ogg_vorbis.h"
#include "song/song_arrangement.h"

using namespace song;

namespace {

constexpr const char* kSoundtrack = DEMO_RUN_DIR "/data/ondrivale.ogg";
constexpr double kRate = 44100.0;
constexpr double kEndMs = 186368.0;

// Sample index of a row's start, from the row length in milliseconds.
double rowSampleTime(int position, int row) {
    return (position * 128.0 + row) * 41.6 * kRate / 1000.0;
}

// The kick's band (45-75 Hz) of the mono mix: a second-order Butterworth
// low-pass run twice forwards and twice backwards. Running it both ways cancels
// the filter's delay, so onsets keep their time; the bass line (110 Hz and up),
// the snare and everything above are left far below.
std::vector<float> lowBand(const DecodedSound& sound, double cutoffHz) {
    const size_t frames = sound.frames();
    std::vector<float> x(frames);
    for (size_t n = 0; n < frames; ++n)
        x[n] = float((sound.samples[2 * n] + sound.samples[2 * n + 1]) / 65536.0);
    const double k = std::tan(M_PI * cutoffHz / kRate);
    const double norm = 1.0 / (1.0 + std::sqrt(2.0) * k + k * k);
    const double b0 = k * k * norm, b1 = 2.0 * b0, b2 = b0;
    const double a1 = 2.0 * (k * k - 1.0) * norm, a2 = (1.0 - std::sqrt(2.0) * k + k * k) * norm;
    auto pass = [&](auto begin, auto end) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (auto it = begin; it != end; ++it) {
            const double y = b0 * *it + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1, x1 = *it, y2 = y1, y1 = y;
            *it = float(y);
        }
    };
    for (int stage = 0; stage < 2; ++stage) {
        pass(x.begin(), x.end());
        pass(x.rbegin(), x.rend());
    }
    return x;
}

// Onset strength every millisecond from the low band's amplitude: A(t) is the
// largest magnitude within the 12 ms from t (at least half a period of the
// lowest kick tone, so the phase does not matter). The strength is how far the
// squared amplitude rises above the highest one in the 90 ms that ended 30 ms
// earlier: slow swells, held notes and the beating of two low notes (slower than
// 11 Hz) never rise far above their own recent past, a kick does. The 30 ms gap lets a kick's low
// end, which builds up while its pitch falls, count as one rise.
struct OnsetCurve {
    static constexpr int kHop = 44;  // about 1 ms
    std::vector<float> strength;
    double timeOf(size_t frame) const { return double(frame) * kHop; }
};

OnsetCurve kickOnsets(const DecodedSound& sound) {
    const std::vector<float> band = lowBand(sound, 75.0);
    constexpr size_t kSpanHops = 12;
    constexpr size_t kGapHops = 30;
    constexpr size_t kLookBackHops = 90;
    const size_t hops = band.size() / OnsetCurve::kHop;
    std::vector<float> hopPeak(hops, 0.0f);
    for (size_t k = 0; k < hops; ++k)
        for (size_t n = k * OnsetCurve::kHop; n < (k + 1) * OnsetCurve::kHop; ++n)
            hopPeak[k] = std::max(hopPeak[k], std::fabs(band[n]));
    std::vector<float> amplitude(hops, 0.0f);
    for (size_t k = 0; k < hops; ++k)
        for (size_t j = k; j < std::min(hops, k + kSpanHops); ++j)
            amplitude[k] = std::max(amplitude[k], hopPeak[j]);
    OnsetCurve curve;
    curve.strength.assign(hops, 0.0f);
    for (size_t k = kGapHops + kLookBackHops; k < hops; ++k) {
        float before = 0;
        for (size_t j = k - kGapHops - kLookBackHops; j < k - kGapHops; ++j)
            before = std::max(before, amplitude[j]);
        curve.strength[k] = std::max(0.0f, amplitude[k] * amplitude[k] - before * before);
    }
    return curve;
}

// Frames of the curve that are the largest within 70 ms either side: one a kick.
std::vector<size_t> peaksOf(const OnsetCurve& curve, float floor) {
    std::vector<size_t> peaks;
    const size_t reach = 70;
    for (size_t k = 0; k < curve.strength.size(); ++k) {
        const float v = curve.strength[k];
        if (v < floor) continue;
        bool largest = true;
        for (size_t j = k > reach ? k - reach : 0;
             j <= std::min(curve.strength.size() - 1, k + reach) && largest; ++j)
            largest = curve.strength[j] < v || (curve.strength[j] == v && j >= k);
        if (largest) peaks.push_back(k);
    }
    return peaks;
}

struct Onset {
    double time;  // in samples
    float strength;
};

// Each peak marks one onset; the onset itself is where the rise towards the peak
// began (the curve first reached a tenth of the peak within 60 ms before it),
// because a kick's low end keeps building for a few tens of milliseconds.
std::vector<Onset> onsetsOf(const OnsetCurve& curve, float floor) {
    std::vector<Onset> onsets;
    for (size_t k : peaksOf(curve, floor)) {
        size_t start = k;
        while (start > 0 && k - start < 60 && curve.strength[start - 1] >= 0.1f * curve.strength[k])
            --start;
        onsets.push_back({curve.timeOf(start), curve.strength[k]});
    }
    return onsets;
}

std::vector<double> kickEventTimes() {
    const Arrangement song = buildArrangement();
    std::vector<double> times;
    for (int p = 0; p < kSongPositions; ++p)
        for (int c = 0; c < kChannels; ++c)
            for (int r = 0; r < kRowsPerPosition; ++r) {
                const Cell& cell = song.at(p, c, r);
                if (cell.kind == CellKind::kNote && cell.instrument == kKick)
                    times.push_back(rowSampleTime(p, r));
            }
    std::sort(times.begin(), times.end());
    return times;
}

class Soundtrack : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(decodeOggVorbis(kSoundtrack, sound_)); }
    DecodedSound sound_;
};

}  // namespace

TEST_F(Soundtrack, IsStereo44100HzLastingUntilPosition35AndSmallEnough) {
    EXPECT_EQ(sound_.channels, 2);
    EXPECT_EQ(sound_.sampleRate, 44100);
    EXPECT_NEAR(double(sound_.frames()), kEndMs * kRate / 1000.0, 1.0);
    FILE* file = fopen(kSoundtrack, "rb");
    ASSERT_NE(file, nullptr);
    fseek(file, 0, SEEK_END);
    const long size = ftell(file);
    fclose(file);
    EXPECT_LT(size, 0x880000);
    EXPECT_GT(size, 500000);  // a real three-minute song, not a stub
}

TEST_F(Soundtrack, LevelsAreUnclippedCentredAndComfortable) {
    const size_t frames = sound_.frames();
    ASSERT_GT(frames, 0u);
    int peak = 0;
    double sum[2] = {0, 0};
    double squares = 0;
    for (size_t n = 0; n < frames; ++n) {
        for (int c = 0; c < 2; ++c) {
            const int s = sound_.samples[2 * n + size_t(c)];
            peak = std::max(peak, std::abs(s));
            sum[c] += s;
            squares += double(s) * s;
        }
    }
    const double peakDb = 20.0 * std::log10(peak / 32768.0);
    const double rmsDb = 20.0 * std::log10(std::sqrt(squares / (2.0 * double(frames))) / 32768.0);
    printf("soundtrack: peak %.2f dBFS, rms %.2f dBFS, dc %.5f %.5f\n", peakDb, rmsDb,
           sum[0] / double(frames) / 32768.0, sum[1] / double(frames) / 32768.0);
    EXPECT_LE(peakDb, -1.0);
    EXPECT_NEAR(rmsDb, -16.0, 1.5);
    for (int c = 0; c < 2; ++c) EXPECT_LT(std::fabs(sum[c] / double(frames) / 32768.0), 0.001) << c;

    // Every section is audible, the intro and outro quieter than the beat.
    auto rmsOfPositions = [&](int first, int count) {
        const size_t from = size_t(rowSampleTime(first, 0)),
                     to = size_t(rowSampleTime(first + count, 0));
        double sq = 0;
        for (size_t n = from; n < to; ++n)
            sq += double(sound_.samples[2 * n]) * sound_.samples[2 * n];
        return 20.0 * std::log10(std::sqrt(sq / double(to - from)) / 32768.0);
    };
    const double intro = rmsOfPositions(0, 4), climax = rmsOfPositions(28, 4);
    EXPECT_GT(intro, -30.0);
    EXPECT_LT(intro, climax);
    for (int first = 4; first < 32; first += 4) EXPECT_GT(rmsOfPositions(first, 4), -22.0) << first;
}

TEST_F(Soundtrack, EndsInSilenceBeforePosition35) {
    const size_t end = sound_.frames();
    const size_t from = size_t((kEndMs - 200.0) * kRate / 1000.0);
    ASSERT_LT(from, end);
    int loudest = 0;
    for (size_t i = 2 * from; i < 2 * end; ++i)
        loudest = std::max(loudest, std::abs(int(sound_.samples[i])));
    EXPECT_LE(loudest, 8);
    // The fade is gradual: the second half of position 34 is far quieter than 33.
    int fadeLoudest = 0;
    for (size_t i = size_t(rowSampleTime(34, 64)) * 2; i < 2 * from; ++i)
        fadeLoudest = std::max(fadeLoudest, std::abs(int(sound_.samples[i])));
    EXPECT_LT(fadeLoudest, 3000);
}

TEST_F(Soundtrack, EveryKickEventIsHeardOnItsRowAndNoKickElsewhere) {
    const std::vector<double> events = kickEventTimes();
    ASSERT_GT(events.size(), 300u);
    const OnsetCurve curve = kickOnsets(sound_);
    constexpr double kTolerance = 0.015 * kRate;

    // A kick's strength: the curve's highest point while its energy builds up.
    std::vector<float> strengths;
    for (double t : events) {
        float best = 0;
        const size_t k0 = size_t(std::max(0.0, (t - kTolerance) / OnsetCurve::kHop));
        for (size_t k = k0; k < curve.strength.size() && curve.timeOf(k) <= t + 3 * kTolerance; ++k)
            best = std::max(best, curve.strength[k]);
        strengths.push_back(best);
    }
    std::vector<float> sorted = strengths;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const float typical = sorted[sorted.size() / 2];
    ASSERT_GT(typical, 0.0f);

    // Onsets: rises of the curve; those above a third of a typical kick count as
    // kicks, the weaker ones are only measured for the margin.
    const float strong = typical / 3;
    const std::vector<Onset> onsets = onsetsOf(curve, typical / 20);
    int matched = 0;
    double largestOffsetMs = 0;
    for (double t : events) {
        double nearest = 1e30;
        for (const Onset& onset : onsets)
            if (onset.strength >= strong) nearest = std::min(nearest, std::fabs(onset.time - t));
        if (nearest <= kTolerance) {
            ++matched;
            largestOffsetMs = std::max(largestOffsetMs, nearest * 1000.0 / kRate);
        }
    }
    int strays = 0;
    float strongestOther = 0;
    for (const Onset& onset : onsets) {
        const auto after = std::lower_bound(events.begin(), events.end(), onset.time - kTolerance);
        if (after != events.end() && *after <= onset.time + kTolerance) continue;
        strongestOther = std::max(strongestOther, onset.strength);
        if (onset.strength < strong) continue;
        ++strays;
        if (strays <= 5)
            ADD_FAILURE() << "kick-like onset at " << onset.time * 1000.0 / kRate << " ms";
    }
    float weakest = *std::min_element(strengths.begin(), strengths.end());
    printf(
        "kicks: %zu events, %d matched, largest offset %.1f ms, weakest %.2f and strongest other "
        "onset %.2f of a typical kick\n",
        events.size(), matched, largestOffsetMs, weakest / typical, strongestOther / typical);
    EXPECT_EQ(matched, int(events.size()));
    EXPECT_EQ(strays, 0);
}
