// bench_frames - what the whole demo costs, in its real running order: the
// live player's start-up, then every frame of the 60 fps schedule as an
// offline run renders it (core/offline_run.h), with no window. bench/run runs
// it natively for times and under callgrind for instructions, and prints the
// table of figures and budgets; bench/arm counts its ARM instructions.
//
// Printed, one fact a line:
//   step K NS        start-up's present K came NS after launch (-1: the
//                    screen opened, 0: the empty bar, 1-28: the loading steps)
//   first-frame NS   start-up done: the first frame begins
//   section NAME FIRST FRAMES NS POSITIONS  a section of the running order
//                    (core/timeline.h): its first frame, its frame count, its
//                    frames' total time and its positions ("p0-3")
// Times count from BENCH_LAUNCH_NS (CLOCK_REALTIME nanoseconds taken just
// before the process was started), or from main() without it.
//
//   bench_frames [LAST]   stops after frame LAST (bench/arm --frames): the
//                         last section printed is cut short there
//
// Under callgrind (--collect-atstart=yes --separate-threads=yes), client
// requests cut the main thread's instructions into the same pieces: a dump
// "step-K" at every loading present, "first-frame" when start-up is done, and
// "section-NAME" after the last frame of each section, whose frames are the
// only instructions collected after start-up.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "armcount/frame_mark.h"
#include "core/demo.h"
#include "core/offline_run.h"
#include "core/timeline.h"
#include "music/pattern_data.h"
#include "platform/desktop/controls.h"
#include "platform/present.h"
#include "video/visible_screen.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define RUNNING_ON_VALGRIND 0
#define CALLGRIND_DUMP_STATS_AT(name) \
    do {                              \
    } while (0)
#define CALLGRIND_TOGGLE_COLLECT \
    do {                         \
    } while (0)
#endif

namespace {

int64_t launchNs = 0;
int loadingPresents = -2;  // step -1: the screen opened

int64_t realtimeNs() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void dumpInstructions(const std::string& name) {
    if (RUNNING_ON_VALGRIND) CALLGRIND_DUMP_STATS_AT(name.c_str());
}

void onLoadingPresent(void*, const uint16_t*, int, int, int) {
    ++loadingPresents;
    printf("step %d %lld\n", loadingPresents, static_cast<long long>(realtimeNs() - launchNs));
    dumpInstructions("step-" + std::to_string(loadingPresents));
}

struct Section {
    int index = -1;  // in the running order
    uint64_t first = 0;
    uint64_t frames = 0;
    int64_t ns = 0;
};

void endSection(const Section& s) {
    if (s.index < 0) return;
    const Timeline::Section& section = Timeline::section(s.index);
    const bool last = s.index + 1 == Timeline::sectionCount();
    const int32_t lastPosition =
        last ? section.firstPosition : Timeline::section(s.index + 1).firstPosition - 1;
    printf("section %s %llu %llu %lld p%d-%d\n", section.name,
           static_cast<unsigned long long>(s.first), static_cast<unsigned long long>(s.frames),
           static_cast<long long>(s.ns), int(section.firstPosition), int(lastPosition));
    dumpInstructions(std::string("section-") + section.name);
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t lastFrame = UINT64_MAX;
    if (argc > 1) lastFrame = strtoull(argv[1], nullptr, 10);
    const char* launch = getenv("BENCH_LAUNCH_NS");
    launchNs = launch != nullptr ? atoll(launch) : realtimeNs();
    if (chdir(DEMO_RUN_DIR) != 0) {
        printf("cannot enter %s\n", DEMO_RUN_DIR);
        return 1;
    }
    // Line by line, so the figures and start-up's own progress lines keep
    // their order.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    platformUseHeadlessVideo();
    setPresentObserver(onLoadingPresent, nullptr);
    demoStartUp();
    setPresentObserver(nullptr, nullptr);
    printf("first-frame %lld\n", static_cast<long long>(realtimeNs() - launchNs));
    dumpInstructions("first-frame");
    if (RUNNING_ON_VALGRIND) CALLGRIND_TOGGLE_COLLECT;  // off between frames

    Section section;
    OfflineRun run(wholeDemoPlan(kPlayerRate));
    while (!run.done() && run.nextFrame() <= lastFrame) {
        // The section of the next frame, so that a section's instructions are
        // dumped before its first frame.
        const int32_t rows = PatternData::rowsAt(int32_t(run.nextFrameMs()));
        const int next = Timeline::sectionOf(rows / PatternData::kRows);
        if (next != section.index) {
            endSection(section);
            section = Section{next, run.nextFrame(), 0, 0};
        }
        timespec t0, t1;
        if (RUNNING_ON_VALGRIND) CALLGRIND_TOGGLE_COLLECT;
        clock_gettime(CLOCK_MONOTONIC, &t0);
        // Marks on both sides of the frame: what the bench does between
        // frames (its clock, its lines) is no frame's.
        armcountFrameMark();
        run.runNext();
        armcountFrameMark();
        clock_gettime(CLOCK_MONOTONIC, &t1);
        if (RUNNING_ON_VALGRIND) CALLGRIND_TOGGLE_COLLECT;
        section.ns += int64_t(t1.tv_sec - t0.tv_sec) * 1000000000 + (t1.tv_nsec - t0.tv_nsec);
        ++section.frames;
    }
    endSection(section);
    demoShutDown();
    return 0;
}
