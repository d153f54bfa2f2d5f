#include "capture/staged_output.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxStaged = 4;
StagedOutput* gStaged[kMaxStaged];
// Copies of the staged file names for the signal handler, which may not
// touch std::string.
char gStagedFiles[kMaxStaged][4096];

void track(StagedOutput* output, bool isFile) {
    for (int i = 0; i < kMaxStaged; ++i) {
        if (gStaged[i] != nullptr) continue;
        gStaged[i] = output;
        gStagedFiles[i][0] = '\0';
        if (isFile && output->stagingPath().size() < sizeof gStagedFiles[i]) {
            memcpy(gStagedFiles[i], output->stagingPath().c_str(),
                   output->stagingPath().size() + 1);
        }
        return;
    }
}

void untrack(StagedOutput* output) {
    for (int i = 0; i < kMaxStaged; ++i) {
        if (gStaged[i] != output) continue;
        gStagedFiles[i][0] = '\0';
        gStaged[i] = nullptr;
    }
}

std::string cannotWrite(const std::string& path, int error) {
    return "cannot write " + path + ": " + strerror(error);
}

constexpr const char* kPartialMark = ".partial-";

std::string stagingName(const std::string& name, pid_t pid) {
    return "." + name + kPartialMark + std::to_string(pid);
}

// The process a ".NAME.partial-PID" name was staged by; 0 for other names.
pid_t stagedBy(const std::string& name) {
    const size_t mark = name.rfind(kPartialMark);
    if (name.size() < 2 || name[0] != '.' || mark == std::string::npos || mark < 2) return 0;
    const std::string digits = name.substr(mark + strlen(kPartialMark));
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return pid_t(atol(digits.c_str()));
}

// A process that cannot be signalled for lack of permission still exists.
bool processGone(pid_t pid) {
    return kill(pid, 0) != 0 && errno == ESRCH;
}

void removeLeftPartials(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const pid_t pid = stagedBy(entry.path().filename().string());
        if (pid > 0 && pid != getpid() && processGone(pid)) fs::remove_all(entry.path(), ec);
    }
}

}  // namespace

StagedOutput::~StagedOutput() {
    discard();
}

bool StagedOutput::prepare(const std::string& path, Kind kind, std::string* error) {
    fs::path target(path);
    while (target.has_relative_path() && !target.has_filename()) target = target.parent_path();
    std::error_code ec;
    // A link is replaced by nothing: what it points to receives the output.
    if (fs::is_symlink(target, ec)) target = fs::weakly_canonical(target, ec);
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") {
        *error = "cannot write " + path + ": give a file or folder name";
        return false;
    }
    const fs::file_status status = fs::status(target, ec);
    if (kind == Kind::File && fs::is_directory(status)) {
        *error = "cannot write " + path + ": it is a folder";
        return false;
    }
    if (kind == Kind::Folder && fs::exists(status) && !fs::is_directory(status)) {
        *error = "cannot write " + path + ": it is a file, not a folder";
        return false;
    }
    if (kind == Kind::Folder && fs::is_directory(status) && !fs::is_empty(target, ec)) {
        *error = "cannot write " + path + ": the folder is not empty (give a new or empty one)";
        return false;
    }
    path_ = target.string();
    kind_ = kind;
    if (kind == Kind::File && fs::exists(status) && !fs::is_regular_file(status)) {
        // A device or a pipe (/dev/null, a FIFO) cannot be half-written under
        // its name, and must never be replaced: write straight into it.
        staging_ = path_;
        direct_ = true;
        return true;
    }
    const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
    removeLeftPartials(parent);
    const std::string staging = (parent / stagingName(name, getpid())).string();
    if (kind == Kind::File) {
        const int fd = open(staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            *error = cannotWrite(path, errno);
            return false;
        }
        close(fd);
    } else if (mkdir(staging.c_str(), 0755) != 0) {
        *error = cannotWrite(path, errno);
        return false;
    }
    staging_ = staging;
    track(this, kind == Kind::File);
    return true;
}

bool StagedOutput::commit(std::string* error) {
    if (staging_.empty()) return true;
    if (direct_) {
        staging_.clear();
        return true;
    }
    std::error_code ec;
    if (kind_ == Kind::File || !fs::exists(path_, ec)) {
        if (rename(staging_.c_str(), path_.c_str()) != 0) {
            *error = cannotWrite(path_, errno);
            discard();
            return false;
        }
    } else {
        for (const auto& entry : fs::directory_iterator(staging_, ec)) {
            const fs::path to = fs::path(path_) / entry.path().filename();
            if (rename(entry.path().c_str(), to.c_str()) != 0) {
                *error = cannotWrite(to.string(), errno);
                discard();
                return false;
            }
        }
        rmdir(staging_.c_str());
    }
    untrack(this);
    staging_.clear();
    return true;
}

void StagedOutput::discard() {
    if (direct_) staging_.clear();
    if (staging_.empty()) return;
    std::error_code ec;
    fs::remove_all(staging_, ec);
    untrack(this);
    staging_.clear();
}

void discardAllStagedOutputs() {
    for (StagedOutput* output : gStaged) {
        if (output != nullptr) output->discard();
    }
}

void discardStagedFilesFromSignal() {
    for (auto& file : gStagedFiles) {
        if (file[0] != '\0') unlink(file);
    }
}
