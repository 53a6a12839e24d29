#pragma once
// The recursive tree of boxes drawn by "Fa" and "Fa6". Each module binds the tree to its own
// parameter variables: depth N, base P of the level factor, bend gain B and fork twist T.

#include <cstdint>

namespace quv {

struct TreeVariables {
    const double* depth; // N, truncated toward zero
    const double* phase; // P
    const double* bend;  // B, degrees about z per unit of the level factor
    const double* twist; // T, degrees about y of every fork
};

// Depths beyond this are drawn as this depth: a depth-12 tree already has 797,161 boxes, and the
// field allows 10,000.
constexpr int32_t MaxTreeDepth = 12;

// Boxes in a tree of depth n (after the cap): (3^(n+1) - 1) / 2, 1 for n <= 0.
int64_t TreeBoxCount(int32_t depth);

// Draws one tree growing along +y from the origin of the current modelview: the segment of depth
// N and, above level 0, its three sub-trees, children before the segment that carries them.
// Leaves the modelview as it found it and the current colour at the root segment's colour.
void DrawTree(const TreeVariables& variables);

} // namespace quv
