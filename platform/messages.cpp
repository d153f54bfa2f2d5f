#include "platform/messages.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

// Each line as it is said, also into a pipe or a file (a log that a
// process ends without flushing would keep none of it).
void putLine(const char* line) {
    puts(line);
    fflush(stdout);
}

std::atomic<MessageSink> gProgressSink{putLine};
std::atomic<MessageSink> gProblemSink{putLine};

}  // namespace

void setProgressSink(MessageSink sink) {
    gProgressSink.store(sink != nullptr ? sink : putLine);
}

void setProblemSink(MessageSink sink) {
    gProblemSink.store(sink != nullptr ? sink : putLine);
}

void progressLine(const char* line) {
    gProgressSink.load()(line);
}

void problemLine(const char* format, ...) {
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    gProblemSink.load()(line);
}

void exitLoadingFailed(const char* path) {
    problemLine("error loading %s", path);
    exit(1);
}
