// display.h - the one 320x240 RGB565 screen, its depth buffer and the
// pointer to the 3D engine's shared camera (made by sharedCamera() in
// engine3d/camera.h on its first use).
//
// Drawing code writes straight into `pixels` (pixel (x, y) at y*width + x) and
// the 3D rasterizers into `depth`. present() hands the band of rows that
// changed (or the whole screen after fullUpdate) to the visible screen and
// the host (video/visible_screen.h). There is no second buffer: the software
// surface is the back buffer. The host's video (platform/present.h) gives
// the surface; `surface` and `format` are its handles, opaque here.
#pragma once

#include <algorithm>
#include <cstdint>

struct PlatformSurface;
struct PlatformPixelFormat;
class Camera;

// Rows top .. top+height-1: the band that present() sends.
struct PresentBand {
    int top;
    int height;
};

class Display {
  public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;
    static constexpr int kPixelCount = kWidth * kHeight;
    // 30.0: what the 3D scenes clear the depth buffer to, so nothing at that
    // depth or beyond is drawn.
    static constexpr int32_t kFarDepth = 0x1E0000;
    // Every row: the band of the scenes that are not letterboxed.
    static constexpr PresentBand kWholeScreen{0, kHeight};

    // The process-wide screen, opened on the first call.
    static Display* instance();

    Display(int width, int height, int bitsPerPixel);
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Sends the whole screen if fullUpdate is set, else rows updateTop ..
    // updateTop+updateHeight-1; then clears fullUpdate. The band stays set.
    void present();
    void setBand(PresentBand band) {
        updateTop = band.top;
        updateHeight = band.height;
    }
    // Every depth := value. Only the entries that may hold another value are
    // stored: all of them after a clear to another value, else the columns
    // noted in each row since the last clear.
    void clearDepth(int32_t value);
    // Columns left .. right-1 of row y of depth were written (the 3D engine
    // notes its spans; any other writer of depth notes what it writes too).
    void noteDepthSpan(int y, int left, int right) {
        depthLeft[y] = std::min<int16_t>(depthLeft[y], static_cast<int16_t>(left));
        depthRight[y] = std::max<int16_t>(depthRight[y], static_cast<int16_t>(right));
    }
    // Where noteDepthSpan keeps each row's columns, for a drawing routine
    // that notes them itself (the textured rows of engine3d/textured_rows.h).
    int16_t* depthLeftColumns() { return depthLeft; }
    int16_t* depthRightColumns() { return depthRight; }
    // Rows top .. end-1, whole.
    void noteDepthRows(int top, int end) {
        for (int y = top; y < end; ++y) {
            depthLeft[y] = 0;
            depthRight[y] = kWidth;
        }
    }

    // Frames counted in the last completed window of at least 1001 ms. The
    // call that closes a window is counted in neither window.
    int framesPerSecond();

    uint16_t* pixels = nullptr;
    PlatformPixelFormat* format = nullptr;
    int width = 0;  // also the row stride of pixels and depth
    int height = 0;
    int32_t depth[kPixelCount];
    Camera* camera = nullptr;
    int updateTop = 0;
    int updateHeight = 0;
    bool fullUpdate = false;
    PlatformSurface* surface = nullptr;
    int pixelCount = 0;
    uint32_t fpsWindowStart = 0;
    int framesPerSecondValue = 0;
    int fpsFrameCount = 0;

  private:
    // Outside columns depthLeft[y] .. depthRight[y]-1 of each row y, every
    // depth is depthFill.
    int32_t depthFill = 0;
    int16_t depthLeft[kHeight];
    int16_t depthRight[kHeight];
};
