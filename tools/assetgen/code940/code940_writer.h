// code940_writer.h - writes the second processor's program image.
#pragma once

#include <string>

// Writes "code940.bin" into the run folder; false (after one line) on failure.
bool writeCode940(const std::string& runDir);
