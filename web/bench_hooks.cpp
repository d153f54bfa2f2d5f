// bench_hooks.cpp - bench/web's entry points, linked only into the module it
// serves in place of the page's own (web/CMakeLists.txt: ondrivale_bench),
// never into the page a user downloads.
//
//   webBenchBegin() / webBenchStep(frames)  the whole demo offline, timed a
//       frame at a time, after start-up; the last step prints "frames N ms T"
//       and, per section in running order, "section MASK frames N median_us U"
//   webJumpsAreInstant()  whether every save point is saved (seek.h): a jump
//       to a position start is then one frame, to any frame a few
#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/offline_run.h"
#include "core/seek.h"
#include "core/timeline.h"

namespace {

std::unique_ptr<OfflineRun> gRun;
std::vector<double> gCostMs;  // each frame's cost
std::vector<int32_t> gMask;   // and its scenes

// The page's clock is coarse (0.1 ms without cross-origin isolation), so a
// section's median is taken over runs of this many frames.
constexpr size_t kTimedTogether = 8;

double sectionMedianUs(int32_t mask, size_t* count) {
    std::vector<double> costs;
    double sum = 0;
    size_t inRun = 0;
    *count = 0;
    for (size_t i = 0; i < gMask.size(); ++i) {
        if (gMask[i] != mask) continue;
        ++*count;
        sum += gCostMs[i];
        const bool runEnds = i + 1 == gMask.size() || gMask[i + 1] != mask;
        if (++inRun == kTimedTogether || runEnds) {
            costs.push_back(sum / double(inRun));
            sum = 0;
            inRun = 0;
        }
    }
    std::nth_element(costs.begin(), costs.begin() + costs.size() / 2, costs.end());
    return costs[costs.size() / 2] * 1000;
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void webBenchBegin() {
    gRun = std::make_unique<OfflineRun>(wholeDemoPlan(kPlayerRate));
    gCostMs.clear();
    gMask.clear();
}

EMSCRIPTEN_KEEPALIVE int webBenchStep(int frames) {
    for (int i = 0; i < frames && !gRun->done(); ++i) {
        const double start = emscripten_get_now();
        gRun->runNext();
        gCostMs.push_back(emscripten_get_now() - start);
        gMask.push_back(SceneMask);
    }
    if (!gRun->done()) return 0;
    double total = 0;
    for (double c : gCostMs) total += c;
    printf("frames %zu ms %.1f\n", gCostMs.size(), total);
    std::vector<int32_t> order;
    for (int32_t m : gMask) {
        if (std::find(order.begin(), order.end(), m) == order.end()) order.push_back(m);
    }
    for (int32_t m : order) {
        size_t count = 0;
        const double median = sectionMedianUs(m, &count);
        printf("section %#x frames %zu median_us %.0f\n", unsigned(m), count, median);
    }
    return 1;
}

EMSCRIPTEN_KEEPALIVE int webJumpsAreInstant() {
    return Seek::allPositionsSaved() ? 1 : 0;
}

}  // extern "C"
