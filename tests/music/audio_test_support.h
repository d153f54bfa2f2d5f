// audio_test_support.h - a scratch run folder for audio tests, test songs made
// and decoded with the reference Vorbis tools, and a wait with a generous bound.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>


namespace audiotest {

inline std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), std::streamsize(size));
}

inline std::vector<int16_t> asSamples(const std::vector<uint8_t>& bytes) {
    std::vector<int16_t> samples(bytes.size() / 2);
    if (!samples.empty()) memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// A stereo signal that never repeats a block: two different sweeps, so any
// block lost, doubled or swapped shows in a comparison.
inline std::vector<int16_t> sweepSignal(int frames) {
    std::vector<int16_t> samples(size_t(frames) * 2);
    double phaseL = 0, phaseR = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / frames;
        phaseL += 2 * M_PI * (150 + 1800 * t) / 44100;
        phaseR += 2 * M_PI * (900 - 600 * t) / 44100;
        samples[size_t(i) * 2] = int16_t(9000 * std::sin(phaseL));
        samples[size_t(i) * 2 + 1] = int16_t(7000 * std::sin(phaseR) * (0.3 + 0.7 * t));
    }
    return samples;
}

// Encodes 44100 Hz stereo samples with oggenc (libvorbisenc) into path.
inline bool encodeOgg(const std::vector<int16_t>& samples, const std::string& path) {
    writeFile(path + ".raw", samples.data(), samples.size() * 2);
    const std::string command = "oggenc -Q -r -B 16 -C 2 -R 44100 --raw-endianness 0 -q 4 -o '" +
                                path + "' '" + path + ".raw'";
    return std::system(command.c_str()) == 0 && std::filesystem::remove(path + ".raw");
}

// Decodes with oggdec (the floating-point reference decoder) to raw samples.
inline std::vector<int16_t> decodeReference(const std::string& path) {
    const std::string raw = path + ".ref.raw";
    const std::string command = "oggdec -Q -R -o '" + raw + "' '" + path + "'";
    if (std::system(command.c_str()) != 0) return {};
    std::vector<int16_t> samples = asSamples(readFile(raw));
    std::filesystem::remove(raw);
    return samples;
}

// Largest difference between captured and reference over the reference's length.
inline int largestDifference(const std::vector<int16_t>& captured,
                             const std::vector<int16_t>& reference, size_t count) {
    int largest = 0;
    for (size_t i = 0; i < count; ++i) {
        largest = std::max(largest, std::abs(int(captured[i]) - int(reference[i])));
    }
    return largest;
}

inline bool allZero(const std::vector<int16_t>& samples, size_t from) {
    for (size_t i = from; i < samples.size(); ++i) {
        if (samples[i] != 0) return false;
    }
    return true;
}

template <typename Condition>
bool waitFor(Condition condition, int seconds = 30) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The second processor's program image that the build made.
inline std::vector<uint8_t> builtCode940() {
    return readFile(std::string(DEMO_RUN_DIR) + "/code940.bin");
}

// A fresh folder to run in, holding our code940.bin unless told otherwise;
// the previous working directory comes back at the end.
class ScratchRunFolder {
  public:
    explicit ScratchRunFolder(bool withImage = true) {
        char pattern[] = "/tmp/audiotest-XXXXXX";
        path_ = mkdtemp(pattern);
        previous_ = std::filesystem::current_path();
        std::filesystem::create_directories(path_ + "/data");
        if (withImage) {
            const std::vector<uint8_t> image = builtCode940();
            writeFile(path_ + "/code940.bin", image.data(), image.size());
        }
        std::filesystem::current_path(path_);
    }
    ~ScratchRunFolder() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(path_);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::filesystem::path previous_;
};

}  // namespace audiotest
