#pragma once
// The default drawing path of the cube effects. Instead of one immediate-mode block and a matrix
// push, turn and pop per cube, an effect composes each cube's matrix on the CPU and lets a
// CubeMesh transform the cube's corners and normals into the effect's own frame. The mesh keeps
// what it built, so a frame whose shaping fields are unchanged only draws it again: cubes whose
// eight corners all lie outside the same clip plane are left out (they cannot produce a
// fragment) and the rest go to GL in one client-side vertex array draw. The pictures are those of
// the literal path up to float rounding of the vertex positions.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quv {

// A 4 x 4 matrix in GL's column-major layout, composed in double precision.
struct Matrix4 {
    double m[16];
};

Matrix4 IdentityMatrix();
Matrix4 operator*(const Matrix4& a, const Matrix4& b);
Matrix4 TranslationMatrix(double x, double y, double z);
// The matrix glRotate multiplies on: a turn of `degrees` about the axis (x, y, z).
Matrix4 RotationMatrix(double degrees, double x, double y, double z);
Matrix4 ScalingMatrix(double x, double y, double z);

class CubeMesh {
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
    void AddBox(const Matrix4& m, float x, float y, float z, float hx, float hy, float hz);
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
    std::vector<Vertex> vertices_; // 24 per box: the faces in DrawCube's order
    std::vector<float> colours_;   // 4 per vertex when boxes carry colours
    std::vector<uint32_t> indices_;
    std::vector<uint8_t> visible_;
    size_t boxes_ = 0;
    bool keep_ = true;
    bool colours_on_ = false;
    float colour_[4] = {1, 1, 1, 1};
    double bounds_[6] = {}; // min x, y, z, max x, y, z of the kept positions
    double clip_[16] = {};  // projection * modelview
    uint64_t started_ = 0;  // when the build began
    uint64_t inGl_ = 0;     // time in GL calls since then
};

// Nanoseconds spent in our own code of the meshes (building between Begin and End, culling),
// not counting the GL calls; the benchmarks reset and read it to separate our CPU time from the
// driver's.
extern uint64_t CubeMeshNanoseconds;

} // namespace quv
