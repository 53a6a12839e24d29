#pragma once
// The literal path's cube and box routines that every cube effect draws with, from the face
// table in boxes.h. Both only emit geometry (normals and vertices): colour, lighting and
// texturing are the caller's.

namespace quv {

// An axis-aligned cube from its centre and edge length: six quads, no matrix change.
void DrawCube(float x, float y, float z, float size);

// A box from its centre, three edge lengths and three turns in degrees (about x, then y, then z
// of the turned frame), inside its own matrix push and pop.
void DrawBox(float x, float y, float z, float sizeX, float sizeY, float sizeZ, float angleX,
             float angleY, float angleZ);

} // namespace quv
