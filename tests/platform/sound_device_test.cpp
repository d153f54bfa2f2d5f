#include "platform/sound_device.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "../music/audio_test_support.h"
#include "platform/simulated/sound_controls.h"

using namespace audiotest;

namespace {

std::vector<uint8_t> numberedBlocks(int count) {
    std::vector<uint8_t> bytes(size_t(count) * 8192);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(1 + (i / 8192) * 16 + i % 7);
    return bytes;
}

}  // namespace

TEST(SoundDevice, SdlDiskDriverReceivesEveryByteInOrder) {
    ScratchRunFolder folder(false);
    const std::string capture = folder.path() + "/out.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    soundDeviceSelect(SoundBackend::Host);
    const int device = soundDeviceOpen("/dev/dsp");
    ASSERT_GT(device, 0);
    EXPECT_EQ(soundDeviceOpenBackend(), SoundBackend::Host);
    EXPECT_EQ(soundDeviceOpen("/dev/dsp"), -1) << "one device at a time";
    int speed = 44100;
    EXPECT_EQ(soundDeviceIoctl(device, 0xC0045002, &speed), 0);
    const std::vector<uint8_t> blocks = numberedBlocks(5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(soundDeviceWrite(device, &blocks[size_t(i) * 8192], 8192), 8192);
    }
    EXPECT_EQ(soundDeviceClose(device), 0) << "plays out what is buffered, then closes";
    EXPECT_EQ(soundDeviceOpenBackend(), SoundBackend::None);

    const std::vector<uint8_t> file = readFile(capture);
    const auto start = std::search(file.begin(), file.end(), blocks.begin(), blocks.end());
    ASSERT_TRUE(start != file.end());
    EXPECT_TRUE(std::all_of(file.begin(), start, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(
        std::all_of(start + long(blocks.size()), file.end(), [](uint8_t b) { return b == 0; }));
    soundDeviceSelect(SoundBackend::Automatic);
}

TEST(SoundDevice, NoDeviceWhenNothingOpens) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    soundDeviceSelect(SoundBackend::Host);
    EXPECT_EQ(soundDeviceOpen("/dev/dsp"), -1);
    soundDeviceSelect(SoundBackend::Oss);
    EXPECT_EQ(soundDeviceOpen("/nonexistent/dsp"), -1);
    soundDeviceSelect(SoundBackend::None);
    EXPECT_EQ(soundDeviceOpen("/dev/dsp"), -1);
    EXPECT_EQ(soundDeviceOpenBackend(), SoundBackend::None);
    int value = 0;
    EXPECT_EQ(soundDeviceIoctl(12345, 0xC0045002, &value), -1);
    EXPECT_EQ(soundDeviceWrite(12345, &value, sizeof value), -1);
    EXPECT_EQ(soundDeviceClose(12345), -1);
    soundDeviceSelect(SoundBackend::Automatic);
}

// A regular file stands in for the OSS node: settings fail (it is no sound
// device) and are ignored, writes arrive whole.
TEST(SoundDevice, OssBackendWritesEveryByteToTheNode) {
    ScratchRunFolder folder(false);
    writeFile("dsp", "", 0);
    soundDeviceSelect(SoundBackend::Oss);
    const int device = soundDeviceOpen("dsp");
    ASSERT_GT(device, 0);
    EXPECT_EQ(soundDeviceOpenBackend(), SoundBackend::Oss);
    int speed = 44100;
    EXPECT_EQ(soundDeviceIoctl(device, 0xC0045002, &speed), -1);
    const std::vector<uint8_t> blocks = numberedBlocks(2);
    EXPECT_EQ(soundDeviceWrite(device, blocks.data(), blocks.size()), long(blocks.size()));
    EXPECT_EQ(soundDeviceClose(device), 0);
    EXPECT_EQ(readFile("dsp"), blocks);
    soundDeviceSelect(SoundBackend::Automatic);
}
