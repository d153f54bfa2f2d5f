// code940_writer.h - turns the second processor's linked program into
// "code940.bin" (code940_layout.h): fills the header's length and checksum
// after checking the image.
//
// finishCode940Image checks that the raw image starts with a branch (its
// entry is the reset vector at address 0), carries our header with a code
// length inside the image, and ends below the control block at 0x200000; on
// success it fills the image length and the checksum of the code and returns
// an empty string, else it leaves the bytes alone and returns what is wrong.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::string finishCode940Image(std::vector<uint8_t>& image);

// Reads the raw image, finishes it and writes "code940.bin" into the run
// folder; false (after one line) on failure.
bool writeCode940(const std::string& runDir, const std::string& rawImagePath);
