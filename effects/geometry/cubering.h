#pragma once
// The ring of tumbling unit cubes that "Kocka Karika" and "Kocka Karika Cso" draw: cubes evenly
// spaced on a circle in the x-z plane, each shifted and tumbled by numbers from the shared
// generator (reseeded to 0, so the ring is the same in every frame), the tube variant also lifting
// each cube along y.

#include <cstdint>

#include "effects/geometry/boxes.h"

namespace quv {

struct CubeRing {
    double cubeNumber = 0.0;   // C: the count is C truncated, 360 / C the angular step
    double cubeRotation = 0.0; // Q: gain of the random tumble
    double circleRadius = 0.0;
    bool tube = false;          // draw a lift per cube (four numbers per cube instead of three)
    double tunnelStretch = 0.0; // H: the largest lift, tube only
};

// The default path's kept ring and the generator state it left.
struct CubeRingCache {
    BoxMesh mesh;
    bool built = false;
    CubeRing ring;
    int32_t drawn = 0; // the cubes built: the frame's work allowance may draw fewer than asked
    uint32_t seedAfter = 0;
};

// Sets colour (1, 1, 1, 1) and the random seed, and draws the ring; the modelview is left as it
// was found and the generator 3 (flat) or 4 (tube) draws per cube past seed 0. The default
// drawing path keeps the built ring in the effect's cache (one per effect type, so that two ring
// types in one frame keep their own geometry) while the fields that shape it (count, tumble
// gain, radius, stretch) are unchanged.
void DrawCubeRing(const CubeRing& ring, CubeRingCache& cache);

// At most this many cubes are drawn; a count beyond it (only reachable with values far outside the
// field's bounds) still leaves the generator where the full count would.
constexpr int MaxRingCubes = 65536;

} // namespace quv
