#include "platform/openglcanvas.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "engine/debuglog.h"
#include "engine/numeric.h"
#include "platform/_DemoParameters.h"

namespace quv {

void ResizeGlScene(int32_t width, int32_t height)
{
    DebugLog("Resize GL scene calculations");
    tDemoParameters& p = DemoParameters;
    p.ScreenWidth = width;
    p.ScreenHeight = height;
    const double w = width;
    const double h = height;
    const double r = w / h; // 0 / 0 is NaN and takes the second branch with a pad of 0
    if (r >= p.Aspect) {
        const int32_t pad = RoundInt(w - (w / r) * p.Aspect) / 2;
        p.ViewWidth = width - 2 * pad;
        p.ViewHeight = height;
    } else {
        const int32_t pad = RoundInt(h - (h / p.Aspect) * r) / 2;
        p.ViewWidth = width;
        p.ViewHeight = height - 2 * pad;
    }
    p.TextureWidth = 1;
    while (p.TextureWidth < p.ViewWidth && p.TextureWidth < (1 << 30))
        p.TextureWidth *= 2;
    p.TextureHeight = 1;
    while (p.TextureHeight < p.ViewHeight && p.TextureHeight < (1 << 30))
        p.TextureHeight *= 2;
    p.ViewportX = (width - p.ViewWidth) / 2;
    p.ViewportY = (height - p.ViewHeight) / 2;
    p.ViewportWidth = p.ViewWidth;
    p.ViewportHeight = p.ViewHeight;
}

void SetPerspective(int32_t width, int32_t height, float fov)
{
    const tDemoParameters& p = DemoParameters;
    glViewport(0, 0, width, height == 0 ? 1 : height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(static_cast<double>(fov), p.Aspect, 1.0, 1250.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(p.ViewportX, p.ViewportY, p.ViewportWidth, p.ViewportHeight);
    glLoadIdentity();
}

bool InitGl()
{
    DebugLog("Init GL");
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHT1);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    return true;
}

} // namespace quv
