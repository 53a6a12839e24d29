// "Color Fade": lays a flat colour over the whole view with alpha blending; "Factor" scales all
// four components, so each channel becomes p x (1 - a f) + c a f^2. Reads "Factor", "Red",
// "Green", "Blue", "Alpha" and the view size of DemoParameters.

#include "effects/image/_ColorFade.h"

#include <GL/gl.h>

#include "effects/image/screenspace.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_DemoParameters.h"

namespace quv {

namespace {

double Factor = 0.0;
double Red = 0.0;
double Green = 0.0;
double Blue = 0.0;
double Alpha = 0.0;

// Sets: view orthographic projection, identity modelview, the view as viewport, GL_LIGHTING off,
// GL_TEXTURE_2D off, blend GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA. Leaves: GL_BLEND off, the
// current colour (Red, Green, Blue, Alpha) x Factor. The depth test is not touched.
void Render()
{
    const tDemoParameters& p = DemoParameters;
    SetViewOrtho();
    glDisable(GL_LIGHTING);
    SetViewViewport();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);
    glColor4f(static_cast<float>(Red * Factor), static_cast<float>(Green * Factor),
              static_cast<float>(Blue * Factor), static_cast<float>(Alpha * Factor));
    const float w = static_cast<float>(p.ViewWidth);
    const float h = static_cast<float>(p.ViewHeight);
    glBegin(GL_QUADS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(w, 0.0f, 0.0f);
    glVertex3f(w, h, 0.0f);
    glVertex3f(0.0f, h, 0.0f);
    glEnd();
    glDisable(GL_BLEND);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Factor", &Factor, 0, 0, 1)
        .Add("Red", &Red, 0, 0, 1)
        .Add("Green", &Green, 0, 0, 1)
        .Add("Blue", &Blue, 0, 0, 1)
        .Add("Alpha", &Alpha, 0, 1, 1);
}

} // namespace

void RegisterColorFade()
{
    RegisterEffect("Color Fade", &Render, &DefineFields);
}

} // namespace quv
