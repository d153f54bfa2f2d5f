#include "capture/staged_output.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
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
// Copies of what the signal handler removes, which it may not reach through
// std::string: the staged file, a folder's lock file, the folder if prepare
// made it (removed only while empty).
struct SignalCopies {
    char file[4096];
    char lock[4096];
    char madeFolder[4096];
};
SignalCopies gSignalCopies[kMaxStaged];

void copyName(char (&to)[4096], const std::string& from) {
    to[0] = '\0';
    if (from.size() < sizeof to) memcpy(to, from.c_str(), from.size() + 1);
}

void track(StagedOutput* output, const std::string& file, const std::string& lock,
           const std::string& madeFolder) {
    for (int i = 0; i < kMaxStaged; ++i) {
        if (gStaged[i] != nullptr) continue;
        copyName(gSignalCopies[i].file, file);
        copyName(gSignalCopies[i].lock, lock);
        copyName(gSignalCopies[i].madeFolder, madeFolder);
        gStaged[i] = output;
        return;
    }
}

void untrack(StagedOutput* output) {
    for (int i = 0; i < kMaxStaged; ++i) {
        if (gStaged[i] != output) continue;
        gSignalCopies[i] = SignalCopies{};
        gStaged[i] = nullptr;
    }
}

// The lock a run holds in its --frames folder; the folder counts as empty
// while it holds nothing else.
constexpr const char* kLockName = ".capture.lock";

bool emptyButTheLock(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.path().filename() != kLockName) return false;
    }
    return !ec;
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

// Whether another run is writing `name` in `folder`: it holds a lock on its
// staged file (".NAME.partial-PID") until it commits or discards it.
bool anotherRunWrites(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string staged = entry.path().filename().string();
        const pid_t pid = stagedBy(staged);
        if (pid <= 0 || pid == getpid() || staged != stagingName(name, pid)) continue;
        const int fd = open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        const bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        close(fd);
        if (held) return true;
    }
    return false;
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
    if (kind == Kind::Folder && fs::is_directory(status) && !emptyButTheLock(target.string())) {
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
    if (kind == Kind::Folder && !claimFolder(path, error)) return false;
    const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
    removeLeftPartials(parent);
    const std::string staging = (parent / stagingName(name, getpid())).string();
    if (kind == Kind::File) {
        // Staged and locked first, then the others' looked at: of two runs
        // that start at once, one at least sees the other.
        const int fd = open(staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            *error = cannotWrite(path, errno);
            return false;
        }
        flock(fd, LOCK_EX | LOCK_NB);
        if (anotherRunWrites(parent, name)) {
            close(fd);
            unlink(staging.c_str());
            *error = "cannot write " + path + ": another capture is writing it (give another name)";
            return false;
        }
        fileLockFd_ = fd;
    } else if (mkdir(staging.c_str(), 0755) != 0) {
        *error = cannotWrite(path, errno);
        releaseFolder();
        return false;
    }
    staging_ = staging;
    track(this, kind == Kind::File ? staging_ : "", lockPath_, madeFolder_ ? path_ : "");
    if (kind == Kind::Folder && !probeFolder(path, error)) {
        discard();
        return false;
    }
    return true;
}

// Makes the folder if it is new and takes its lock; checks again, under the
// lock, that the folder is empty (a run that just ended may have filled it).
bool StagedOutput::claimFolder(const std::string& given, std::string* error) {
    if (mkdir(path_.c_str(), 0755) == 0) {
        madeFolder_ = true;
    } else if (errno != EEXIST) {
        *error = cannotWrite(given, errno);
        return false;
    }
    lockPath_ = path_ + "/" + kLockName;
    lockFd_ = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0) {
        *error = cannotWrite(given, errno);
        releaseFolder();
        return false;
    }
    if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        *error = "cannot write " + given +
                 ": another capture is writing into that folder (give another one)";
        // The lock and the folder are the other run's.
        close(lockFd_);
        lockFd_ = -1;
        madeFolder_ = false;
        return false;
    }
    if (!emptyButTheLock(path_)) {
        *error = "cannot write " + given + ": the folder is not empty (give a new or empty one)";
        releaseFolder();
        return false;
    }
    return true;
}

// Moves a file from the temporary folder into the folder and removes it, as
// the commit will: a folder without write permission, or on another file
// system than the temporary one, is refused before any work.
bool StagedOutput::probeFolder(const std::string& given, std::string* error) {
    const std::string from = staging_ + "/.probe";
    const std::string to = path_ + "/.capture.probe-" + std::to_string(getpid());
    const int fd = open(from.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = cannotWrite(given, errno);
        return false;
    }
    close(fd);
    if (rename(from.c_str(), to.c_str()) != 0) {
        *error = errno == EXDEV ? "cannot write " + given +
                                      ": it is another file system than its parent folder, "
                                      "where the frames are made (give a folder inside it)"
                                : cannotWrite(given, errno);
        unlink(from.c_str());
        return false;
    }
    if (unlink(to.c_str()) != 0) {
        *error = cannotWrite(given, errno);
        return false;
    }
    return true;
}

// Gives the lock up; a folder that prepare made goes too, while still empty.
void StagedOutput::releaseFolder() {
    if (lockFd_ >= 0) {
        unlink(lockPath_.c_str());
        close(lockFd_);
        lockFd_ = -1;
    }
    lockPath_.clear();
    if (madeFolder_) rmdir(path_.c_str());
    madeFolder_ = false;
}

bool StagedOutput::commit(std::string* error) {
    if (staging_.empty()) return true;
    if (direct_) {
        staging_.clear();
        return true;
    }
    std::error_code ec;
    if (kind_ == Kind::File) {
        if (rename(staging_.c_str(), path_.c_str()) != 0) {
            *error = cannotWrite(path_, errno);
            discard();
            return false;
        }
        releaseFile();
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
        madeFolder_ = false;  // it holds the output now
        releaseFolder();
    }
    untrack(this);
    staging_.clear();
    return true;
}

void StagedOutput::releaseFile() {
    if (fileLockFd_ >= 0) close(fileLockFd_);
    fileLockFd_ = -1;
}

void StagedOutput::discard() {
    if (direct_) staging_.clear();
    if (staging_.empty()) return;
    std::error_code ec;
    fs::remove_all(staging_, ec);
    releaseFile();
    releaseFolder();
    untrack(this);
    staging_.clear();
}

void discardAllStagedOutputs() {
    for (StagedOutput* output : gStaged) {
        if (output != nullptr) output->discard();
    }
}

void discardStagedFilesFromSignal() {
    for (const SignalCopies& copies : gSignalCopies) {
        if (copies.file[0] != '\0') unlink(copies.file);
        if (copies.lock[0] != '\0') unlink(copies.lock);
        if (copies.madeFolder[0] != '\0') rmdir(copies.madeFolder);
    }
}
