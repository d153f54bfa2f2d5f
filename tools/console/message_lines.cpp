// message_lines - the lines the demo says, as the C library of the build it
// is linked into formats them: the console program's (newlib, under
// qemu-arm) must print what the desktop's (glibc) prints, byte for byte.
// tools/console/end_to_end.py runs both and compares.
//
//   message_lines texts           every line that is formatted, not fixed
//   message_lines elsewhere       where the programs looked for their files
//   message_lines table-cut       the sync table's lines, each of which ends
//   message_lines table-long      the process (status 1), from a table it
//   message_lines table-header    writes into data/patterndata.bin
//
// Run in a folder of its own holding code940.bin and data/ondrivale.ogg (the
// demo's), where it writes the files it reads; "elsewhere" in one without
// data/.
#include <errno.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/demo.h"
#include "music/audio_bridge.h"
#include "music/pattern_data.h"
#include "platform/messages.h"

namespace {

// Ends at the demo's end, as start-up asks.
constexpr uint32_t kDemoMs = 186368;

std::vector<uint8_t> readAll(const char* path) {
    std::vector<uint8_t> bytes;
    if (FILE* file = fopen(path, "rb")) {
        uint8_t chunk[4096];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, file)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        fclose(file);
    }
    return bytes;
}

void writeAll(const char* path, const uint8_t* bytes, size_t size) {
    if (FILE* file = fopen(path, "wb")) {
        fwrite(bytes, 1, size, file);
        fclose(file);
    }
}

void say(const std::string& line) {
    problemLine("%s", line.c_str());
}

void texts() {
    // The error numbers a system call of the programs can meet, as strerror words them.
    const int errors[] = {EPERM,   ENOENT, ESRCH,        EINTR,  EIO,    ENXIO,  E2BIG,  ENOEXEC,
                          EBADF,   ECHILD, EAGAIN,       ENOMEM, EACCES, EFAULT, EBUSY,  EEXIST,
                          EXDEV,   ENODEV, ENOTDIR,      EISDIR, EINVAL, ENFILE, EMFILE, ENOTTY,
                          ETXTBSY, EFBIG,  ENOSPC,       ESPIPE, EROFS,  EMLINK, EPIPE,  EDOM,
                          ERANGE,  ENOSYS, ENAMETOOLONG, ELOOP};
    for (const int error : errors) say(strerror(error));

    // The song: cut, noise, too long, a folder.
    const std::vector<uint8_t> song = readAll(AudioBridge::kSongFile);
    writeAll("data/half.ogg", song.data(), song.size() / 2);
    writeAll("data/start.ogg", song.data(), 100000);
    std::vector<uint8_t> noise(1 << 16);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t((i * 2654435761u) >> 13);
    writeAll("data/noise.ogg", noise.data(), noise.size());
    for (const char* path :
         {"data/half.ogg", "data/start.ogg", "data/noise.ogg", "data", AudioBridge::kSongFile}) {
        say("[" + AudioBridge::musicProblem(kDemoMs, path) + "]");
    }
    say("[" + AudioBridge::musicProblem(1000000000, AudioBridge::kSongFile) + "]");

    // The music's stops and damage, over the figures' whole range.
    for (const uint64_t sample : {0ull, 1ull, 4410ull, 4066176ull, 8219000ull, 4294967295ull}) {
        say(AudioBridge::secondsText(sample) + " [" +
            AudioBridge::musicStopProblem(sample, kDemoMs) + "]");
    }
    say(AudioBridge::songDamageLine({1, 4066176, 4097000}));
    say(AudioBridge::songDamageLine({12, 441, 4294967295u}));

    // The formats the lines use, at their limits.
    problemLine("%d %d %ld %ld %llu %u %s|", -2147483647 - 1, 2147483647, -2147483647L - 1,
                2147483647L, 18446744073709551615ull, 4294967295u, "");
}

// Where the programs say they looked for their files, run where there are none.
void elsewhere() {
    demoFilesAreHere("ondrivale.gpe", "/nowhere at all");
    demoFilesAreHere("demo", "/", "./ondrivale.gpe");
}

// A sync table as asked, written where the demo reads it, then read.
void table(const std::string& what) {
    std::vector<uint8_t> bytes(PatternData::kFileSize + (what == "table-long" ? 1 : 0), 0);
    if (what == "table-cut") bytes.resize(21130);
    if (what == "table-header") memcpy(bytes.data(), "RIFF", 4);
    writeAll("data/patterndata.bin", bytes.data(), bytes.size());
    PatternData::instance();
    say("read");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "texts") {
        texts();
    } else if (what == "elsewhere") {
        elsewhere();
    } else if (what.rfind("table-", 0) == 0) {
        table(what);
    } else {
        fprintf(stderr, "usage: message_lines texts|elsewhere|table-cut|table-long|table-header\n");
        return 2;
    }
    return 0;
}
