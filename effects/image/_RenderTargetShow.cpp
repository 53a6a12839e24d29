// "RenderTarget Show": adds a pool texture, scaled by "Alpha", over the whole view, optionally
// clearing the window first. Reads "Source", "Alpha", "Clear" and the view and texture sizes;
// the two blend fields are defined but not read.

#include "effects/image/_RenderTargetShow.h"

#include <GL/gl.h>

#include "effects/image/_rendertargets.h"
#include "effects/image/screenspace.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv {

namespace {

double Source = 0.0;
double Alpha = 0.0;
double Clear = 0.0;
double BlendModeSource = 0.0;
double BlendModeDestination = 0.0;

// Sets: view orthographic projection, identity modelview, the view as viewport, GL_LIGHTING
// off, GL_TEXTURE_2D on with the pool texture bound (texture 0 for an index outside the pool),
// blend function GL_ONE, GL_ONE. Leaves: GL_BLEND off, current colour (a, a, a, a), clear
// colour (0, 0, 0, 0) if "Clear" cleared. The depth test is not touched.
void Render()
{
    SetViewOrtho();
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    if (Clear >= 1.0) {
        // Before the viewport is set: the clear covers the whole window.
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
    }
    SetViewViewport();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, RenderTargetName(Source));
    const float a = static_cast<float>(Alpha);
    glColor4f(a, a, a, a);
    DrawFullViewQuad();
    glDisable(GL_BLEND);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Source", &Source, 0, 0, 8)
        .Add("Alpha", &Alpha, 0, 0, 1)
        .Add("Clear", &Clear, 0, 0, 1)
        .Add("BlendMode Source", &BlendModeSource, 0, 0, 1)
        .Add("BlendMode Destination", &BlendModeDestination, 0, 0, 1);
}

} // namespace

void RegisterRenderTargetShow()
{
    RegisterEffect("RenderTarget Show", &Render, &DefineFields);
}

} // namespace quv
