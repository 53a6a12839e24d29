#include "platform/eglcontext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstring>

namespace quv {

namespace {

EGLDisplay OpenSurfacelessDisplay()
{
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (extensions != nullptr && std::strstr(extensions, "EGL_MESA_platform_surfaceless") &&
        getPlatformDisplay != nullptr) {
        EGLDisplay display =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY)
            return display;
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

} // namespace

HeadlessContext::~HeadlessContext()
{
    Destroy();
}

bool HeadlessContext::Create(int32_t width, int32_t height, std::string& error)
{
    Destroy();
    EGLDisplay display = OpenSurfacelessDisplay();
    EGLint major = 0;
    EGLint minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error = "cannot initialise an EGL display";
        return false;
    }
    display_ = display;
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_ALPHA_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       16,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1) {
        error = "no EGL configuration with 8-bit RGBA, a depth buffer and pbuffers";
        Destroy();
        return false;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) {
        error = "cannot create a " + std::to_string(width) + "x" + std::to_string(height) +
                " EGL pbuffer";
        Destroy();
        return false;
    }
    surface_ = surface;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = "EGL has no desktop OpenGL";
        Destroy();
        return false;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT)
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        error = "cannot create an OpenGL compatibility context";
        Destroy();
        return false;
    }
    context_ = context;
    if (!eglMakeCurrent(display, surface, surface, context)) {
        error = "cannot make the EGL context current";
        Destroy();
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

void HeadlessContext::Destroy()
{
    if (display_ == nullptr)
        return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != nullptr)
        eglDestroyContext(display_, context_);
    if (surface_ != nullptr)
        eglDestroySurface(display_, surface_);
    // The display stays initialised: terminating it unloads the driver, and the process may open
    // another context later (tests do, many times).
    display_ = surface_ = context_ = nullptr;
}

void HeadlessContext::ReadPixels(std::vector<uint8_t>& pixels) const
{
    const size_t rowBytes = static_cast<size_t>(width_) * 4;
    pixels.resize(rowBytes * static_cast<size_t>(height_));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // GL gives the bottom row first; files and people want the top row first.
    for (int32_t y = 0; y < height_ / 2; ++y) {
        uint8_t* a = pixels.data() + static_cast<size_t>(y) * rowBytes;
        uint8_t* b = pixels.data() + static_cast<size_t>(height_ - 1 - y) * rowBytes;
        std::swap_ranges(a, a + rowBytes, b);
    }
}

} // namespace quv
