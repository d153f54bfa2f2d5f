// messages.h - the lines the engine prints for a person: progress at start-up
// ("init...", "loading done", ...) and problems ("error loading data/spid").
//
// By default both go to standard output, a line each, as on the console. A host may send either
// kind elsewhere: offline capture drops the progress and marks the problems as its own on standard
// error. A line is passed without its newline. Safe to call from any thread;
// a sink is chosen before the threads that print start.
#pragma once

using MessageSink = void (*)(const char* line);

// nullptr restores the default.
void setProgressSink(MessageSink sink);
void setProblemSink(MessageSink sink);

void progressLine(const char* line);
void problemLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A file the program cannot run without: "error loading PATH" as a problem,
// then the end of the process with status 1.
[[noreturn]] void exitLoadingFailed(const char* path);
