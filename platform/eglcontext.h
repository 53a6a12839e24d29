#pragma once
// Headless GL: an EGL context on Mesa's surfaceless platform with a pbuffer of the requested
// size (8-bit RGBA, 16-bit depth, desktop GL compatibility profile). Stands in for the window
// when rendering to files and in tests.

#include <cstdint>
#include <string>
#include <vector>

namespace quv {

class HeadlessContext {
public:
    HeadlessContext() = default;
    ~HeadlessContext();
    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    // Creates the context and makes it current; on failure returns false with a reason.
    bool Create(int32_t width, int32_t height, std::string& error);
    void Destroy();
    bool IsCurrent() const { return context_ != nullptr; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }

    // Reads the whole framebuffer as RGBA, top row first, into pixels (resized once).
    void ReadPixels(std::vector<uint8_t>& pixels) const;

private:
    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

} // namespace quv
