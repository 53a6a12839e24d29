// The view inside the window or the headless frame: the 4:3 view and its texture size, the
// perspective the Clear and FOV effects set, the base GL state, and the clear that starts a scene.

#include "effects/glview.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "engine/_DemoParameters.h"
#include "engine/_effectinit.h"
#include "engine/debuglog.h"
#include "engine/numeric.h"

namespace quv {

namespace {
constexpr GLfloat GlobalAmbient[4] = {0.0f, 0.0f, 0.0f, 0.0f};
} // namespace

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

// Sets: smooth shading, clear colour and depth, depth test LEQUAL, perspective hint, colour
// material (ambient and diffuse, both faces), global ambient black, lights 0-7 off, normalize off.
// Leaves: modelview selected with identity, the 90-degree perspective, the 4:3 viewport.
// Untouched: lighting, blending, texturing, culling, the bound texture, the current colour.
void ClearScene(double red, double green, double blue, double alpha)
{
    glShadeModel(GL_SMOOTH);
    glClearColor(static_cast<GLfloat>(red), static_cast<GLfloat>(green), static_cast<GLfloat>(blue),
                 static_cast<GLfloat>(alpha));
    glClearDepth(1000.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glShadeModel(GL_SMOOTH);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    SetPerspective(DemoParameters.ScreenWidth, DemoParameters.ScreenHeight, 90.0f);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, GlobalAmbient);
    for (GLenum light = GL_LIGHT0; light <= GL_LIGHT7; ++light)
        glDisable(light);
    glDisable(GL_NORMALIZE);
}

void DrawBlackFrames(void (*present)(int frame))
{
    for (int frame = 0; frame < BlackFrameCount; ++frame) {
        ClearScene(0.0, 0.0, 0.0, 1.0);
        present(frame);
    }
}

bool SetUpScene(int32_t width, int32_t height)
{
    DemoParameters.Aspect = 4.0 / 3.0;
    ResizeGlScene(width, height);
    if (!InitGl())
        return false;
    EffectInit();
    return true;
}

} // namespace quv
