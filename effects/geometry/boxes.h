#pragma once
// Boxes: the face table every cube and box is drawn with, the matrix type the cube effects compose
// frames with, and the default drawing path of the box effects. The literal path (cubes.h) issues
// the GL calls the effects define, one immediate-mode block per box; the default path draws the
// same faces in the same vertex order from client-side vertex arrays, with one of two strategies:
//
// - Kept (BoxMesh): the effect composes each box's matrix on the CPU and the mesh transforms the
//   box's corners and normals into the effect's own frame. The mesh keeps what it built, so a
//   frame whose shaping fields are unchanged only draws it again; boxes whose eight corners lie
//   beyond the same clip plane are left out. Counts too large to keep are streamed in chunks.
//   Pictures: the literal path's up to float rounding of the vertex positions. AddBox is told
//   which boxes the literal path draws in one immediate-mode block. Used by
//   "Csavarodos kockacucc", "MengerF\xE9tis 01" and the cube rings.
// - Streamed (BeginBoxBatch ... EndBoxBatch): boxes given under the current GL matrices are
//   collected each frame and drawn many at a time. Only what cannot reach a pixel is left out:
//   a box whose eight corners lie beyond the same clip plane; when rendering (not in feedback or
//   selection mode), faces that face culling would discard; when rendering filled polygons
//   sampled at pixel centres (no smoothing, no multisampling), boxes of no size, boxes and faces
//   that cover no pixel centre and, for cubes batched with hideOccluded under a depth test that
//   makes farther fragments lose, cubes wholly behind cubes of the same batch that are drawn.
//   Pictures: the literal path's. Used by the blob effects and the trees.
//
// Both send filled quads as triangles, each quad split along the diagonal the driver takes for
// it on the literal path; that depends on the block it is drawn in (see boxes.cpp, Quad splits).
// Where the default path cannot give the same pictures (DefaultPathExact, and the trees' own
// near-plane test in tree.cpp), the effects take the literal path.
//
// Sections: Face table, Matrix4, Instrumentation, Kept boxes, Streamed boxes.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quv {

// ---- Face table ----

// A box's six faces in the order DrawCube and DrawBox emit them. Corners are numbered by the
// signs of their half-edges: bit 0 set for +x, bit 1 for +y, bit 2 for +z. Each face lists its
// corners counter-clockwise seen from outside, from the one DrawCube starts with.
struct BoxFace {
    float normal[3];
    int axis;      // of the normal: 0 x, 1 y, 2 z
    bool negative; // the normal points down its axis
    int corner[4];
};

inline constexpr BoxFace BoxFaces[6] = {
    {{0, 0, 1}, 2, false, {4, 5, 7, 6}}, {{0, 0, -1}, 2, true, {0, 2, 3, 1}},
    {{0, 1, 0}, 1, false, {2, 6, 7, 3}}, {{0, -1, 0}, 1, true, {0, 1, 5, 4}},
    {{1, 0, 0}, 0, false, {1, 3, 7, 5}}, {{-1, 0, 0}, 0, true, {0, 4, 6, 2}},
};

// ---- Matrix4 ----

// A 4 x 4 matrix in GL's column-major layout, composed in double precision.
struct Matrix4 {
    double m[16];
};

Matrix4 IdentityMatrix();
// a times b, as glMultMatrix composes them. Each entry is summed from zero, term by term: the
// trees load these products on the literal path, whose pictures were made with this order.
Matrix4 operator*(const Matrix4& a, const Matrix4& b);
Matrix4 TranslationMatrix(double x, double y, double z);

// How RotationMatrix turns degrees into radians. The two orders round differently; each caller
// keeps the one its pictures were made with.
enum class DegreesToRadians {
    Sequential, // degrees * pi / 180 (the kept meshes)
    Folded,     // degrees * (pi / 180) (the trees)
};
// The matrix glRotate multiplies on: a turn of `degrees` about the axis (x, y, z), which is
// normalised first; a zero axis gives the identity, as GL leaves the matrix unchanged.
Matrix4 RotationMatrix(double degrees, double x, double y, double z,
                       DegreesToRadians conversion = DegreesToRadians::Sequential);
Matrix4 ScalingMatrix(double x, double y, double z);

// ---- Instrumentation ----

