// video_encoder.h - Debian's ffmpeg as a child process making the video: raw
// RGB565 frames on one pipe, raw 44100 Hz 16-bit stereo sound on another (or
// none, for a silent video), H.264 and AAC out, in an MP4, Matroska or
// QuickTime container.
//
// ffmpeg runs in a process group of its own, so a Ctrl-C at the terminal
// reaches only capture, which then closes the pipes and lets ffmpeg finish a
// playable file. Its messages are kept aside; the last one is reported if it fails.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/frame_plan.h"

// The full path of a program found on PATH, or empty.
std::string findOnPath(const std::string& program);

class VideoEncoder {
  public:
    VideoEncoder() = default;
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;
    ~VideoEncoder();

    // container: ffmpeg's name for it ("mp4", "matroska", "mov").
    bool start(const std::string& ffmpeg, const std::string& path, const char* container, int width,
               int height, FrameRate rate, bool withSound, std::string* error);
    // Frames and sound are written from different threads, each at its own
    // pace: ffmpeg reads the two pipes as it needs, so neither may wait for
    // the other.
    bool writeFrame(const uint16_t* pixels, size_t count);
    bool writeSound(const int16_t* samples, size_t stereoSamples);
    void closeFrames();
    void closeSound();
    // Closes the pipes and waits for ffmpeg; false with one line in *error if
    // it failed (an exit status or a message: it reports errors only): "cannot
    // write NAME: No space left on device" when its messages name the
    // system's reason for a write that failed, else "ffmpeg failed: " and its
    // last message.
    bool finish(const std::string& videoName, std::string* error);
    pid_t pid() const { return pid_; }

  private:
    bool writeAll(int fd, const void* data, size_t size);
    std::string messages();

    pid_t pid_ = -1;
    int videoPipe_ = -1;
    int soundPipe_ = -1;
    int messages_ = -1;  // ffmpeg's standard error, an unlinked file
};
