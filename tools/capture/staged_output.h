// staged_output.h - outputs written under a temporary name beside their final
// one and renamed into place only once complete, so that a failed or killed
// run never leaves a half-written file under the name it was given.
//
// The temporary name is hidden in the same folder (".NAME.partial-PID"), so
// the final rename is atomic; the temporary names that a killed run left
// there, whose process no longer exists, are removed by the next prepare in
// that folder. A folder must be new or empty, so that runs never mix: prepare
// makes a new one at once and takes a lock in it (flock on a hidden
// ".capture.lock"), held until the output is committed or discarded, so that
// a second run into the same folder is refused while the first one lasts
// (and a file's staged copy is locked the same way, so that a second run
// writing a file of the same name is refused too);
// it then checks that a file can be moved from the temporary folder into it,
// so that an unwritable folder is found before any work. The folder receives
// the new files one by one, each complete; a folder it made is removed again
// if nothing is committed. A name that is a device or a pipe (/dev/null, a
// FIFO) is written straight into and never replaced; a symbolic link is
// followed.
#pragma once

#include <string>

class StagedOutput {
  public:
    enum class Kind { File, Folder };

    StagedOutput() = default;
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;
    ~StagedOutput();

    // Checks that the final name can be written and creates the temporary
    // file or folder; false with one line in *error if not.
    bool prepare(const std::string& path, Kind kind, std::string* error);
    const std::string& stagingPath() const { return staging_; }
    const std::string& path() const { return path_; }
    bool prepared() const { return !staging_.empty(); }

    // Moves what was staged to the final name.
    bool commit(std::string* error);
    // Removes what was staged.
    void discard();

  private:
    bool claimFolder(const std::string& given, std::string* error);
    bool probeFolder(const std::string& given, std::string* error);
    void releaseFolder();
    void releaseFile();

    std::string path_;
    std::string staging_;
    Kind kind_ = Kind::File;
    bool direct_ = false;  // writing straight into a device or a pipe
    // A folder's lock, and whether prepare made the folder.
    int lockFd_ = -1;
    std::string lockPath_;
    bool madeFolder_ = false;
    // The lock on a staged file, held until it is committed or discarded.
    int fileLockFd_ = -1;
};

// Removes every staged output not yet committed, for exits that skip
// destructors (the engine's exit on a missing asset).
void discardAllStagedOutputs();
// The same for staged files only (and the locks and the new, still empty
// folders), safe inside a signal handler.
void discardStagedFilesFromSignal();
