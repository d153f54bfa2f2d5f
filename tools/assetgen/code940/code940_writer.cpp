#include "code940/code940_writer.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "common/asset_files.h"
#include "platform/code940/code940_image.h"

namespace {

void putWord(std::vector<uint8_t>& image, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[offset + i] = uint8_t(value >> (8 * i));
}

}  // namespace

std::string finishCode940Image(std::vector<uint8_t>& image) {
    if (image.size() < CODE940_HEADER_END) return "too short to hold its header";
    if (image.size() > kCode940Capacity) {
        return "ends at " + std::to_string(image.size()) + ", past the control block at 2097152";
    }
    if (!code940StartsWithBranch(image.data())) return "does not start with a branch at 0";
    if (code940Word(image.data(), CODE940_HEADER_OFFSET) != CODE940_MAGIC_LOW ||
        code940Word(image.data(), CODE940_HEADER_OFFSET + 4) != CODE940_MAGIC_HIGH ||
        code940Word(image.data(), CODE940_HEADER_OFFSET + 8) != CODE940_VERSION) {
        return "has no header of this version";
    }
    const uint32_t codeLength = code940Word(image.data(), CODE940_CODE_LENGTH_OFFSET);
    if (codeLength < CODE940_HEADER_END || codeLength > image.size()) {
        return "gives a code length of " + std::to_string(codeLength) + " for its " +
               std::to_string(image.size()) + " bytes";
    }
    putWord(image, CODE940_LENGTH_OFFSET, uint32_t(image.size()));
    putWord(image, CODE940_CHECKSUM_OFFSET, code940ImageChecksum(image.data(), codeLength));
    return "";
}

bool writeCode940(const std::string& runDir, const std::string& rawImagePath) {
    std::ifstream in(rawImagePath, std::ios::binary);
    if (!in) {
        printf("cannot read %s\n", rawImagePath.c_str());
        return false;
    }
    std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), {}};
    const std::string problem = finishCode940Image(image);
    if (!problem.empty()) {
        printf("%s %s\n", rawImagePath.c_str(), problem.c_str());
        return false;
    }
    return writeBytes(outputPath(runDir, "code940.bin"), image);
}
