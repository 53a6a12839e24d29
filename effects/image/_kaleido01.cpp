// "Kaleido 01": covers the view with a honeycomb of hexagons, each textured from one triangle
// of a pool texture and mirrored from slice to slice, alpha-blended over the frame. Reads
// "Rendertarget Source", the three texture points, "Detail " (hexagon radius 1 / Detail),
// "Scale X", "Scale Y" and the view size of DemoParameters.

#include "effects/image/_kaleido01.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "effects/image/_rendertargets.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/fieldcaps.h"
#include "engine/framebudget.h"
#include "engine/numeric.h"
#include "engine/_DemoParameters.h"

namespace quv {

namespace {

double RendertargetSource = 0.0;
double TexturePointX1 = 0.0;
double TexturePointY1 = 0.0;
double TexturePointX2 = 0.0;
double TexturePointY2 = 0.0;
double TexturePointX3 = 0.0;
double TexturePointY3 = 0.0;
double Detail = 0.0;
double ScaleX = 0.0;
double ScaleY = 0.0;

// The Detail the frame's work allowance pays for: d itself while the allowance lasts, else the
// largest coarser honeycomb that fits what is left (0, nothing, once it is spent).
double AffordableDetail(double d)
{
    const int64_t left = FrameWorkLeft();
    if (!(d > 0.0) || KaleidoHexagons(d) <= left)
        return d; // 0, below it and NaN draw nothing anyway
    if (left <= 0)
        return 0.0;
    // The count grows as 9 d^2; start near the fitting Detail and step down a row at a time.
    double fitting = std::min(d, std::sqrt(static_cast<double>(left) / 9.0) + 1.0);
    while (fitting > 0.0 && KaleidoHexagons(fitting) > left)
        fitting -= 1.0 / 3.0;
    return fitting;
}

// One hexagon of circumradius 1, corners pointing left and right: the six slices alternate
// between the texture triangle (P1, P3, P2) and its mirror.
void DrawHexagon()
{
    constexpr double step = std::numbers::pi / 3.0;
    glBegin(GL_TRIANGLE_FAN);
    glTexCoord2f(static_cast<float>(TexturePointX1), static_cast<float>(TexturePointY1));
    glVertex3f(0.0f, 0.0f, 0.0f);
    for (int k = 0; k <= 6; ++k) {
        if (k % 2 == 0)
            glTexCoord2f(static_cast<float>(TexturePointX3), static_cast<float>(TexturePointY3));
        else
            glTexCoord2f(static_cast<float>(TexturePointX2), static_cast<float>(TexturePointY2));
        glVertex3f(static_cast<float>(std::cos(k * step)), static_cast<float>(std::sin(k * step)),
                   0.0f);
    }
    glEnd();
}

// Sets: a centred orthographic space 2 units high and as wide as the view's aspect, identity
// modelview, the view as viewport, GL_LIGHTING off, GL_TEXTURE_2D on with the pool texture bound
// (texture 0 for an index outside the pool), blend GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA.
// Leaves: GL_BLEND off, current colour (1, 1, 1, 1). A "Detail " of 0 or below (or NaN) draws
// nothing but leaves the same state; one above KaleidoDetailCap draws as the cap, and one the
// frame's work allowance cannot pay for as the largest Detail it can (engine/framebudget.h).
void Render()
{
    const tDemoParameters& p = DemoParameters;
    // A 0 x 0 view (minimised window) shows nothing; keep the projection finite there.
    const double r =
        p.ViewWidth > 0 && p.ViewHeight > 0 ? static_cast<double>(p.ViewHeight) / p.ViewWidth : 1.0;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0 / r, 1.0 / r, -1.0, 1.0, -1.0, 1.0);
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

    // Beyond its cap the hexagon count alone would hold the frame for minutes; many instances
    // together share the frame's allowance.
    const double d = AffordableDetail(Detail > KaleidoDetailCap ? KaleidoDetailCap : Detail);
    if (d > 0.0) { // the radius 1 / Detail is undefined at 0 and the rows empty below it
        SpendFrameWork(KaleidoHexagons(d));
        const int64_t rows = TruncInt(d * 1.5 * 2.0);
        const int64_t columns = TruncInt(d * 1.5);
        const double rowStep = std::sin(std::numbers::pi / 3.0);
        const float sx = static_cast<float>(ScaleX / d);
        const float sy = static_cast<float>(ScaleY / d);
        for (int64_t i = -rows; i <= rows; ++i) {
            const double shift = (i & 1) ? 1.5 : 0.0;
            for (int64_t j = -columns; j <= columns; ++j) {
                glPushMatrix();
                glScalef(sx, sy, 0.0f);
                glTranslatef(static_cast<float>(3.0 * j + shift), static_cast<float>(i * rowStep),
                             0.0f);
                DrawHexagon();
                glPopMatrix();
            }
        }
    }
    glDisable(GL_BLEND);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Rendertarget Source", &RendertargetSource, 0, 0, 8)
        .Add("TexturePoint X1", &TexturePointX1, 0, 0, 1)
        .Add("TexturePoint Y1", &TexturePointY1, 0, 0, 1)
        .Add("TexturePoint X2", &TexturePointX2, 0, 0.5, 1)
        .Add("TexturePoint Y2", &TexturePointY2, 0, 0, 1)
        .Add("TexturePoint X3", &TexturePointX3, 0, 0.5, 1)
        .Add("TexturePoint Y3", &TexturePointY3, 0, 0.5, 1)
        .Add("Detail ", &Detail, 0, 1, 32)
        .Add("Scale X", &ScaleX, 0, 1, 1)
        .Add("Scale Y", &ScaleY, 0, 1, 1);
}

} // namespace

void RegisterKaleido01()
{
    RegisterEffect("Kaleido 01", &Render, &DefineFields);
}

} // namespace quv
