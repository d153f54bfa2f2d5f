// machine.h - the console program's safety interlock.
//
// The program maps "/dev/mem", the whole physical memory of the machine it
// runs on, and writes the console's control registers through it: on any
// other machine those writes land in someone else's hardware. So before it
// opens any device it reads /proc/cpuinfo, and it goes on only where that
// names the console's processor, an ARM920T. Anywhere else (a desktop,
// qemu-arm on a desktop, which shows the desktop's /proc/cpuinfo) it says so
// in one line and ends with status 1. The memory device opens only once this
// check has passed in the process.
#pragma once

#include <string>

// Whether cpuinfo (the text of /proc/cpuinfo) names an ARM920T processor.
bool cpuinfoNamesConsole(const std::string& cpuinfo);

// Passes on the console; elsewhere prints the line and exits with status 1.
void machineCheckOrExit();

// Whether machineCheckOrExit has passed.
bool machineChecked();
