// PNG files decoded by the program itself with stb_image, where there is no
// SDL_image: in the web page (whose browser's own image decoding may correct
// colours) and on the console.
#include "platform/picture.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO_FALLBACK
#include <stb_image.h>

namespace {

// Truncated to 5, 6 and 5 bits, as SDL converts to a 16-bit screen.
uint16_t rgb565(const uint8_t* rgb) {
    return static_cast<uint16_t>(((rgb[0] >> 3) << 11) | ((rgb[1] >> 2) << 5) | (rgb[2] >> 3));
}

}  // namespace

uint16_t* platformLoadPicture(const char* path, const PlatformPixelFormat*, int* width,
                              int* height) {
    int channels = 0;
    uint8_t* rgb = stbi_load(path, width, height, &channels, 3);
    if (rgb == nullptr) return nullptr;
    const size_t count = size_t(*width) * *height;
    auto* pixels = new uint16_t[count];
    for (size_t i = 0; i < count; ++i) pixels[i] = rgb565(rgb + 3 * i);
    stbi_image_free(rgb);
    return pixels;
}
