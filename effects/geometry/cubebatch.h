#pragma once
// The default drawing path of the cube and tree effects: boxes are collected into client-side
// vertex arrays and drawn many at a time, instead of one immediate-mode block each. Only what
// cannot reach a pixel is left out:
// - a box whose eight corners all lie beyond the same clip plane;
// - when rendering (not in feedback or selection mode): faces that face culling would discard;
// - when rendering filled polygons sampled at pixel centres (no smoothing, no multisampling):
//   boxes of no size, boxes and faces that cover no pixel centre, and, for cubes collected with
//   hideOccluded under a depth test that makes farther fragments lose, cubes that lie wholly
//   behind cubes of the same batch that are drawn.
// The faces, their vertex order and the drawing order of what is drawn are those of DrawCube and
// DrawBox, so the pictures are the same.

#include <cstdint>

namespace quv {

// Starts a batch under the current modelview, projection, viewport, depth and culling state,
// which must not change until EndCubeBatch. With perVertexColour the boxes carry the colour last
// given to BatchColour; without, they take the current colour. With hideOccluded, cubes are held
// back until EndCubeBatch, which finds those hidden behind nearer ones before drawing the rest
// in their original order.
void BeginCubeBatch(bool perVertexColour, bool hideOccluded = false);

void BatchColour(float r, float g, float b, float a);

// The cube DrawCube(x, y, z, size) would draw, with the same single-precision vertices.
void BatchCube(float x, float y, float z, float size);

// A box given in the batch's object space by its centre, its three half-edge vectors and their
// unit directions (the face normals). Never held back.
void BatchBox(const double centre[3], const double halfEdges[3][3], const double normals[3][3]);

// A box made ready for BatchShape: its corners in the batch's object space (bit 0 of the corner
// number set for the +x half-edge, bit 1 for +y, bit 2 for +z), in single precision, and its
// face normals in DrawBox's face order. Shapes can be kept and given again in later frames.
struct BoxShape {
    float corner[8][3];
    float faceNormal[6][3];
    bool flat; // no face has an area
};
void MakeBoxShape(const double centre[3], const double halfEdges[3][3], const double normals[3][3],
                  BoxShape& shape);
void BatchShape(const BoxShape& shape);

// Draws what is left. The current normal is left as DrawCube and DrawBox leave it when any box
// was given; the current colour is the caller's to set.
void EndCubeBatch();

// What the last batch did, for benchmarks.
struct CubeBatchStats {
    int64_t boxes;   // given
    int64_t outside; // beyond a clip plane, of no size or covering no pixel centre
    int64_t hidden;  // behind nearer cubes
    int64_t quads;   // drawn
};
extern CubeBatchStats LastCubeBatch;

// Benchmarks only: build and cull as usual but submit nothing to GL, to time our own share.
extern bool CubeBatchSubmitsNothing;

} // namespace quv
