// staged_output.h - outputs written under a temporary name beside their final
// one and renamed into place only once complete, so that a failed or killed
// run never leaves a half-written file under the name it was given.
//
// The temporary name is hidden in the same folder (".NAME.partial-PID"), so
// the final rename is atomic; the temporary names that a killed run left
// there, whose process no longer exists, are removed by the next prepare in
// that folder. A folder must be new or empty, so that runs never mix: an empty
// one receives the new files one by one, each complete. A name that is a
// device or a pipe (/dev/null, a FIFO) is written straight into and never
// replaced; a symbolic link is followed.
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
    std::string path_;
    std::string staging_;
    Kind kind_ = Kind::File;
    bool direct_ = false;  // writing straight into a device or a pipe
};

// Removes every staged output not yet committed, for exits that skip
// destructors (the engine's exit on a missing asset).
void discardAllStagedOutputs();
// The same for staged files only, safe inside a signal handler.
void discardStagedFilesFromSignal();