// A seam for tests and benchmarks: the player sets no record, and the strategies then neither
// read a clock nor report anything.
struct BoxInstrumentation {
    // What the last streamed batch did, written by EndBoxBatch.
    int64_t boxes = 0;   // given
    int64_t outside = 0; // beyond a clip plane, of no size or covering no pixel centre
    int64_t hidden = 0;  // behind nearer cubes
    int64_t quads = 0;   // drawn
    // Nanoseconds spent in the kept meshes' own code (building between Begin and End, culling),
    // not in GL calls; added to until the owner resets it, to tell our CPU time from the driver's.
    uint64_t meshNanoseconds = 0;
    // Set by the owner: both strategies build and cull as usual but submit no vertex arrays to
    // GL, so that a frame's time is our own share.
    bool submitNothing = false;
};

// Points the module at a record, or at none with nullptr. Set it between frames.
void SetBoxInstrumentation(BoxInstrumentation* record);

// ---- Kept boxes ----

class BoxMesh {
public:
    // Starts a new build. A mesh that keeps its boxes draws them at End and again on every Draw;
    // one that streams (for counts too large to keep) draws each chunk as it fills and keeps
    // nothing. Colours: whether each box carries its own colour (SetColour) or takes the current
    // one.
    void Begin(bool keep, bool colours);
    // Makes room for this many kept boxes up front, so that fields animated within their bounds
    // never make a later frame allocate.
    void Reserve(size_t boxes, bool colours);
    void SetColour(float r, float g, float b, float a);
    // The six faces of DrawCube / DrawBox around (x, y, z) with half extents (hx, hy, hz), in the
    // frame m of the effect's origin, with normals transformed as GL transforms them.
    // joinsBlock: the literal path draws this box in the same immediate-mode block as the one
    // before (nothing but glBegin ... glEnd between them), which decides how its quads split.
    void AddBox(const Matrix4& m, float x, float y, float z, float hx, float hy, float hz,
                bool joinsBlock = false);
    void End();
    // Draws the kept boxes with the current projection and modelview.
    void Draw();

    bool Kept() const { return keep_; }
    size_t Boxes() const { return boxes_; }

    // Boxes held by a streaming mesh before it draws them.
    static constexpr size_t StreamChunk = 8192;

private:
    void PrepareClipping();
    void DrawBoxes(size_t first, size_t count);

    struct Vertex {
        float normal[3];
        float position[3];
    };
    std::vector<Vertex> vertices_; // 24 per box: the faces in BoxFaces order
    std::vector<float> colours_;   // 4 per vertex when boxes carry colours
    std::vector<uint32_t> indices_;
    std::vector<uint8_t> joins_; // per box: 1 when it joins the block of the box before
    size_t boxes_ = 0;
    bool keep_ = true;
    bool colours_on_ = false;
    bool triangles_ = true; // filled polygons rendered: quads go as split triangles
    float colour_[4] = {1, 1, 1, 1};
    double bounds_[6] = {}; // min x, y, z, max x, y, z of the kept positions
    double clip_[16] = {};  // projection * modelview
    uint64_t started_ = 0;  // when the build or draw began, for the instrumentation only
    uint64_t inGl_ = 0;     // time in GL calls since then
};

// Whether the default path can draw the literal path's pictures under the current GL state: the
// modelview must have an inverse (GL turns normals by the identity where it has none), no user
// clip plane may be on and polygons must be filled. The box effects take the literal path where
// it cannot.
bool DefaultPathExact();

// ---- Streamed boxes ----

// Starts a batch under the current modelview, projection, viewport, depth and culling state,
// which must not change until EndBoxBatch. With perVertexColour the boxes carry the colour last
// given to BatchColour; without, they take the current colour. With hideOccluded, cubes are held
// back until EndBoxBatch, which finds those hidden behind nearer ones before drawing the rest
// in their original order. Filled quads are drawn as triangles split as the literal path's
// immediate-mode blocks split them: each box a block of its own (a colour or matrix call comes
// between them), or, with oneBlock and hideOccluded, all cubes one run of back-to-back DrawCube
// calls.
void BeginBoxBatch(bool perVertexColour, bool hideOccluded = false, bool oneBlock = false);

void BatchColour(float r, float g, float b, float a);

// The cube DrawCube(x, y, z, size) would draw, with the same single-precision vertices.
void BatchCube(float x, float y, float z, float size);

// A box given in the batch's object space by its centre, its three half-edge vectors and their
// unit directions (the face normals). Never held back.
void BatchBox(const double centre[3], const double halfEdges[3][3], const double normals[3][3]);

// A box made ready for BatchShape: its corners in the batch's object space (numbered as in
// BoxFaces), in single precision, and its face normals in BoxFaces order. Shapes can be kept and
// given again in later frames.
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
void EndBoxBatch();

} // namespace quv
