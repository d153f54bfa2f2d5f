// audio_bridge_fixture.h - runs the audio bridge on the simulated hardware the
// way start-up does, and collects every block written to the sound device.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "music/audio_bridge.h"
#include "platform/mem_device.h"
#include "platform/simulated/simulated_memory.h"
#include "platform/simulated/sound_controls.h"
#include "platform/sound_control_block.h"
#include "platform/sound_device.h"

class AudioBridgeTest : public ::testing::Test {
  public:
    // Start-up and loading print their progress lines; tests that are not
    // about them keep them out of the test log.
    static void initQuietly() {
        testing::internal::CaptureStdout();
        AudioBridge::init();
        testing::internal::GetCapturedStdout();
    }
    static void loadQuietly(const char* path) {
        testing::internal::CaptureStdout();
        AudioBridge::loadSong(path);
        testing::internal::GetCapturedStdout();
    }

  protected:
    void SetUp() override {
        memset(simulatedSecondCpuMemory(), 0, kSecondCpuMemorySize);
        AudioBridge::memDevice = memDeviceOpen("/dev/mem", O_RDWR);
        AudioBridge::registers = static_cast<volatile uint16_t*>(
            memDeviceMap(nullptr, kRegisterWindowSize, PROT_READ | PROT_WRITE, MAP_SHARED,
                         AudioBridge::memDevice, kRegisterBase));
        soundDeviceSetObserver(collectBlock, this);
    }
    void TearDown() override {
        soundDeviceSetObserver(nullptr, nullptr);
        soundDeviceSelect(SoundBackend::Automatic);
        memDeviceClose(AudioBridge::memDevice);
    }

    static SoundControlBlock* control() {
        return reinterpret_cast<SoundControlBlock*>(simulatedSecondCpuMemory() +
                                                    kControlBlockOffset);
    }

    size_t writesSeen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return writes_;
    }
    std::vector<uint8_t> played() {
        std::lock_guard<std::mutex> lock(mutex_);
        return played_;
    }
    size_t playedBytes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return played_.size();
    }
    // Waits until `bytes` have been played, for as long as sound keeps coming:
    // a machine slower than real time (a sanitizer, an emulated processor, a
    // busy machine) only takes longer; sound that stops for 30 s fails.
    bool waitForPlayed(size_t bytes) {
        constexpr auto kStall = std::chrono::seconds(30);
        size_t seen = playedBytes();
        auto lastGrowth = std::chrono::steady_clock::now();
        while (seen < bytes) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            const size_t now = playedBytes();
            if (now > seen) {
                seen = now;
                lastGrowth = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() - lastGrowth > kStall) {
                return false;
            }
        }
        return true;
    }

    static std::vector<std::string> lines(const std::string& text) {
        std::vector<std::string> result;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) result.push_back(line);
        return result;
    }

  private:
    static void collectBlock(void* context, const uint8_t* data, size_t size) {
        AudioBridgeTest* self = static_cast<AudioBridgeTest*>(context);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->played_.insert(self->played_.end(), data, data + size);
        ++self->writes_;
    }

    std::mutex mutex_;
    std::vector<uint8_t> played_;
    size_t writes_ = 0;
};
