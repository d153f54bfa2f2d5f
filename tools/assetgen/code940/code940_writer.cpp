#include "code940/code940_writer.h"

#include "common/asset_files.h"
#include "platform/code940_image.h"

bool writeCode940(const std::string& runDir) {
    const auto image = code940Image();
    return writeBytes(outputPath(runDir, "code940.bin"), image.data(), image.size());
}
