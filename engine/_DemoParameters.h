#pragma once
// The display and run parameters shared by the launcher, the window, the playback and the
// effects.

#include <cstdint>
#include <string>

namespace quv {

struct tDemoParameters {
    int32_t ScreenWidth = 0; // chosen mode; replaced by the client size on every resize
    int32_t ScreenHeight = 0;
    int32_t ColorBits = 0;
    int32_t RefreshRate = 0;
    bool FullScreen = false;
    int32_t ViewWidth = 0; // the 4:3 view inside the window
    int32_t ViewHeight = 0;
    int32_t ViewportX = 0; // left and bottom edges of the view in window pixels
    int32_t ViewportY = 0;
    int32_t ViewportWidth = 0;
    int32_t ViewportHeight = 0;
    double Aspect = 0.0;
    int32_t TextureWidth = 0; // smallest powers of two not below the view size
    int32_t TextureHeight = 0;
    std::string MusicFile;
    bool Running = false;
};

extern tDemoParameters DemoParameters;

} // namespace quv
