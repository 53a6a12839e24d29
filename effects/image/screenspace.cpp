#include "effects/image/screenspace.h"

#include <GL/gl.h>

#include "engine/_DemoParameters.h"

namespace quv {

void SetViewOrtho()
{
    const tDemoParameters& p = DemoParameters;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, p.ViewWidth, 0.0, p.ViewHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void SetViewViewport()
{
    const tDemoParameters& p = DemoParameters;
    glViewport(p.ViewportX, p.ViewportY, p.ViewportWidth, p.ViewportHeight);
    glLoadIdentity();
}

float ViewSMax()
{
    const tDemoParameters& p = DemoParameters;
    return p.TextureWidth > 0
               ? static_cast<float>(static_cast<double>(p.ViewWidth) / p.TextureWidth)
               : 0.0f;
}

float ViewTMax()
{
    const tDemoParameters& p = DemoParameters;
    return p.TextureHeight > 0
               ? static_cast<float>(static_cast<double>(p.ViewHeight) / p.TextureHeight)
               : 0.0f;
}

void DrawFullViewQuad()
{
    const tDemoParameters& p = DemoParameters;
    DrawTexturedQuad(static_cast<float>(p.ViewWidth), static_cast<float>(p.ViewHeight), ViewSMax(),
                     ViewTMax());
}

void DrawTexturedQuad(float width, float height, float sMax, float tMax)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glTexCoord2f(sMax, 0.0f);
    glVertex3f(width, 0.0f, 0.0f);
    glTexCoord2f(sMax, tMax);
    glVertex3f(width, height, 0.0f);
    glTexCoord2f(0.0f, tMax);
    glVertex3f(0.0f, height, 0.0f);
    glEnd();
}

} // namespace quv
