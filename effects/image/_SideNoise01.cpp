// "Side Noise 01": draws a pool texture over the view in 128 horizontal strips whose left and
// right edges are pulled in by random amounts shaped by two sine waves, so the rows of the
// picture jitter sideways; fresh every millisecond tick. Reads "Rendertarget Source",
// "Phase 1", "Factor 1" (jitter amplitude, divided by 32 in place), the view and texture sizes
// of DemoParameters and TickCount; the two "-" fields are defined but not read.

#include "effects/image/_SideNoise01.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

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
double Phase1 = 0.0;
double Factor1 = 0.0;
double Unused1 = 0.0;
double Unused2 = 0.0;

constexpr int StripCount = 128;

// Sets: glOrtho(0, 1, 0, 1, -1, 1), identity modelview, the view as viewport, GL_LIGHTING off,
// GL_TEXTURE_2D on with the pool texture bound (texture 0 for an index outside the pool), blend
// GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA. Leaves: GL_BLEND off, current colour (1, 1, 1, 1), the
// shared generator 258 draws past the tick-count seed. The depth test is not touched.
void Render()
{
    const tDemoParameters& p = DemoParameters;
    RandSeed = TickCount();
    Factor1 = Factor1 / 32.0;
    const double f = Factor1;

    // Edge offsets, one per strip edge; the largest possible is 0.999 x F.
    float left[StripCount + 1];
    float right[StripCount + 1];
    for (int k = 0; k <= StripCount; ++k) {
        const double r = Random(1000);
        left[k] = static_cast<float>(
            std::fabs(std::sin((k + Phase1) * std::numbers::pi / 256.0) * (r * f / 1000.0)));
        const double r2 = Random(1000);
        right[k] = static_cast<float>(
            std::fabs(std::sin((k + Phase1) * std::numbers::pi / 192.0) * (r2 * f / 1000.0)));
    }

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
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, RenderTargetName(RendertargetSource));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    const float su = ViewSMax();
    const float sv = ViewTMax();
    for (int k = 0; k < StripCount; ++k) {
        const float y0 = static_cast<float>(k) / StripCount;
        const float y1 = static_cast<float>(k + 1) / StripCount;
        glBegin(GL_QUADS);
        glTexCoord2f(left[k] / 16.0f, y0 * sv);
        glVertex3f(0.0f, y0, 0.0f);
        glTexCoord2f(su - right[k] / 16.0f, y0 * sv);
        glVertex3f(1.0f, y0, 0.0f);
        glTexCoord2f(su - right[k + 1] / 16.0f, y1 * sv);
        glVertex3f(1.0f, y1, 0.0f);
        glTexCoord2f(left[k + 1] / 16.0f, y1 * sv);
        glVertex3f(0.0f, y1, 0.0f);
        glEnd();
    }
    glDisable(GL_BLEND);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Rendertarget Source", &RendertargetSource, 0, 0, 8)
        .Add("Phase 1", &Phase1, 0, 0, 32)
        .Add("Factor 1", &Factor1, 0, 0, 32)
        .Add("-", &Unused1, 0, 0, 0)
        .Add("-", &Unused2, 0, 0, 0);
}

} // namespace

void RegisterSideNoise01()
{
    RegisterEffect("Side Noise 01", &Render, &DefineFields);
}

} // namespace quv
