// "RGB Horizontal Offset 01": clears the window and adds a pool texture back three times, once
// per colour channel, the red copy shifted left and the blue copy right (a colour split). Reads
// "Rendertarget Source", "Factor" (the shift, divided by 16 in place), the view and texture
// sizes of DemoParameters; seeds the shared generator from TickCount for later effects.
// "Factor 1" and the two "-" fields are defined but not read.

#include "effects/image/_rgbhoffset01.h"

#include <GL/gl.h>

#include "effects/image/_rendertargets.h"
#include "effects/image/screenspace.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/random.h"
#include "engine/ticks.h"
#include "engine/_DemoParameters.h"

namespace quv {

namespace {

double RendertargetSource = 0.0;
double Factor = 0.0;
double Factor1 = 0.0;
double Unused1 = 0.0;
double Unused2 = 0.0;

void DrawChannel(float red, float green, float blue, float x0, float x1, float su, float sv)
{
    glColor4f(red, green, blue, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x0, 0.0f, 0.0f);
    glTexCoord2f(su, 0.0f);
    glVertex3f(x1, 0.0f, 0.0f);
    glTexCoord2f(su, sv);
    glVertex3f(x1, 1.0f, 0.0f);
    glTexCoord2f(0.0f, sv);
    glVertex3f(x0, 1.0f, 0.0f);
    glEnd();
}

// Sets: glOrtho(0, 1, 0, 1, -1, 1), identity modelview, the view as viewport, GL_LIGHTING off,
// GL_TEXTURE_2D on with the pool texture bound (texture 0 for an index outside the pool), blend
// GL_ONE, GL_ONE; clears colour and depth of the whole window with the clear colour in force.
// Leaves: GL_BLEND off, current colour (0, 0, 1, 1), the shared seed at the tick count. The
// depth test is not touched.
void Render()
{
    const tDemoParameters& p = DemoParameters;
    RandSeed = TickCount();
    Factor = Factor / 16.0;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glViewport(p.ViewportX, p.ViewportY, p.ViewportWidth, p.ViewportHeight);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, RenderTargetName(RendertargetSource));

    const float su = ViewSMax();
    const float sv = ViewTMax();
    const float d = static_cast<float>(su / 16.0 * Factor);
    DrawChannel(1.0f, 0.0f, 0.0f, -d, 1.0f - d, su, sv);
    DrawChannel(0.0f, 1.0f, 0.0f, 0.0f, 1.0f, su, sv);
    DrawChannel(0.0f, 0.0f, 1.0f, d, 1.0f + d, su, sv);
    glDisable(GL_BLEND);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Rendertarget Source", &RendertargetSource, 0, 0, 8)
        .Add("Factor", &Factor, 0, 0, 32)
        .Add("Factor 1", &Factor1, 0, 0, 32)
        .Add("-", &Unused1, 0, 0, 0)
        .Add("-", &Unused2, 0, 0, 0);
}

} // namespace

void RegisterRGBHorizontalOffset01()
{
    RegisterEffect("RGB Horizontal Offset 01", &Render, &DefineFields);
}

} // namespace quv
