#include "platform/mem_device.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/simulated/simulated_memory.h"

namespace {

int openDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (dir != nullptr && readdir(dir) != nullptr) ++count;
    if (dir != nullptr) closedir(dir);
    return count;
}

void* map(int fd, off_t offset, size_t length) {
    return memDeviceMap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
}

}  // namespace

TEST(MemDevice, ServesTheTwoBlocksAtTheConsoleAddressesOnly) {
    const int fd = memDeviceOpen("/dev/mem", O_RDWR);
    ASSERT_GT(fd, 0);
    EXPECT_EQ(map(fd, kRegisterBase, kRegisterWindowSize), simulatedRegisterBlock());
    EXPECT_EQ(map(fd, kSecondCpuMemoryBase, kSecondCpuMemorySize), simulatedSecondCpuMemory());

    EXPECT_EQ(map(fd, 0, 4096), MAP_FAILED);
    EXPECT_EQ(map(fd, kRegisterBase + 0x1000, 4096), MAP_FAILED);
    EXPECT_EQ(map(fd, kRegisterBase, kRegisterWindowSize + 1), MAP_FAILED);
    EXPECT_EQ(map(fd, kSecondCpuMemoryBase, kSecondCpuMemorySize + 1), MAP_FAILED);
    EXPECT_EQ(map(fd, kSecondCpuMemoryBase, 0), MAP_FAILED);
    EXPECT_EQ(map(fd + 1, kRegisterBase, 4096), MAP_FAILED);
    EXPECT_EQ(memDeviceOpen("/dev/dsp", O_RDWR), -1);
    EXPECT_EQ(memDeviceOpen("/dev/mem/", O_RDWR), -1);

    EXPECT_EQ(memDeviceUnmap(simulatedRegisterBlock(), kRegisterWindowSize), 0);
    EXPECT_EQ(memDeviceUnmap(simulatedRegisterBlock() + 1, kRegisterWindowSize), -1);
    EXPECT_EQ(memDeviceClose(fd), 0);
    EXPECT_EQ(memDeviceClose(fd), -1);
    EXPECT_EQ(map(fd, kRegisterBase, 4096), MAP_FAILED) << "closed";
}

TEST(MemDevice, OpensNoFileOfTheHost) {
    const int before = openDescriptors();
    const int fd = memDeviceOpen("/dev/mem", O_RDWR);
    map(fd, kRegisterBase, kRegisterWindowSize);
    EXPECT_EQ(openDescriptors(), before);
    EXPECT_LT(fcntl(fd, F_GETFD), 0) << "the descriptor is no file of this process";
    memDeviceClose(fd);
}

// A whole audio start-up and shutdown, traced: the process must never name
// the host's "/dev/mem" in any system call.
TEST(MemDevice, HeadlessAudioRunNeverTouchesTheHostMemoryDevice) {
    if (std::system("strace -o /dev/null true > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "strace cannot trace here";
    }
    const std::string trace = std::string(testing::TempDir()) + "/audio-run.trace";
    // LeakSanitizer cannot run under a tracer; the traced run only has to run.
    const char* asan = getenv("ASAN_OPTIONS");
    const std::string command = "ASAN_OPTIONS='" + std::string(asan ? asan : "") +
                                ":detect_leaks=0' strace -f -qq -e trace=all -o '" + trace + "' " +
                                DEMO_BINARY_DIR +
                                "/demo_tests --gtest_filter=AudioBridgeMessages."
                                "WithDeviceTheProcessorStartsBeforeInitReturns > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(trace);
    std::stringstream text;
    text << in.rdbuf();
    const std::string calls = text.str();
    ASSERT_NE(calls.find("code940.bin"), std::string::npos) << "the run did reach the bridge";
    EXPECT_EQ(calls.find("/dev/mem"), std::string::npos);
    std::remove(trace.c_str());
}
