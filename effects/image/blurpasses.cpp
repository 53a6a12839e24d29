#include "effects/image/blurpasses.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "effects/image/screenspace.h"
#include "engine/debuglog.h"
#include "engine/drawpath.h"
#include "engine/fieldcaps.h"
#include "engine/framebudget.h"
#include "engine/numeric.h"
#include "engine/_DemoParameters.h"

namespace quv {

namespace {

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

void CopyView(int32_t width, int32_t height)
{
    const tDemoParameters& p = DemoParameters;
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, p.ViewportX, p.ViewportY, width, height, 0);
}

// The half-size quad (0, 0)-(W/2, H/2) with its edges at the given places, texture coordinates
// covering the copied half view.
void DrawTap(float left, float right, float bottom, float top, float sMax, float tMax)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(left, bottom, 0.0f);
    glTexCoord2f(sMax, 0.0f);
    glVertex3f(right, bottom, 0.0f);
    glTexCoord2f(sMax, tMax);
    glVertex3f(right, top, 0.0f);
    glTexCoord2f(0.0f, tMax);
    glVertex3f(left, top, 0.0f);
    glEnd();
}

// Tap (a, b) of pass i, weighted w, over the half-size area halfW x halfH.
void Tap(const BlurModule& m, int a, int b, int32_t i, float halfW, float halfH, float sMax,
         float tMax)
{
    const float w = m.BlurWeights[a + 1][b + 1];
    glColor4f(w, w, w, w);
    const float fi = static_cast<float>(i);
    if (m.taps == BlurTaps::Spread3x3) {
        const float* sb = m.BlurSpread[b + 1];
        const float* sa = m.BlurSpread[a + 1];
        const float left = b + Sign(b) * fi * sb[0];
        const float right = halfW + b + Sign(b) * fi * sb[1];
        const float bottom = a + Sign(a) * fi * sa[0];
        const float top = halfH + a + Sign(a) * fi * sa[1];
        DrawTap(left, right, bottom, top, sMax, tMax);
    } else {
        const float dx = b + Sign(b) * fi;
        const float dy = a + Sign(a) * fi;
        DrawTap(dx, halfW + dx, dy, halfH + dy, sMax, tMax);
    }
}

void DrawPassTaps(const BlurModule& m, int32_t i, float halfW, float halfH, float sMax, float tMax)
{
    switch (m.taps) {
    case BlurTaps::Spread3x3:
    case BlurTaps::Moving3x3:
        for (int a = -1; a <= 1; ++a)
            for (int b = -1; b <= 1; ++b)
                Tap(m, a, b, i, halfW, halfH, sMax, tMax);
        break;
    case BlurTaps::Horizontal:
        for (int b = -1; b <= 1; ++b)
            Tap(m, 0, b, i, halfW, halfH, sMax, tMax);
        break;
    case BlurTaps::Vertical:
        for (int a = -1; a <= 1; ++a)
            Tap(m, a, 0, i, halfW, halfH, sMax, tMax);
        break;
    }
}

void CreateTexture(uint32_t& name)
{
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}

} // namespace

void CreateBlurTextures(BlurModule& module)
{
    CreateTexture(module.ScreenTexture);
    CreateTexture(module.BlurTexture[0]);
    CreateTexture(module.BlurTexture[1]);
    DebugLog("_blur: ScreenTexture=" + std::to_string(module.ScreenTexture));
    DebugLog("_blur: BlurTexture[0]=" + std::to_string(module.BlurTexture[0]));
    DebugLog("_blur: BlurTexture[1]=" + std::to_string(module.BlurTexture[1]));
}

