// message_lines - the lines the demo says, as the C library of the build it
// is linked into formats them: the console program's (newlib, under
// qemu-arm) must print what the desktop's (glibc) prints, byte for byte;
// tools/console/end_to_end.py runs both and compares.
//
//   message_lines texts       every line that is formatted, not fixed
//   message_lines table-cut   the sync table's lines, each of which ends the
//   message_lines table-long  process (status 1), from a table it writes
//   message_lines table-riff  into data/patterndata.bin
//
// Run in a folder of its own holding code940.bin and data/ondrivale.ogg (the
// demo's), where it writes the files it reads.
#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/demo.h"
#include "music/audio_bridge.h"
#include "music/pattern_data.h"
#include "platform/messages.h"

namespace {

constexpr uint32_t kDemoMs = 186368;  // the demo's end, as start-up asks

void writeAll(const char* path, const std::vector<uint8_t>& bytes, size_t size) {
    if (FILE* file = fopen(path, "wb")) {
        fwrite(bytes.data(), 1, std::min(size, bytes.size()), file);
        fclose(file);
    }
}

void say(const std::string& line) {
    problemLine("%s", line.c_str());
}

void texts() {
    // The error numbers a system call of the programs can meet.
    for (const int error :
         {EPERM,   ENOENT, ESRCH,  EINTR,  EIO,    ENXIO,  E2BIG,   ENOEXEC,      EBADF,
          ECHILD,  EAGAIN, ENOMEM, EACCES, EFAULT, EBUSY,  EEXIST,  EXDEV,        ENODEV,
          ENOTDIR, EISDIR, EINVAL, ENFILE, EMFILE, ENOTTY, ETXTBSY, EFBIG,        ENOSPC,
          ESPIPE,  EROFS,  EMLINK, EPIPE,  EDOM,   ERANGE, ENOSYS,  ENAMETOOLONG, ELOOP}) {
        say(strerror(error));
    }
    // The song cut, noise, a folder, too short for a longer demo.
    std::vector<uint8_t> song(1 << 23);
    if (FILE* file = fopen(AudioBridge::kSongFile, "rb")) {
        song.resize(fread(song.data(), 1, song.size(), file));
        fclose(file);
    }
    writeAll("data/half.ogg", song, song.size() / 2);
    writeAll("data/start.ogg", song, 100000);
    std::vector<uint8_t> noise(1 << 16);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t((i * 2654435761u) >> 13);
    writeAll("data/noise.ogg", noise, noise.size());
    for (const char* path : {"data/half.ogg", "data/start.ogg", "data/noise.ogg", "data"}) {
        say(AudioBridge::musicProblem(kDemoMs, path));
    }
    say(AudioBridge::musicProblem(1000000000, AudioBridge::kSongFile));
    // The music's stops and damage, over the figures' whole range.
    for (const uint64_t sample : {0ull, 1ull, 4410ull, 4066176ull, 8219000ull, 4294967295ull}) {
        say(AudioBridge::secondsText(sample) + " [" +
            AudioBridge::musicStopProblem(sample, kDemoMs) + "]");
    }
    say(AudioBridge::songDamageLine({1, 4066176, 4097000}));
    say(AudioBridge::songDamageLine({12, 441, 4294967295u}));
    problemLine("%d %d %ld %ld %llu %u|", -2147483647 - 1, 2147483647, -2147483647L - 1,
                2147483647L, 18446744073709551615ull, 4294967295u);
    // Where the programs say they looked for their files, where there are none.
    if (chdir("/") == 0) {
        demoFilesAreHere("ondrivale.gpe", "/nowhere at all");
        demoFilesAreHere("demo", "/", "./ondrivale.gpe");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "texts") {
        texts();
        return 0;
    }
    if (what != "table-cut" && what != "table-long" && what != "table-riff") {
        fprintf(stderr, "usage: message_lines texts|table-cut|table-long|table-riff\n");
        return 2;
    }
    std::vector<uint8_t> table(PatternData::kFileSize + (what == "table-long" ? 1 : 0), 0);
    if (what == "table-riff") memcpy(table.data(), "RIFF", 4);
    writeAll("data/patterndata.bin", table, what == "table-cut" ? 21130 : table.size());
    PatternData::instance();  // ends the process, saying why
    return 0;
}
