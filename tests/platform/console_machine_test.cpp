// The console program's interlock: which /proc/cpuinfo texts let it open
// the console's devices (platform/gp2x/machine.h).
#include <gtest/gtest.h>

#include "platform/gp2x/machine.h"

TEST(ConsoleInterlock, OpensDevicesOnlyOnTheConsolesProcessor) {
    EXPECT_TRUE(cpuinfoNamesConsole(
        "Processor\t: ARM920Tid(wb) rev 0 (v4l)\nBogoMIPS\t: 199.47\nHardware\t: GP2X\n"));
    // Another ARM board, qemu-arm's own guess of a processor, and a desktop.
    EXPECT_FALSE(
        cpuinfoNamesConsole("Processor\t: ARM926EJ-S rev 5 (v5l)\nHardware\t: ARM-Versatile\n"));
    EXPECT_FALSE(
        cpuinfoNamesConsole("processor\t: 0\nmodel name\t: ARMv7 Processor rev 10 (v7l)\n"));
    EXPECT_FALSE(cpuinfoNamesConsole("processor\t: 0\nmodel name\t: Intel(R) Xeon(R) Processor\n"));
    EXPECT_FALSE(cpuinfoNamesConsole(""));
}
