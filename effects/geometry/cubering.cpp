#include "effects/geometry/cubering.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>

#include "effects/geometry/cubes.h"
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

void DrawCubeRing(const CubeRing& ring)
{
    RandSeed = 0;
    glColor4f(1, 1, 1, 1);
    const int32_t n = TruncInt(ring.cubeNumber);
    if (n <= 0)
        return;
    const int32_t drawn = std::min(n, MaxRingCubes);
    const double step = 360 / ring.cubeNumber;
    for (int32_t k = 1; k <= drawn; ++k) {
        glPushMatrix();
        const double dy = Offset();
        const double dx = Offset();
        glTranslatef(static_cast<GLfloat>(dx), static_cast<GLfloat>(dy), 0);
        glRotatef(static_cast<GLfloat>(step * k), 0, 1, 0);
        glTranslated(ring.circleRadius, 0, 0);
        if (ring.tube) {
            const double drawnLift = Random(128000) / 1000.0;
            const double lift = ring.tunnelStretch < drawnLift ? ring.tunnelStretch : drawnLift;
            glTranslatef(0, static_cast<GLfloat>(lift), 0);
        }
        const double turn = (static_cast<int32_t>(Random(7200)) - 3600) / 10.0 * ring.cubeRotation;
        glRotatef(static_cast<GLfloat>(turn), 1, 1, 1);
        DrawCube(0, 0, 0, 1);
        glPopMatrix();
    }
    SkipRandom(static_cast<uint64_t>(n - drawn) * (ring.tube ? 4u : 3u));
}

} // namespace quv
