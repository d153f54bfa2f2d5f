#include "video/image.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/messages.h"
#include "platform/picture.h"
#include "video/display.h"

Image::Image(const char* path) {
    Display* display = Display::instance();
    pixels = platformLoadPicture(path, display->format, &width, &height);
    if (pixels == nullptr) exitLoadingFailed(path);
    count = width * height;
}

Image::Image(int w, int h) : count(w * h), pixels(new uint16_t[w * h]()), width(w), height(h) {}

Image::~Image() {
    delete[] pixels;
}

namespace {

// "640×480"
std::string sizeText(int width, int height) {
    return std::to_string(width) + "\u00d7" + std::to_string(height);
}

[[noreturn]] void exitWrongSize(const char* path, const Image& image, const std::string& needs) {
    problemLine("%s is %s, the demo needs %s", path, sizeText(image.width, image.height).c_str(),
                needs.c_str());
    exit(1);
}

}  // namespace

Image* loadPicture(const char* path, int minWidth, int minHeight, bool exactWidth) {
    Image* image = new Image(path);
    const bool wideEnough = exactWidth ? image->width == minWidth : image->width >= minWidth;
    if (wideEnough && image->height >= minHeight) return image;
    exitWrongSize(path, *image,
                  exactWidth ? "it " + std::to_string(minWidth) + " pixels wide and at least " +
                                   std::to_string(minHeight) + " high"
                             : "it at least " + sizeText(minWidth, minHeight));
}

Image* loadAlphaMap(const char* path, const Image& picture, const char* picturePath) {
    Image* map = new Image(path);
    if (map->width == picture.width && map->height == picture.height) return map;
    exitWrongSize(path, *map,
                  std::string("it the size of ") + picturePath + ", " +
                      sizeText(picture.width, picture.height));
}
