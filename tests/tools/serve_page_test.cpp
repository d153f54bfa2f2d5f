// The page's server (./run.sh --web) says in one line why it cannot serve,
// before it prints the page's address.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "../capture/capture_test_support.h"

TEST(ServePage, APortThatCannotBeHadIsOneLine) {
    // A port of our own, taken.
    const int taken = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(taken, 1), 0);
    socklen_t length = sizeof address;
    getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string port = std::to_string(ntohs(address.sin_port));

    const std::string server = std::string(DEMO_SOURCE_DIR) + "/scripts/serve-page";
    const capturetest::CaptureResult busy =
        capturetest::capture(port + " " + testing::TempDir(), "", ">/dev/null", server);
    EXPECT_EQ(busy.status, 1);
    EXPECT_EQ(busy.messages, "run.sh: cannot serve the page on port " + port +
                                 ": Address already in use (PORT=... chooses another)\n");
    const capturetest::CaptureResult word =
        capturetest::capture("eighty " + testing::TempDir(), "", ">/dev/null", server);
    EXPECT_EQ(word.status, 1);
    EXPECT_EQ(word.messages, "run.sh: PORT=eighty is not a port: give a number from 1 to 65535\n");
    close(taken);
}
