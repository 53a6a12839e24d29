#include "tests/support/glcontext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <string>

#include "engine/_effectinit.h"
#include "engine/_loadsave.h"
#include "effects/moduleinit.h"
#include "engine/_DemoParameters.h"
#include "effects/glview.h"

namespace quv::test {

namespace {

// Mesa unloads its driver when the process exits, before the leak checker of the sanitizer build
// walks the driver's own start-up allocations; their stacks then point into no module and escape
// the driver suppressions. Marking the loaded driver as never unloaded keeps them attributable.
int PinDriver(dl_phdr_info* info, size_t, void*)
{
    const char* name = info->dlpi_name;
    if (name != nullptr && (std::strstr(name, "_dri.so") || std::strstr(name, "/dri/") ||
                            std::strstr(name, "libgallium")))
        dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

} // namespace

GlScene::GlScene(int32_t width, int32_t height)
{
    FreeTimeline();
    InitialiseModules();
    std::string error;
    if (!context.Create(width, height, error))
        ADD_FAILURE() << "headless GL context: " << error;
    dl_iterate_phdr(&PinDriver, nullptr);
    DemoParameters.FullScreen = false;
    SetUpScene(width, height);
}

Rgba GlScene::Pixel(int32_t x, int32_t y)
{
    uint8_t p[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

std::vector<uint8_t> GlScene::Frame()
{
    std::vector<uint8_t> pixels;
    context.ReadPixels(pixels);
    return pixels;
}

} // namespace quv::test
