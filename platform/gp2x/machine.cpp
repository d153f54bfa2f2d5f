#include "platform/gp2x/machine.h"

#include <cstdio>
#include <cstdlib>

#include "platform/messages.h"

namespace {

bool gChecked = false;

// The processor line ("Processor : ARM920Tid(wb) rev 0 (v4l)" on the
// console), or the first line, to name what was found instead.
std::string processorLine(const std::string& cpuinfo) {
    size_t at = cpuinfo.find("model name");
    if (at == std::string::npos) at = cpuinfo.find("Processor");
    if (at == std::string::npos) at = 0;
    const size_t end = cpuinfo.find('\n', at);
    std::string line = cpuinfo.substr(at, end == std::string::npos ? std::string::npos : end - at);
    for (char& c : line) {
        if (c == '\t') c = ' ';
    }
    return line;
}

}  // namespace

bool cpuinfoNamesConsole(const std::string& cpuinfo) {
    return cpuinfo.find("ARM920T") != std::string::npos;
}

void machineCheckOrExit() {
    std::string cpuinfo;
    if (FILE* file = fopen("/proc/cpuinfo", "r")) {
        char chunk[1024];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) cpuinfo.append(chunk, n);
        fclose(file);
    }
    if (!cpuinfoNamesConsole(cpuinfo)) {
        problemLine(
            "this program drives the GP2X's own hardware and runs only on its ARM920T; "
            "/proc/cpuinfo says \"%s\": nothing was opened",
            cpuinfo.empty() ? "(unreadable)" : processorLine(cpuinfo).c_str());
        exit(1);
    }
    gChecked = true;
}

bool machineChecked() {
    return gChecked;
}