// Sets: view orthographic projection, identity modelview, the view as viewport, GL_LIGHTING
// off, GL_TEXTURE_2D on, clear colour (0, 0, 0, 0); clears colour and depth of the whole window
// twice or more. Leaves: BlurTexture[trunc(F) mod 2] bound, GL_BLEND on with GL_ONE, GL_ONE,
// GL_DEPTH_TEST off if a pass ran (untouched otherwise), current colour (g, g, g, g) with
// g = frac(F). F is the pass count the frame's work allowance pays for (engine/framebudget.h).
void RenderBlur(BlurModule& m, double& factor)
{
    const tDemoParameters& p = DemoParameters;
    // Below the field's lower bound the square root has no value: draw as Factor 0. Above the cap
    // the pass count alone would hold the frame for minutes: draw as the cap.
    const double field = factor > 0.0 ? std::min(factor, BlurFactorCap) : 0.0;
    double f = std::sqrt(field / 640.0 * p.ViewWidth);
    // Many blurs together share the frame's work allowance: past it, fewer passes with the same
    // final cross-fade (engine/framebudget.h). The cap's pass count grows as the square root of
    // the view's width, so a pass weighs BlurPassWork x sqrt(640 / width): a blur at its cap
    // weighs the same on every view.
    const double width = p.ViewWidth > 0 ? static_cast<double>(p.ViewWidth) : 640.0;
    const int64_t passWork = std::max<int64_t>(
        1, std::llround(static_cast<double>(BlurPassWork) * std::sqrt(640.0 / width)));
    const int64_t affordable = FrameWorkLeft() / passWork;
    if (TruncInt(f) > affordable)
        f = static_cast<double>(affordable) + Frac(f);
    SpendFrameWork(TruncInt(f) * passWork);
    factor = f;

    const float w = static_cast<float>(p.ViewWidth);
    const float h = static_cast<float>(p.ViewHeight);
    const float halfW = w / 2.0f;
    const float halfH = h / 2.0f;
    const float sMax = ViewSMax();
    const float tMax = ViewTMax();
    const int32_t halfTW = p.TextureWidth / 2;
    const int32_t halfTH = p.TextureHeight / 2;

    // What the default path leaves out, all invisible once the final clear has run:
    // - with g = 0 the n-pass result is faded in with weight 0, so the last pass (or, with no
    //   pass, the shrink) and the zero-weight quad are not drawn;
    // - the clears before the final one only need the half-size area that the half copies read
    //   (and the depth only where the shrink quad may be depth-tested), unless some earlier
    //   effect left a scissor box in force.
    const float g = static_cast<float>(Frac(f));
    const bool literal = LiteralDrawing;
    const bool hideLast = !literal && g == 0.0f;
    const bool smallClears = !literal && !glIsEnabled(GL_SCISSOR_TEST);
    GLint scissorBox[4] = {};
    if (smallClears)
        glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    auto intermediateClear = [&](GLbitfield fullMask, GLbitfield smallMask) {
        if (!smallClears) {
            glClear(fullMask);
            return;
        }
        glEnable(GL_SCISSOR_TEST);
        glScissor(p.ViewportX, p.ViewportY, halfTW, halfTH);
        glClear(smallMask);
        glDisable(GL_SCISSOR_TEST);
    };

    SetViewOrtho();
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);

    glBindTexture(GL_TEXTURE_2D, m.ScreenTexture);
    CopyView(p.TextureWidth, p.TextureHeight);

    const int32_t n = TruncInt(f);
    const bool drawShrink = !(hideLast && n == 0);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    if (drawShrink)
        intermediateClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT,
                          GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    SetViewViewport();
    glBindTexture(GL_TEXTURE_2D, m.ScreenTexture);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    if (drawShrink)
        DrawTap(0.0f, halfW, 0.0f, halfH, sMax, tMax);
    glBindTexture(GL_TEXTURE_2D, m.BlurTexture[0]);
    if (drawShrink)
        CopyView(halfTW, halfTH);

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (int32_t i = 0; i < n; ++i) {
        const bool drawPass = !(hideLast && i == n - 1);
        // The passes run with the depth test off, so their depth clears only matter to the
        // final state, which the final clear sets.
        if (drawPass)
            intermediateClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_COLOR_BUFFER_BIT);
        glLoadIdentity();
        glBlendFunc(GL_ONE, GL_ONE);
        glEnable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glBindTexture(GL_TEXTURE_2D, m.BlurTexture[i % 2]);
        if (drawPass)
            DrawPassTaps(m, i, halfW, halfH, sMax, tMax);
        glBindTexture(GL_TEXTURE_2D, m.BlurTexture[(i + 1) % 2]);
        if (drawPass)
            CopyView(halfTW, halfTH);
    }
    if (smallClears)
        glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);

    // BlurTexture[n mod 2] holds n passes, BlurTexture[(n + 1) mod 2] n - 1 passes (the plain
    // half-size view for n = 1); below F = 1 the fade runs from the full-resolution grab.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, f >= 1.0 ? m.BlurTexture[1 - n % 2] : m.ScreenTexture);
    glColor4f(1.0f - g, 1.0f - g, 1.0f - g, 1.0f - g);
    DrawFullViewQuad();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, m.BlurTexture[n % 2]);
    glColor4f(g, g, g, g);
    if (!hideLast)
        DrawFullViewQuad();
}

} // namespace quv
