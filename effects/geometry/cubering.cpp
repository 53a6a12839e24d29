#include "effects/geometry/cubering.h"

#include <GL/gl.h>

#include <algorithm>
#include <optional>
#include <cstdint>

#include "effects/geometry/boxes.h"
#include "effects/geometry/cubes.h"
#include "engine/drawpath.h"
#include "engine/framebudget.h"
#include "engine/numeric.h"
#include "engine/random.h"

namespace quv {

namespace {

// Advances the shared generator by `steps` draws in O(log steps): the draws of cubes beyond the
// drawn maximum are skipped, not made one by one.
void SkipRandom(uint64_t steps)
{
    uint32_t mul = 134775813u; // the step x -> mul * x + add, squared on each bit
    uint32_t add = 1u;
    uint32_t accMul = 1u; // the composed steps so far
    uint32_t accAdd = 0u;
    while (steps != 0) {
        if (steps & 1) {
            accMul *= mul;
            accAdd = accAdd * mul + add;
        }
        add = add * mul + add;
        mul *= mul;
        steps >>= 1;
    }
    RandSeed = RandSeed * accMul + accAdd;
}

double Offset()
{
    return (static_cast<int32_t>(Random(2000)) - 1000) / 1000.0;
}

} // namespace

namespace {

bool Same(double a, double b)
{
    return a == b || (a != a && b != b);
}

bool SameRing(const CubeRing& a, const CubeRing& b)
{
    return Same(a.cubeNumber, b.cubeNumber) && Same(a.cubeRotation, b.cubeRotation) &&
           Same(a.circleRadius, b.circleRadius) && a.tube == b.tube &&
           (!a.tube || Same(a.tunnelStretch, b.tunnelStretch));
}

// One cube's frame: shifted, turned onto the circle, pushed out by the radius, lifted, tumbled.
// Draws its numbers from the shared generator in the fixed order.
template <typename Sink> void ForEachCube(const CubeRing& ring, int32_t drawn, Sink&& sink)
{
    const double step = 360 / ring.cubeNumber;
    for (int32_t k = 1; k <= drawn; ++k) {
        const double dy = Offset();
        const double dx = Offset();
        double lift = 0.0;
        if (ring.tube) {
            const double drawnLift = Random(128000) / 1000.0;
            lift = ring.tunnelStretch < drawnLift ? ring.tunnelStretch : drawnLift;
        }
        const double turn = (static_cast<int32_t>(Random(7200)) - 3600) / 10.0 * ring.cubeRotation;
        sink(static_cast<GLfloat>(dx), static_cast<GLfloat>(dy), static_cast<GLfloat>(step * k),
             static_cast<GLfloat>(lift), static_cast<GLfloat>(turn));
    }
}

} // namespace

void DrawCubeRing(const CubeRing& ring, CubeRingCache& cache)
{
    RandSeed = 0;
    glColor4f(1, 1, 1, 1);
    const int32_t n = TruncInt(ring.cubeNumber);
    if (n <= 0)
        return;
    // The frame's work allowance (engine/framebudget.h) may pay for fewer cubes; the generator
    // still ends where the whole count leaves it.
    const std::optional<int32_t> affordable = AffordableCount(std::min(n, MaxRingCubes), &RingWork);
    const int32_t drawn = affordable ? *affordable : 0;
    SpendFrameWork(RingWork(drawn));
    const uint64_t skipped = static_cast<uint64_t>(n - drawn) * (ring.tube ? 4u : 3u);

    if (LiteralDrawing || !DefaultPathExact()) {
        ForEachCube(ring, drawn,
                    [&](GLfloat dx, GLfloat dy, GLfloat angle, GLfloat lift, GLfloat turn) {
                        glPushMatrix();
                        glTranslatef(dx, dy, 0);
                        glRotatef(angle, 0, 1, 0);
                        glTranslated(ring.circleRadius, 0, 0);
                        if (ring.tube)
                            glTranslatef(0, lift, 0);
                        glRotatef(turn, 1, 1, 1);
                        DrawCube(0, 0, 0, 1);
                        glPopMatrix();
                    });
        SkipRandom(skipped);
        return;
    }

    if (drawn == 0) { // the allowance is spent: no mesh to build, the kept one stays
        SkipRandom(skipped);
        return;
    }
    if (cache.built && cache.drawn == drawn && SameRing(cache.ring, ring)) {
        cache.mesh.Draw();
        RandSeed = cache.seedAfter; // where drawing the numbers again would leave it
        return;
    }
    if (!cache.built)
        cache.mesh.Reserve(4096, false); // what demos animate within; End grows it past that
    cache.mesh.Begin(true, false);
    ForEachCube(ring, drawn,
                [&](GLfloat dx, GLfloat dy, GLfloat angle, GLfloat lift, GLfloat turn) {
                    Matrix4 m = TranslationMatrix(dx, dy, 0) * RotationMatrix(angle, 0, 1, 0) *
                                TranslationMatrix(ring.circleRadius, 0, 0);
                    if (ring.tube)
                        m = m * TranslationMatrix(0, lift, 0);
                    cache.mesh.AddBox(m * RotationMatrix(turn, 1, 1, 1), 0, 0, 0, 0.5f, 0.5f, 0.5f);
                });
    cache.mesh.End();
    SkipRandom(skipped);
    cache.built = true;
    cache.ring = ring;
    cache.drawn = drawn;
    cache.seedAfter = RandSeed;
}

} // namespace quv
