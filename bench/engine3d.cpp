// bench_engine3d - what the 3D engine costs per frame: the creature mesh
// transformed and drawn textured and environment-mapped (as its scene does),
// then 16 cube meshes transformed and stamped 330 times flat (as the greets
// wall does). Prints nanoseconds per frame and the pixels each part drew.
//
// Usage: bench_engine3d [frames]   (default 2000). Reads the generated meshes
// from the run folder.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine3d/camera.h"
#include "engine3d/mesh.h"
#include "fixed/tables.h"
#include "video/display.h"
#include "video/image.h"

namespace {

constexpr int kCubeMeshes = 16;
constexpr int kCells = 330;

struct Scene {
    std::unique_ptr<Image> texture;
    std::unique_ptr<Mesh> spid;
    std::unique_ptr<Mesh> cubes[kCubeMeshes];
    uint16_t colour[kCells];
};

void setCamera(Camera& camera, Fixed x, Fixed z, int32_t rotY) {
    camera.posX = x;
    camera.posY = 0;
    camera.posZ = z;
    camera.rotX = camera.rotZ = 0;
    camera.rotY = rotY;
    camera.update();
}

void drawSpid(Scene& s, Display* display, int frame) {
    setCamera(sharedCamera(), -0x18000, 0, -16384);
    s.spid->rotX = frame * 120;
    s.spid->rotY = frame * 400;
    s.spid->transform();
    display->clearDepth(0x1E0000);
    s.spid->drawTextured();
}

void drawCubes(Scene& s) {
    setCamera(sharedCamera(), 0, 0x20000, 0);
    for (auto& cube : s.cubes) {
        cube->rotX += 100;
        cube->rotY += 500;
        cube->rotZ += 320;
        cube->transform();
    }
    for (int i = 0; i < kCells; ++i) {
        s.cubes[i & 15]->drawFlat(s.colour[i], (i % 22) * 13 - 135, (i / 22) * 14 - 100 + 2);
    }
}

int countNot(const uint16_t* pixels, uint16_t value) {
    int n = 0;
    for (int i = 0; i < Display::kPixelCount; ++i) n += pixels[i] != value;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    const int frames = argc > 1 ? atoi(argv[1]) : 2000;
    buildSineTable(nullptr);
    buildCosineTable();
    Display* display = Display::instance();

    Scene s;
    s.texture = std::make_unique<Image>(256, 256);
    for (int i = 0; i < 65536; ++i)
        s.texture->pixels[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
    s.spid = std::make_unique<Mesh>(DEMO_RUN_DIR "/data/spid", s.texture.get(), s.texture.get(),
                                    186, 384, 209);
    for (int i = 0; i < kCubeMeshes; ++i) {
        s.cubes[i] = std::make_unique<Mesh>(DEMO_RUN_DIR "/data/cube", s.texture.get(),
                                            s.texture.get(), 8, 12, 12);
        s.cubes[i]->rotX = i * 2500;
        s.cubes[i]->rotY = (i * 7919) % 12000;
        s.cubes[i]->rotZ = (i * 104729) % 12000;
        s.cubes[i]->focal = 0xC80000;
    }
    for (int i = 0; i < kCells; ++i) s.colour[i] = static_cast<uint16_t>(0x8410 + i * 97);

    // Pixels each part writes, counted once outside the timing.
    for (int i = 0; i < Display::kPixelCount; ++i) display->pixels[i] = 0x0001;
    drawSpid(s, display, 0);
    const int spidPixels = countNot(display->pixels, 0x0001);
    for (int i = 0; i < Display::kPixelCount; ++i) display->pixels[i] = 0x0001;
    drawCubes(s);
    const int cubePixels = countNot(display->pixels, 0x0001);

    using Clock = std::chrono::steady_clock;
    auto spidTime = Clock::duration::zero();
    auto cubeTime = Clock::duration::zero();
    for (int frame = 0; frame < frames; ++frame) {
        const auto t0 = Clock::now();
        drawSpid(s, display, frame);
        const auto t1 = Clock::now();
        drawCubes(s);
        const auto t2 = Clock::now();
        spidTime += t1 - t0;
        cubeTime += t2 - t1;
    }
    auto perFrame = [&](Clock::duration d) {
        return static_cast<double>(
                   std::chrono::duration_cast<std::chrono::nanoseconds>(d).count()) /
               frames;
    };
    printf("frames                     %d\n", frames);
    printf("spid textured  ns/frame    %.0f  (pixels drawn in frame 0: %d)\n", perFrame(spidTime),
           spidPixels);
    printf("330 flat cubes ns/frame    %.0f  (pixels drawn in frame 0: %d)\n", perFrame(cubeTime),
           cubePixels);
    printf("total          ns/frame    %.0f  (pixels drawn per frame: %d)\n",
           perFrame(spidTime + cubeTime), spidPixels + cubePixels);
    return 0;
}
