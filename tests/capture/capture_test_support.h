// capture_test_support.h - runs the real capture program as a person does,
// from the run folder or from a scratch copy of it, and reads what it wrote.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace capturetest {

namespace fs = std::filesystem;

struct CaptureResult {
    int status = -1;
    std::string messages;  // standard error
};

// An empty folder of the test's own.
inline fs::path scratch(const std::string& name) {
    const fs::path dir =
        fs::path(testing::TempDir()) / ("capture-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// A run folder whose files link to the real one's, so that a test may replace
// any of them.
inline fs::path scratchRunFolder(const std::string& name) {
    const fs::path dir = scratch(name);
    fs::create_directories(dir / "data");
    for (const auto& entry : fs::directory_iterator(fs::path(DEMO_RUN_DIR) / "data"))
        fs::create_symlink(entry.path(), dir / "data" / entry.path().filename());
    fs::create_symlink(fs::path(DEMO_RUN_DIR) / "code940.bin", dir / "code940.bin");
    return dir;
}

// Runs `environment capture args redirections` through the shell; standard
// output goes to /dev/null unless the redirections say otherwise.
inline CaptureResult capture(const std::string& args, const std::string& environment = "",
                             const std::string& redirections = ">/dev/null",
                             const std::string& program = DEMO_CAPTURE) {
    const std::string errors = testing::TempDir() + "capture-stderr-" + std::to_string(getpid());
    const std::string command =
        environment + " " + program + " " + args + " 2>" + errors + " " + redirections;
    CaptureResult run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(errors);
    run.messages.assign(std::istreambuf_iterator<char>(in), {});
    fs::remove(errors);
    return run;
}

// Starts capture (or another program) in the background, in `folder`, its
// messages (and output) into `messages`, thrown away by default; the process id.
inline pid_t startCapture(const std::vector<std::string>& args,
                          const std::string& messages = "/dev/null",
                          const char* program = DEMO_CAPTURE, const std::string& folder = ".") {
    std::vector<char*> argv = {const_cast<char*>(program)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

// ffprobe's "key=value" lines for the entries asked for.
inline std::string probe(const fs::path& video, const std::string& entries) {
    const std::string command =
        "ffprobe -v error -of default=nw=1 -show_entries " + entries + " '" + video.string() + "'";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[256];
    while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    if (pipe != nullptr) pclose(pipe);
    return out;
}

inline double probedValue(const std::string& text, const std::string& key) {
    const size_t at = text.find(key + "=");
    return at == std::string::npos ? -1 : std::stod(text.substr(at + key.size() + 1));
}

}  // namespace capturetest
