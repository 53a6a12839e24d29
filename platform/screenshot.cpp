#include "platform/screenshot.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/atomicfile.h"
#include "platform/pngfile.h"

namespace quv {

std::string ScreenshotName(const std::string& demoFile, int32_t positionMs,
                           const std::function<bool(const std::string&)>& exists)
{
    std::string stem = std::filesystem::path(demoFile).stem().string();
    if (stem.empty())
        stem = "screenshot";
    char position[32];
    std::snprintf(position, sizeof position, "-%06dms", std::max(positionMs, 0));
    const std::string base = stem + position;
    std::string name = base + ".png";
    for (int n = 2; exists(name); ++n)
        name = base + "-" + std::to_string(n) + ".png";
    return name;
}

void FlipRowsOpaque(std::vector<uint8_t>& rgba, int32_t width, int32_t height)
{
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int32_t y = 0; y < height / 2; ++y) {
        uint8_t* a = rgba.data() + static_cast<size_t>(y) * rowBytes;
        uint8_t* b = rgba.data() + static_cast<size_t>(height - 1 - y) * rowBytes;
        std::swap_ranges(a, a + rowBytes, b);
    }
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = 255;
}

void ReadBackBuffer(int32_t width, int32_t height, std::vector<uint8_t>& rgba)
{
    rgba.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPushAttrib(GL_PIXEL_MODE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    glPopAttrib();
    glPopClientAttrib();
    FlipRowsOpaque(rgba, width, height);
}

bool SaveScreenshot(const std::string& folder, const std::string& demoFile, int32_t positionMs,
                    int32_t width, int32_t height, const std::vector<uint8_t>& rgba,
                    std::string* path, std::string* error)
{
    const std::filesystem::path dir = folder.empty() ? "." : folder;
    const auto taken = [&](const std::string& name) {
        std::error_code ec;
        return std::filesystem::exists(dir / name, ec) || ec;
    };
    const std::string first = (dir / ScreenshotName(demoFile, positionMs, taken)).string();
    const std::string temporary = TemporaryNameBeside(first, *error);
    if (temporary.empty())
        return false;
    if (!WritePng(temporary, width, height, rgba, *error)) {
        std::remove(temporary.c_str());
        return false;
    }
    // A hard link puts the finished file under its name only when no file has that name; a file
    // that appeared since the name was chosen moves this one on to the next free name.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string name = (dir / ScreenshotName(demoFile, positionMs, taken)).string();
        if (link(temporary.c_str(), name.c_str()) == 0) {
            std::remove(temporary.c_str());
            *path = name;
            return true;
        }
        if (errno != EEXIST) {
            // A file system without hard links: the rename, after the name was found free.
            if (std::rename(temporary.c_str(), name.c_str()) == 0) {
                *path = name;
                return true;
            }
            *error = "cannot write " + name + ": " + std::strerror(errno);
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::remove(temporary.c_str());
    *error = "cannot write " + first + ": no free name";
    return false;
}

} // namespace quv
