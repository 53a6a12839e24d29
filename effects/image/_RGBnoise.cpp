// "RGB Noise": adds a flickering grey grain over the window: a fixed 512 x 512 random texture
// drawn additively with a repeat count that changes with the millisecond tick, so the grain
// never stands still. Each pixel gains (v/255)^2 / 4 for the sampled noise value v; it never
// darkens. Reads the "Factor" variable of "Blur" (written by "Scale X" and then "Scale Y") as
// the noise scale, the view and window sizes of DemoParameters and TickCount; the intensity,
// alpha and offset fields are defined but not read.

#include "effects/image/_RGBnoise.h"

#include <GL/gl.h>

#include <vector>

#include "effects/image/_blur.h"
#include "effects/image/screenspace.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_effectinit.h"
#include "engine/random.h"
#include "engine/ticks.h"
#include "engine/_DemoParameters.h"

namespace quv {

namespace {

double RedIntensity = 0.0;
double GreenIntensity = 0.0;
double BlueIntensity = 0.0;
double Alpha = 0.0;
double RedOffset = 0.0;
double GreenOffset = 0.0;
double BlueOffset = 0.0;

constexpr int NoiseSize = 512;
uint32_t NoiseTexture = 0;

// Grey texels with equal alpha, drawn from the shared generator in whatever state start-up left
// it; wrap stays at the default (repeat), which the repeat count relies on.
void CreateNoiseTexture()
{
    std::vector<uint8_t> texels(NoiseSize * NoiseSize * 4);
    for (int row = 0; row < NoiseSize; ++row) {
        for (int column = 0; column < NoiseSize; ++column) {
            const uint8_t v = static_cast<uint8_t>(Random(256));
            uint8_t* texel = &texels[(row * NoiseSize + column) * 4];
            texel[0] = texel[1] = texel[2] = texel[3] = v;
        }
    }
    glGenTextures(1, &NoiseTexture);
    glBindTexture(GL_TEXTURE_2D, NoiseTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, NoiseSize, NoiseSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels.data());
}

// Sets: view orthographic projection, identity modelview, the view as viewport, GL_LIGHTING,
// GL_CULL_FACE and GL_DEPTH_TEST off, GL_TEXTURE_2D on with NoiseTexture bound, GL_BLEND on with
// GL_SRC_ALPHA, GL_ONE (left on), current colour (0.5, 0.5, 0.5, 0.5). Leaves the shared
// generator four draws past the tick-count seed.
void Render()
{
    const tDemoParameters& p = DemoParameters;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, p.ViewWidth, 0.0, p.ViewHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(p.ViewportX, p.ViewportY, p.ViewportWidth, p.ViewportHeight);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, NoiseTexture);

    const double scale = *BlurFactorVariable();
    RandSeed = TickCount();
    const double first = Random(1000);
    const float s = static_cast<float>(first + p.ViewWidth / 1024.0 * scale);
    const double second = Random(1000);
    const float t = static_cast<float>(second + p.ViewHeight / 1024.0 * scale);
    Random(1000);
    Random(1000);

    glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
    // Sized by the window, not the view: it reaches past the view's right and top edges and is
    // clipped there.
    const float w = static_cast<float>(p.ScreenWidth);
    const float h = static_cast<float>(p.ScreenHeight);
    DrawTexturedQuad(w, h, s, t);
}

void DefineFields(FieldNode*& head)
{
    double* scale = BlurFactorVariable();
    FieldListBuilder(head)
        .Add("Red Intensity", &RedIntensity, 0, 1, 1)
        .Add("Green Intensity", &GreenIntensity, 0, 1, 1)
        .Add("Blue Intensity", &BlueIntensity, 0, 1, 1)
        .Add("Alpha", &Alpha, 0, 0.5, 1)
        .Add("Red Offset", &RedOffset, 0, 0, 32)
        .Add("Green Offset", &GreenOffset, 0, 0, 32)
        .Add("Blue Offset", &BlueOffset, 0, 0, 32)
        .Add("Scale X", scale, 1, 1, 16)
        .Add("Scale Y", scale, 1, 1, 16);
}

} // namespace

void RegisterRGBNoise()
{
    EffectInitAdd(&CreateNoiseTexture);
    RegisterEffect("RGB Noise", &Render, &DefineFields);
}

} // namespace quv
