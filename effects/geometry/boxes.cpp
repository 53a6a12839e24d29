// Boxes: the face table, Matrix4, and the two strategies of the default drawing path (see
// boxes.h). Both strategies submit client-side vertex arrays through Submit, filled quads as
// triangles split as the literal path's blocks split them, and leave boxes out by the one clip
// test, each with the margin its pictures were made with.
//
// Sections (file-local first, then the interface):
//   ---- Clip test ----                    ClipOutcode with its two margins, BeyondOnePlane
//   ---- Submission and instrumentation ----  Submit, the clock read for the seam
//   ---- Quad splits ----                  which diagonal the driver splits a quad along
//   ---- Streamed boxes: state ----        the batch record and its limits
//   ---- Streamed boxes: culling ----      clip, facing and pixel-centre tests, Emit
//   ---- Streamed boxes: occlusion ----    hidden cubes, the held-back pass
//   ---- Matrix4 ----
//   ---- Instrumentation ----
//   ---- Kept boxes ----                   BoxMesh
//   ---- Streamed boxes ----               BeginBoxBatch ... EndBoxBatch

#include "effects/geometry/boxes.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

namespace quv {

namespace {

// ---- Clip test ----

// The margin by which a point must lie beyond a clip plane to count as beyond it: well above
// what GL's own single-precision transform could move it. The streamed batch scales it by the
// whole point, the kept meshes by w alone; each keeps its own so that its pictures stay put.
enum class ClipMargin {
    Scaled, // 1e-5 (|x| + |y| + |z| + |w|)
    OfW,    // 1e-5 |w| + 1e-9
};

double ClipTolerance(const double* c)
{
    return 1e-5 * (std::fabs(c[3]) + std::fabs(c[0]) + std::fabs(c[1]) + std::fabs(c[2])) + 1e-30;
}

// Bit per clip plane that the clip-space point lies beyond by more than the margin: bit 0
// x < -w, bit 1 x > w, then the same for y and z.
unsigned ClipOutcode(const double* c, ClipMargin margin)
{
    double lo;
    double hi;
    if (margin == ClipMargin::Scaled) {
        const double tol = ClipTolerance(c);
        lo = -c[3] - tol;
        hi = c[3] + tol;
    } else {
        lo = -c[3] - 1e-5 * std::abs(c[3]) - 1e-9;
        hi = c[3] + 1e-5 * std::abs(c[3]) + 1e-9;
    }
    return (c[0] < lo ? 1u : 0u) | (c[0] > hi ? 2u : 0u) | (c[1] < lo ? 4u : 0u) |
           (c[1] > hi ? 8u : 0u) | (c[2] < lo ? 16u : 0u) | (c[2] > hi ? 32u : 0u);
}

// Clip coordinates of the object-space point (x, y, z, 1) under the column-major matrix m.
void ToClip(const double* m, double x, double y, double z, double* c)
{
    for (int r = 0; r < 4; ++r)
        c[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
}

// Whether the eight corners, given one at a time into a clip-space point by corner(i, c), all lie
// beyond the same clip plane: then no fragment is possible.
template <typename Corner> bool BeyondOnePlane(Corner corner, ClipMargin margin)
{
    unsigned common = 63;
    for (int i = 0; i < 8; ++i) {
        double c[4];
        corner(i, c);
        common &= ClipOutcode(c, margin);
        if (common == 0)
            return false;
    }
    return true;
}

// ---- Submission and instrumentation ----

constexpr int32_t VerticesPerBox = 24; // six quads, in BoxFaces order
constexpr size_t IndicesPerBox = 36;   // two triangles a quad
constexpr size_t MaxBlock = 64;        // boxes of one literal block a streaming mesh may add

BoxInstrumentation* Instrument = nullptr;

uint64_t Now()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// A clock reading for the instrumentation, 0 when none is set (the clock is then not read).
uint64_t Stamp()
{
    return Instrument != nullptr ? Now() : 0;
}

void AddMeshTime(uint64_t started, uint64_t inGl)
{
    if (Instrument != nullptr && started != 0)
        Instrument->meshNanoseconds += Now() - started - inGl;
}

struct QuadArrays {
    const float* position;
    GLsizei positionStride;
    const float* normal;
    GLsizei normalStride;
    const float* colour; // 4 per vertex, tightly packed; null for the current colour
};

// Draws `count` vertices as `mode`: from `first` on, or those listed in indices when given. The
// client arrays are left disabled, as they were found.
void Submit(const QuadArrays& a, GLenum mode, GLint first, GLsizei count, const uint32_t* indices)
{
    if (Instrument != nullptr && Instrument->submitNothing)
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, a.positionStride, a.position);
    glNormalPointer(GL_FLOAT, a.normalStride, a.normal);
    if (a.colour != nullptr) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, 0, a.colour);
    }
    if (indices != nullptr)
        glDrawElements(mode, count, GL_UNSIGNED_INT, indices);
    else
        glDrawArrays(mode, first, count);
    if (a.colour != nullptr)
        glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// ---- Quad splits ----

// llvmpipe draws a GL_QUADS quad as two triangles, and which diagonal it splits along shows
// wherever the lighting bends across the face (a light close to it): along v0-v2 when no vertex
// of the draw lies outside the view volume, along v1-v3 when one does, because such a draw goes
// through the clipper, which splits every quad in it that way. The literal path's draws are the
// effects' immediate-mode blocks, which the driver merges while nothing but the normal changes
// between them (a colour or a matrix call ends a block). The default path therefore sends
// triangles, each quad split as its literal block splits it, so that how its own draws group the
// quads no longer matters; a block too close to the view volume's edge to tell is drawn as
// quads on its own, as the literal path draws it.
enum class Split : uint8_t {
    Inside,  // v0-v2: every corner clearly inside the view volume
    Clipped, // v1-v3: some corner clearly outside
    Unsure,
};

Split PointSplit(const double* c)
{
    const double tol = ClipTolerance(c);
    const double w = c[3];
    if (w < -tol)
        return Split::Clipped;
    bool inside = true;
    for (int i = 0; i < 3; ++i) {
        if (c[i] < -w - tol || c[i] > w + tol)
            return Split::Clipped;
        inside = inside && c[i] >= -w + tol && c[i] <= w - tol;
    }
    return inside ? Split::Inside : Split::Unsure;
}

Split Combine(Split a, Split b)
{
    if (a == Split::Clipped || b == Split::Clipped)
        return Split::Clipped;
    return a == Split::Unsure || b == Split::Unsure ? Split::Unsure : Split::Inside;
}

// The two triangles of quad q (vertices 4q to 4q + 3) in the order the driver emits them.
uint32_t* AppendQuad(uint32_t* out, uint32_t q, Split split)
{
    static constexpr uint32_t Inside[6] = {0, 1, 2, 0, 2, 3};
    static constexpr uint32_t Clipped[6] = {0, 1, 3, 1, 2, 3};
    const uint32_t* order = split == Split::Inside ? Inside : Clipped;
    for (int i = 0; i < 6; ++i)
        *out++ = 4 * q + order[i];
    return out;
}

// The literal path leaves the last face's normal current; vertex arrays leave it undefined.
void LeaveLastNormal()
{
    const float* n = BoxFaces[5].normal;
    glNormal3f(n[0], n[1], n[2]);
}

// ---- Streamed boxes: state ----

// Boxes per draw call: small enough for the driver to copy the arrays into the upload buffer it
// keeps, instead of mapping fresh memory for every call.
constexpr int32_t Capacity = 512;
constexpr int32_t PendingCapacity = 1 << 18; // cubes held back for the occlusion pass
constexpr int32_t Block = 8;                 // pixels per side of an occlusion cell
constexpr int32_t Buckets = 4096;            // front-to-back order by nearest eye distance

// Margins well above the rounding of GL's single-precision transform, its sub-pixel snapping
// and a 16-bit depth buffer, so that nothing left out could have changed a pixel.
constexpr double PixelMargin = 0.01;
constexpr double DepthMargin = 2e-4;

struct Corners {
    double c[8][4]; // clip coordinates
    float object[8][3];
};

// A corner set in window coordinates, when every corner lies in front of the eye.
struct Window {
    double x[8], y[8];
    float x0, y0, x1, y1; // bounds
    float zmin, zmax, wmin;
    bool occluder; // no corner beyond the near or far plane
};

struct Pending {
    float x, y, z, size;
    float colour[4];
};

enum : uint8_t { Culled = 0, Drawn = 1, Sortable = 2, Occluder = 4 };

// What the batch did so far, handed to the instrumentation at its end.
struct Counts {
    int64_t boxes = 0;
    int64_t outside = 0;
    int64_t hidden = 0;
    int64_t quads = 0;
};

struct Batch {
    std::vector<float> positions;
    std::vector<float> normals;
    std::vector<float> colours;
    std::vector<uint32_t> indices; // two triangles per quad, split as its literal block splits it
    int32_t vertices = 0;
    int32_t indexCount = 0;
    bool perVertexColour = false;
    bool anyBox = false;
    float colour[4] = {1, 1, 1, 1};
    double clip[16] = {};     // projection times modelview, column-major
    double rowNorm[4] = {};   // lengths of the x, y, z parts of its rows
    double planeNorm[6] = {}; // and of the six clip planes w + x, w - x, w + y, ...
    // Which facing is dropped here: +1 counter-clockwise, -1 clockwise, 0 none, 2 all.
    int dropFacing = 0;
    bool rendering = true;
    // Filled polygons sampled at pixel centres: what covers no centre makes no fragment.
    bool pointSampled = true;
    // Filled polygons rendered: quads go as triangles split as the literal blocks split them.
    // Otherwise (outlines, feedback, selection) they go as quads, which no split can change.
    bool triangles = true;
    bool oneBlock = false;            // the literal path draws all cubes in one run
    Split blockSplit = Split::Inside; // of that run, once the held-back cubes are known
    double viewX = 0, viewY = 0, viewW = 0, viewH = 0, depthNear = 0, depthFar = 1;

    bool holdBack = false;  // cubes wait for EndBoxBatch
    bool occlusion = false; // and the GL state lets hidden cubes be found
    std::vector<Pending> pending;
    std::vector<uint8_t> state;
    std::vector<Window> windows;
    std::vector<int32_t> order;
    std::vector<int32_t> bucketStart;
    std::vector<float> depth; // per occlusion cell: a depth that drawn cubes are known to beat
    int32_t pendingCount = 0;
    int32_t blocksX = 0, blocksY = 0;

    Counts counts;
};

Batch State;

// ---- Streamed boxes: culling ----

void Flush()
{
    Batch& b = State;
    if (b.vertices == 0)
        return;
    const QuadArrays arrays{b.positions.data(), 0, b.normals.data(), 0,
                            b.perVertexColour ? b.colours.data() : nullptr};
    if (b.triangles)
        Submit(arrays, GL_TRIANGLES, 0, b.indexCount, b.indices.data());
    else
        Submit(arrays, GL_QUADS, 0, b.vertices, nullptr);
    b.vertices = 0;
    b.indexCount = 0;
}

// The corners of DrawCube's cube, computed in single precision as DrawCube computes them.
void CubeCorners(float x, float y, float z, float size, Corners& k)
{
    const float h = size * 0.5f;
    const float lo[3] = {x - h, y - h, z - h};
    const float hi[3] = {x + h, y + h, z + h};
    const double* m = State.clip;
    double axis[3][2][4];
    for (int a = 0; a < 3; ++a)
        for (int r = 0; r < 4; ++r) {
            axis[a][0][r] = m[a * 4 + r] * lo[a];
            axis[a][1][r] = m[a * 4 + r] * hi[a];
        }
    for (int corner = 0; corner < 8; ++corner) {
        const int sx = corner & 1;
        const int sy = (corner >> 1) & 1;
        const int sz = (corner >> 2) & 1;
        for (int r = 0; r < 4; ++r)
            k.c[corner][r] = axis[0][sx][r] + axis[1][sy][r] + axis[2][sz][r] + m[12 + r];
        k.object[corner][0] = sx ? hi[0] : lo[0];
        k.object[corner][1] = sy ? hi[1] : lo[1];
        k.object[corner][2] = sz ? hi[2] : lo[2];
    }
}

bool OutsideOnePlane(const Corners& k)
{
    return BeyondOnePlane([&k](int i, double* c) { std::copy(k.c[i], k.c[i] + 4, c); },
                          ClipMargin::Scaled);
}

enum class Sphere { Outside, Inside, Straddles };

// A quick verdict from the cube's bounding sphere: wholly beyond one clip plane (the corner test
// would leave it out too), wholly inside all six (the corner test would keep it), or neither.
Sphere SphereTest(float x, float y, float z, float size)
{
    const Batch& b = State;
    const double* m = b.clip;
    double c[4];
    ToClip(m, x, y, z, c);
    const double radius = std::fabs(size) * 0.5 * 1.7320508075688772 * (1 + 1e-6);
    const double tol =
        1e-5 * (std::fabs(c[0]) + std::fabs(c[1]) + std::fabs(c[2]) + std::fabs(c[3]) +
                radius * (b.rowNorm[0] + b.rowNorm[1] + b.rowNorm[2] + b.rowNorm[3])) +
        1e-30;
    bool inside = true;
    for (int plane = 0; plane < 6; ++plane) {
        const double v = c[3] + (plane % 2 == 0 ? c[plane / 2] : -c[plane / 2]);
        const double reach = b.planeNorm[plane] * radius;
        if (v + reach < -tol)
            return Sphere::Outside;
        if (!(v - reach > tol))
            inside = false;
    }
    return inside ? Sphere::Inside : Sphere::Straddles;
}

// Window coordinates of the corners; false when a corner is not clearly in front of the eye,
// where the projection of the box is not the hull of its projected corners.
bool ToWindow(const Corners& k, Window& w)
{
    const Batch& b = State;
    w.x0 = w.y0 = w.zmin = w.wmin = INFINITY;
    w.x1 = w.y1 = w.zmax = -INFINITY;
    w.occluder = true;
    for (int i = 0; i < 8; ++i) {
        const double* c = k.c[i];
        if (!(c[3] > 1e-6))
            return false;
        const double tol = ClipTolerance(c);
        if (!(c[2] > -c[3] + tol && c[2] < c[3] - tol))
            w.occluder = false;
        const double inv = 1.0 / c[3];
        w.x[i] = b.viewX + (c[0] * inv + 1) * 0.5 * b.viewW;
        w.y[i] = b.viewY + (c[1] * inv + 1) * 0.5 * b.viewH;
        const double z = b.depthNear + (c[2] * inv + 1) * 0.5 * (b.depthFar - b.depthNear);
        w.x0 = std::min(w.x0, static_cast<float>(w.x[i]));
        w.x1 = std::max(w.x1, static_cast<float>(w.x[i]));
        w.y0 = std::min(w.y0, static_cast<float>(w.y[i]));
        w.y1 = std::max(w.y1, static_cast<float>(w.y[i]));
        w.zmin = std::min(w.zmin, static_cast<float>(z));
        w.zmax = std::max(w.zmax, static_cast<float>(z));
        w.wmin = std::min(w.wmin, static_cast<float>(c[3]));
    }
    return std::isfinite(w.x0) && std::isfinite(w.x1) && std::isfinite(w.y0) && std::isfinite(w.y1);
}

// The pixels whose centres the bounds may reach, inside the viewport; empty when lo > hi.
struct PixelRange {
    int32_t x0, y0, x1, y1;
    bool Empty() const { return x0 > x1 || y0 > y1; }
};

PixelRange PixelsOf(const Window& w)
{
    const Batch& b = State;
    const double vx1 = b.viewX + b.viewW - 1;
    const double vy1 = b.viewY + b.viewH - 1;
    // Clamped to one pixel beyond the view on either side, which decides nothing differently,
    // so that far or non-finite window coordinates convert to integers; NaN gives the whole view
    // (nothing is left out on a coordinate that cannot be judged).
    auto lo = [](double v, double start, double end) {
        const double c = std::ceil(v - PixelMargin - 0.5);
        return static_cast<int32_t>(c >= start ? std::min(c, end + 1) : start);
    };
    auto hi = [](double v, double start, double end) {
        const double f = std::floor(v + PixelMargin - 0.5);
        return static_cast<int32_t>(f <= end ? std::max(f, start - 1) : end);
    };
    return {lo(w.x0, b.viewX, vx1), lo(w.y0, b.viewY, vy1), hi(w.x1, b.viewX, vx1),
            hi(w.y1, b.viewY, vy1)};
}

// The facing of a planar polygon in window space has the sign of the determinant of the clip x,
// y and w of three of its vertices (from points with w = 1 in object space), whether or not parts
// of it lie behind the eye. Positive means counter-clockwise. Faces too close to edge-on for the
// sign to survive GL's own single-precision arithmetic are kept, and GL decides.
bool Dropped(const Corners& k, const BoxFace& f, const Window* window)
{
    const int facing = State.dropFacing;
    if (facing == 0)
        return false;
    if (facing == 2)
        return true;
    const int i = f.corner[0];
    const int j = f.corner[1];
    const int l = f.corner[2];
    if (window != nullptr) {
        // In pixels: twice the area, against vertices off by a thousandth of a pixel along
        // edges of these lengths.
        const Window& w = *window;
        const double abx = w.x[j] - w.x[i];
        const double aby = w.y[j] - w.y[i];
        const double acx = w.x[l] - w.x[i];
        const double acy = w.y[l] - w.y[i];
        const double area = abx * acy - acx * aby;
        const double tol =
            2e-3 * (std::fabs(abx) + std::fabs(aby) + std::fabs(acx) + std::fabs(acy)) + 1e-3;
        return facing > 0 ? area > tol : area < -tol;
    }
    const double* a = k.c[i];
    const double* b = k.c[j];
    const double* c = k.c[l];
    const double det = a[0] * (b[1] * c[3] - b[3] * c[1]) - a[1] * (b[0] * c[3] - b[3] * c[0]) +
                       a[3] * (b[0] * c[1] - b[1] * c[0]);
    auto size = [](const double* v) { return std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[3]); };
    const double tol = 1e-5 * size(a) * size(b) * size(c);
    return facing > 0 ? det > tol : det < -tol;
}

// Whether a face seen in window space cannot cover a pixel centre: its bounds hold none, or the
// few they hold all lie outside it.
bool CoversNoCentre(const Window& w, const BoxFace& f)
{
    Window box;
    box.x0 = box.y0 = INFINITY;
    box.x1 = box.y1 = -INFINITY;
    for (const int c : f.corner) {
        box.x0 = std::min(box.x0, static_cast<float>(w.x[c]));
        box.x1 = std::max(box.x1, static_cast<float>(w.x[c]));
        box.y0 = std::min(box.y0, static_cast<float>(w.y[c]));
        box.y1 = std::max(box.y1, static_cast<float>(w.y[c]));
    }
    const PixelRange r = PixelsOf(box);
    if (r.Empty())
        return true;
    if ((r.x1 - r.x0 + 1) * (r.y1 - r.y0 + 1) > 4)
        return false;
    // The projected face is a convex quadrilateral; a centre is inside (or too close to call)
    // when no edge has it clearly on the outer side, for either winding. The edge lengths are
    // taken as |dx| + |dy|, which only widens the margin.
    double area = 0;
    for (int i = 0; i < 4; ++i) {
        const int p = f.corner[i];
        const int q = f.corner[(i + 1) % 4];
        area += w.x[p] * w.y[q] - w.x[q] * w.y[p];
    }
    const double sign = area >= 0 ? 1 : -1;
    for (int32_t py = r.y0; py <= r.y1; ++py)
        for (int32_t px = r.x0; px <= r.x1; ++px) {
            bool in = true;
            for (int i = 0; i < 4 && in; ++i) {
                const int p = f.corner[i];
                const int q = f.corner[(i + 1) % 4];
                const double ex = w.x[q] - w.x[p];
                const double ey = w.y[q] - w.y[p];
                const double cross = ex * (py + 0.5 - w.y[p]) - ey * (px + 0.5 - w.x[p]);
                in = sign * cross >= -PixelMargin * (std::fabs(ex) + std::fabs(ey));
            }
            if (in)
                return false;
        }
    return true;
}
// Copies the faces that may reach a pixel into the arrays. faceNormals: in BoxFaces order, or null
// for the table's own. Each box is a block of its own on the literal path (a colour or matrix
// call comes before each); a box whose split cannot be told is drawn alone, all six faces as
// quads, as that block is.
void Emit(const Corners& k, const float (*faceNormals)[3], const float* colour,
          const Window* window)
{
    Batch& b = State;
    Split split = b.oneBlock ? b.blockSplit : Split::Inside;
    for (int corner = 0; corner < 8 && split == Split::Inside && !b.oneBlock; ++corner)
        split = Combine(split, PointSplit(k.c[corner]));
    if (!b.triangles)
        split = Split::Clipped; // only the arrays are used
    if (split == Split::Unsure || b.vertices + VerticesPerBox > Capacity * VerticesPerBox)
        Flush();
    float* p = b.positions.data() + b.vertices * 3;
    float* n = b.normals.data() + b.vertices * 3;
    float* c = b.colours.data() + b.vertices * 4;
    uint32_t* index = b.indices.data() + b.indexCount;
    int32_t emitted = 0;
    for (int face = 0; face < 6; ++face) {
        const BoxFace& f = BoxFaces[face];
        if (split != Split::Unsure &&
            (Dropped(k, f, window) ||
             (window != nullptr && b.pointSampled && CoversNoCentre(*window, f))))
            continue;
        const float* normal = faceNormals != nullptr ? faceNormals[face] : f.normal;
        for (const int corner : f.corner) {
            std::copy(k.object[corner], k.object[corner] + 3, p);
            std::copy(normal, normal + 3, n);
            p += 3;
            n += 3;
            if (b.perVertexColour) {
                std::copy(colour, colour + 4, c);
                c += 4;
            }
        }
        index = AppendQuad(index, static_cast<uint32_t>((b.vertices + emitted) / 4), split);
        emitted += 4;
    }
    b.counts.quads += emitted / 4;
    if (split == Split::Unsure) {
        Submit({b.positions.data(), 0, b.normals.data(), 0,
                b.perVertexColour ? b.colours.data() : nullptr},
               GL_QUADS, 0, emitted, nullptr);
        return;
    }
    b.vertices += emitted;
    b.indexCount = static_cast<int32_t>(index - b.indices.data());
}
// Culls what cannot reach a pixel centre; true when the box is left out. Gives the window
// coordinates when rendering and the whole box is in front of the eye.
bool LeftOut(const Corners& k, Window& w, bool& inWindow)
{
    inWindow = false;
    if (OutsideOnePlane(k))
        return true;
    inWindow = State.rendering && ToWindow(k, w);
    return inWindow && State.pointSampled && PixelsOf(w).Empty();
}
// ---- Streamed boxes: occlusion ----

// Hull of the projected corners, counter-clockwise (monotone chain); returns its size.
int32_t Hull(const Window& w, double (*hull)[2])
{
    int32_t idx[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    std::sort(idx, idx + 8, [&](int32_t a, int32_t b) {
        return w.x[a] < w.x[b] || (w.x[a] == w.x[b] && w.y[a] < w.y[b]);
    });
    auto cross = [&](const double* o, const double* a, int32_t b) {
        return (a[0] - o[0]) * (w.y[b] - o[1]) - (a[1] - o[1]) * (w.x[b] - o[0]);
    };
    int32_t n = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const int32_t start = n;
        for (int32_t s = 0; s < 8; ++s) {
            const int32_t i = pass == 0 ? idx[s] : idx[7 - s];
            while (n >= start + 2 && cross(hull[n - 2], hull[n - 1], i) <= 0)
                --n;
            hull[n][0] = w.x[i];
            hull[n][1] = w.y[i];
            ++n;
        }
        --n; // the last point starts the other chain
    }
    return n;
}

bool Hidden(const Window& w)
{
    const Batch& b = State;
    const PixelRange r = PixelsOf(w);
    if (r.Empty())
        return true;
    const int32_t bx0 = (r.x0 - static_cast<int32_t>(b.viewX)) / Block;
    const int32_t bx1 = (r.x1 - static_cast<int32_t>(b.viewX)) / Block;
    const int32_t by0 = (r.y0 - static_cast<int32_t>(b.viewY)) / Block;
    const int32_t by1 = (r.y1 - static_cast<int32_t>(b.viewY)) / Block;
    for (int32_t by = by0; by <= by1; ++by)
        for (int32_t bx = bx0; bx <= bx1; ++bx)
            if (!(b.depth[by * b.blocksX + bx] + DepthMargin < w.zmin))
                return false;
    return true;
}

// Marks the cells whose every pixel centre the cube's silhouette covers: once the cube is drawn,
// the depth there is at most its farthest corner's.
void AddOccluder(const Window& w)
{
    Batch& b = State;
    double hull[16][2];
    const int32_t n = Hull(w, hull);
    if (n < 3)
        return;
    double edge[16][3]; // a x + b y + c > 0 inside, normalised to pixels
    for (int32_t i = 0; i < n; ++i) {
        const double* p = hull[i];
        const double* q = hull[(i + 1) % n];
        const double ex = q[0] - p[0];
        const double ey = q[1] - p[1];
        const double len = std::sqrt(ex * ex + ey * ey);
        if (len == 0)
            return;
        edge[i][0] = -ey / len;
        edge[i][1] = ex / len;
        edge[i][2] = -(edge[i][0] * p[0] + edge[i][1] * p[1]) - PixelMargin;
    }
    auto inside = [&](double x, double y) {
        for (int32_t i = 0; i < n; ++i)
            if (!(edge[i][0] * x + edge[i][1] * y + edge[i][2] > 0))
                return false;
        return true;
    };
    const PixelRange r = PixelsOf(w);
    if (r.Empty())
        return;
    const int32_t vx = static_cast<int32_t>(b.viewX);
    const int32_t vy = static_cast<int32_t>(b.viewY);
    const int32_t lastX = vx + static_cast<int32_t>(b.viewW) - 1;
    const int32_t lastY = vy + static_cast<int32_t>(b.viewH) - 1;
    for (int32_t by = (r.y0 - vy) / Block; by <= (r.y1 - vy) / Block; ++by)
        for (int32_t bx = (r.x0 - vx) / Block; bx <= (r.x1 - vx) / Block; ++bx) {
            float& cell = b.depth[by * b.blocksX + bx];
            if (cell <= w.zmax)
                continue;
            const double x0 = vx + bx * Block + 0.5;
            const double y0 = vy + by * Block + 0.5;
            const double x1 = std::min(vx + bx * Block + Block - 1, lastX) + 0.5;
            const double y1 = std::min(vy + by * Block + Block - 1, lastY) + 0.5;
            if (inside(x0, y0) && inside(x1, y0) && inside(x0, y1) && inside(x1, y1))
                cell = w.zmax;
        }
}

// Whether the GL state makes every drawn cube's fragments write their depth at every pixel
// centre it covers, and a farther fragment lose to them there.
bool DepthHidesOccluded()
{
    GLint func = 0;
    GLboolean mask = GL_FALSE;
    GLint bits = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    glGetIntegerv(GL_DEPTH_BITS, &bits);
    bool clipPlanes = false;
    for (GLenum p = GL_CLIP_PLANE0; p <= GL_CLIP_PLANE5; ++p)
        clipPlanes = clipPlanes || glIsEnabled(p);
    return glIsEnabled(GL_DEPTH_TEST) && (func == GL_LESS || func == GL_LEQUAL) && mask &&
           bits > 0 && !glIsEnabled(GL_STENCIL_TEST) && !glIsEnabled(GL_ALPHA_TEST) &&
           !glIsEnabled(GL_POLYGON_OFFSET_FILL) && !glIsEnabled(GL_POLYGON_STIPPLE) &&
           !clipPlanes && State.depthNear <= State.depthFar && State.dropFacing != 2;
}

void ProcessPending()
{
    Batch& b = State;
    const int32_t n = b.pendingCount;
    float farthest = 0;
    // One run on the literal path splits all its quads one way: v0-v2 only when no cube of it
    // reaches outside the view volume. The driver cuts long runs where its vertex buffer fills,
    // which cannot be seen from here; taking the whole batch as one run matches the common case.
    b.blockSplit = Split::Inside;
    for (int32_t i = 0; i < n; ++i) {
        const Pending& p = b.pending[i];
        b.state[i] = Culled;
        if (b.pointSampled && p.size * 0.5f == 0.0f) {
            double c[4];
            ToClip(b.clip, p.x, p.y, p.z, c);
            if (PointSplit(c) != Split::Inside)
                b.blockSplit = Split::Clipped;
            ++b.counts.outside;
            continue;
        }
        const Sphere sphere = SphereTest(p.x, p.y, p.z, p.size);
        if (sphere == Sphere::Outside) {
            b.blockSplit = Split::Clipped;
            ++b.counts.outside;
            continue;
        }
        Corners k;
        CubeCorners(p.x, p.y, p.z, p.size, k);
        if (sphere == Sphere::Straddles)
            for (int corner = 0; corner < 8 && b.blockSplit == Split::Inside; ++corner)
                if (PointSplit(k.c[corner]) != Split::Inside)
                    b.blockSplit = Split::Clipped;
        if (sphere == Sphere::Straddles && OutsideOnePlane(k)) {
            ++b.counts.outside;
            continue;
        }
        b.state[i] = Drawn;
        Window& w = b.windows[i];
        if (!b.pointSampled || !ToWindow(k, w))
            continue;
        if (PixelsOf(w).Empty()) {
            b.state[i] = Culled;
            ++b.counts.outside;
            continue;
        }
        if (b.occlusion) {
            b.state[i] |= Sortable | (w.occluder ? Occluder : 0);
            farthest = std::max(farthest, w.wmin);
        }
    }
    if (b.occlusion) {
        // Nearest first, so that the cells are filled by the cubes most likely to hide others.
        std::fill(b.bucketStart.begin(), b.bucketStart.end(), 0);
        const float scale = farthest > 0 ? (Buckets - 1) / farthest : 0;
        auto bucket = [&](int32_t i) {
            return std::min(static_cast<int32_t>(b.windows[i].wmin * scale), Buckets - 1);
        };
        int32_t sortable = 0;
        for (int32_t i = 0; i < n; ++i)
            if (b.state[i] & Sortable) {
                ++b.bucketStart[bucket(i) + 1];
                ++sortable;
            }
        for (int32_t k = 0; k < Buckets; ++k)
            b.bucketStart[k + 1] += b.bucketStart[k];
        for (int32_t i = 0; i < n; ++i)
            if (b.state[i] & Sortable)
                b.order[b.bucketStart[bucket(i)]++] = i;
        for (int32_t s = 0; s < sortable; ++s) {
            const int32_t i = b.order[s];
            const Window& w = b.windows[i];
            if (Hidden(w)) {
                b.state[i] = Culled;
                ++b.counts.hidden;
            } else if (b.state[i] & Occluder) {
                AddOccluder(w);
            }
        }
    }
    for (int32_t i = 0; i < n; ++i) {
        if (b.state[i] == Culled)
            continue;
        const Pending& p = b.pending[i];
        Corners k;
        CubeCorners(p.x, p.y, p.z, p.size, k);
        Emit(k, nullptr, p.colour, b.state[i] & Sortable ? &b.windows[i] : nullptr);
    }
    b.pendingCount = 0;
}

} // namespace

// ---- Matrix4 ----

Matrix4 IdentityMatrix()
{
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

Matrix4 operator*(const Matrix4& a, const Matrix4& b)
{
    Matrix4 r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double s = 0;
            for (int k = 0; k < 4; ++k)
                s += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = s;
        }
    return r;
}

Matrix4 TranslationMatrix(double x, double y, double z)
{
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

Matrix4 RotationMatrix(double degrees, double x, double y, double z, DegreesToRadians conversion)
{
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0)
        return IdentityMatrix();
    x /= length;
    y /= length;
    z /= length;
    const double a = conversion == DegreesToRadians::Sequential
                         ? degrees * std::numbers::pi / 180
                         : degrees * (std::numbers::pi / 180);
    const double c = std::cos(a);
    const double s = std::sin(a);
    const double t = 1 - c;
    return {{x * x * t + c, y * x * t + z * s, x * z * t - y * s, 0, x * y * t - z * s,
             y * y * t + c, y * z * t + x * s, 0, x * z * t + y * s, y * z * t - x * s,
             z * z * t + c, 0, 0, 0, 0, 1}};
}

Matrix4 ScalingMatrix(double x, double y, double z)
{
    return {{x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1}};
}

// ---- Instrumentation ----

void SetBoxInstrumentation(BoxInstrumentation* record)
{
    Instrument = record;
}

// ---- Kept boxes ----

void BoxMesh::Begin(bool keep, bool colours)
{
    started_ = Stamp();
    inGl_ = 0;
    keep_ = keep;
    colours_on_ = colours;
    boxes_ = 0;
    vertices_.clear();
    colours_.clear();
    joins_.clear();
    for (int i = 0; i < 3; ++i) {
        bounds_[i] = HUGE_VAL;
        bounds_[3 + i] = -HUGE_VAL;
    }
    if (!keep) {
        PrepareClipping();
        vertices_.reserve((StreamChunk + MaxBlock) * VerticesPerBox);
        if (colours)
            colours_.reserve((StreamChunk + MaxBlock) * VerticesPerBox * 4);
        joins_.reserve(StreamChunk + MaxBlock);
        indices_.resize(std::max(indices_.size(), (StreamChunk + MaxBlock) * IndicesPerBox));
    }
}

void BoxMesh::Reserve(size_t boxes, bool colours)
{
    vertices_.reserve(boxes * VerticesPerBox);
    if (colours)
        colours_.reserve(boxes * VerticesPerBox * 4);
    joins_.reserve(boxes);
    indices_.resize(std::max(indices_.size(), boxes * IndicesPerBox));
}

void BoxMesh::SetColour(float r, float g, float b, float a)
{
    colour_[0] = r;
    colour_[1] = g;
    colour_[2] = b;
    colour_[3] = a;
}

void BoxMesh::AddBox(const Matrix4& matrix, float x, float y, float z, float hx, float hy, float hz,
                     bool joinsBlock)
{
    // A streaming mesh draws a full chunk when the next block begins, so that no block is split.
    if (!keep_ && boxes_ >= StreamChunk && !joinsBlock) {
        DrawBoxes(0, boxes_);
        boxes_ = 0;
        vertices_.clear();
        colours_.clear();
        joins_.clear();
    }
    joins_.push_back(joinsBlock && boxes_ > 0 ? 1 : 0);
    const double* m = matrix.m;
    // GL turns normals by the inverse transpose of the modelview; its cofactor matrix divided by
    // the determinant. Composing it here with the effect's modelview gives the same normals,
    // unnormalised where the literal path's are.
    const double cof[9] = {
        m[5] * m[10] - m[6] * m[9], m[6] * m[8] - m[4] * m[10], m[4] * m[9] - m[5] * m[8],
        m[9] * m[2] - m[10] * m[1], m[10] * m[0] - m[8] * m[2], m[8] * m[1] - m[9] * m[0],
        m[1] * m[6] - m[2] * m[5],  m[2] * m[4] - m[0] * m[6],  m[0] * m[5] - m[1] * m[4]};
    const double det = m[0] * cof[0] + m[1] * cof[1] + m[2] * cof[2];
    for (const BoxFace& face : BoxFaces) {
        const double nx = face.normal[0], ny = face.normal[1], nz = face.normal[2];
        // cof holds the cofactor matrix column by column: (m^-T) n = cof n / det.
        const float n[3] = {static_cast<float>((cof[0] * nx + cof[3] * ny + cof[6] * nz) / det),
                            static_cast<float>((cof[1] * nx + cof[4] * ny + cof[7] * nz) / det),
                            static_cast<float>((cof[2] * nx + cof[5] * ny + cof[8] * nz) / det)};
        for (const int c : face.corner) {
            const double px = c & 1 ? x + hx : x - hx;
            const double py = c & 2 ? y + hy : y - hy;
            const double pz = c & 4 ? z + hz : z - hz;
            Vertex v;
            v.normal[0] = n[0];
            v.normal[1] = n[1];
            v.normal[2] = n[2];
            const double p[3] = {m[0] * px + m[4] * py + m[8] * pz + m[12],
                                 m[1] * px + m[5] * py + m[9] * pz + m[13],
                                 m[2] * px + m[6] * py + m[10] * pz + m[14]};
            for (int i = 0; i < 3; ++i) {
                v.position[i] = static_cast<float>(p[i]);
                bounds_[i] = std::min(bounds_[i], p[i]);
                bounds_[3 + i] = std::max(bounds_[3 + i], p[i]);
            }
            vertices_.push_back(v);
            if (colours_on_)
                colours_.insert(colours_.end(), colour_, colour_ + 4);
        }
    }
    ++boxes_;
}

void BoxMesh::End()
{
    if (keep_) {
        // Drawing a kept mesh that is partly out of view writes the index list of every box
        // that shows. Reserve covers the counts a demo animates within; a count above it (a
        // ring or structure at its cap) grows the list here, once per rebuild.
        indices_.resize(std::max(indices_.size(), boxes_ * IndicesPerBox));
        AddMeshTime(started_, 0);
        Draw();
        return;
    }
    DrawBoxes(0, boxes_);
    AddMeshTime(started_, inGl_);
}

void BoxMesh::Draw()
{
    if (!keep_ || boxes_ == 0)
        return;
    started_ = Stamp();
    inGl_ = 0;
    PrepareClipping();
    DrawBoxes(0, boxes_);
    AddMeshTime(started_, inGl_);
}

void BoxMesh::PrepareClipping()
{
    Matrix4 projection;
    Matrix4 modelview;
    glGetDoublev(GL_PROJECTION_MATRIX, projection.m);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview.m);
    const Matrix4 c = projection * modelview;
    std::copy(c.m, c.m + 16, clip_);
    GLint mode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &mode);
    GLint polygonMode[2] = {GL_FILL, GL_FILL};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    triangles_ = mode == GL_RENDER && polygonMode[0] == GL_FILL && polygonMode[1] == GL_FILL;
}

void BoxMesh::DrawBoxes(size_t first, size_t count)
{
    if (count == 0)
        return;
    const QuadArrays arrays{vertices_[0].position, sizeof(Vertex), vertices_[0].normal,
                            sizeof(Vertex), colours_on_ ? colours_.data() : nullptr};
    const uint64_t glStart = Stamp();
    // When the corners of the whole mesh's bounds are all clearly inside the view volume, so is
    // every box: nothing is left out, and quads drawn in one go split as the literal blocks do.
    // Outlines, feedback and selection take the quads as they are: no split shows there.
    Split whole = keep_ || !triangles_ ? Split::Inside : Split::Unsure;
    for (int corner = 0; corner < 8 && whole == Split::Inside && !triangles_; ++corner) {
        double c[4];
        ToClip(clip_, bounds_[(corner & 1) ? 3 : 0], bounds_[(corner & 2) ? 4 : 1],
               bounds_[(corner & 4) ? 5 : 2], c);
        if (ClipOutcode(c, ClipMargin::OfW) != 0)
            whole = Split::Clipped;
    }
    for (int corner = 0; corner < 8 && whole == Split::Inside && triangles_; ++corner) {
        double c[4];
        ToClip(clip_, bounds_[(corner & 1) ? 3 : 0], bounds_[(corner & 2) ? 4 : 1],
               bounds_[(corner & 4) ? 5 : 2], c);
        whole = PointSplit(c);
    }
    if (whole == Split::Inside) {
        Submit(arrays, GL_QUADS, static_cast<GLint>(first * VerticesPerBox),
               static_cast<GLsizei>(count * VerticesPerBox), nullptr);
    } else {
        uint32_t* const start = indices_.data();
        uint32_t* out = start;
        auto drawTriangles = [&] {
            if (out != start)
                Submit(arrays, triangles_ ? GL_TRIANGLES : GL_QUADS, 0,
                       static_cast<GLsizei>(out - start), start);
            out = start;
        };
        for (size_t block = first; block < first + count;) {
            size_t end = block + 1;
            while (end < first + count && joins_[end] != 0)
                ++end;
            // Faces 0 and 1 hold all eight corners: vertices 0 to 7 of each box.
            Split split = Split::Inside;
            for (size_t b = block; b < end; ++b)
                for (int k = 0; k < 8; ++k) {
                    const float* p = vertices_[b * VerticesPerBox + k].position;
                    double c[4];
                    ToClip(clip_, p[0], p[1], p[2], c);
                    split = Combine(split, PointSplit(c));
                }
            if (!triangles_)
                split = Split::Clipped; // only which boxes are left out matters
            if (split == Split::Unsure) {
                drawTriangles();
                Submit(arrays, GL_QUADS, static_cast<GLint>(block * VerticesPerBox),
                       static_cast<GLsizei>((end - block) * VerticesPerBox), nullptr);
            } else {
                for (size_t b = block; b < end; ++b) {
                    const Vertex* v = &vertices_[b * VerticesPerBox];
                    auto corner = [this, v](int k, double* c) {
                        ToClip(clip_, v[k].position[0], v[k].position[1], v[k].position[2], c);
                    };
                    if (split == Split::Clipped && BeyondOnePlane(corner, ClipMargin::OfW))
                        continue;
                    for (uint32_t q = 0; q < 6; ++q) {
                        if (triangles_) {
                            out = AppendQuad(out, static_cast<uint32_t>(b * 6 + q), split);
                        } else {
                            for (uint32_t i = 0; i < 4; ++i)
                                *out++ = static_cast<uint32_t>(b * 24 + q * 4 + i);
                        }
                    }
                }
            }
            block = end;
        }
        drawTriangles();
    }
    LeaveLastNormal();
    if (glStart != 0)
        inGl_ += Now() - glStart;
}

bool DefaultPathExact()
{
    // GL turns normals by the inverse of the modelview, and where it has none (a scale of 0)
    // it turns them by the identity instead; the default path composes frames and normals on
    // the CPU, which only gives the same normals through a true inverse.
    double m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    const double det = m[0] * (m[5] * m[10] - m[6] * m[9]) - m[4] * (m[1] * m[10] - m[2] * m[9]) +
                       m[8] * (m[1] * m[6] - m[2] * m[5]);
    double columns = 1;
    for (int c = 0; c < 3; ++c)
        columns *= std::sqrt(m[4 * c] * m[4 * c] + m[4 * c + 1] * m[4 * c + 1] +
                             m[4 * c + 2] * m[4 * c + 2]);
    if (!(std::fabs(det) > 1e-6 * columns) || !(std::fabs(det) > 1e-9) || m[3] != 0 || m[7] != 0 ||
        m[11] != 0 || m[15] != 1)
        return false;
    // Clip planes and polygons not filled send every draw through the driver's pipeline stages,
    // whose splitting of quads the default path does not mirror.
    for (GLenum p = GL_CLIP_PLANE0; p <= GL_CLIP_PLANE5; ++p)
        if (glIsEnabled(p))
            return false;
    GLint polygonMode[2] = {GL_FILL, GL_FILL};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    return polygonMode[0] == GL_FILL && polygonMode[1] == GL_FILL;
}

// ---- Streamed boxes ----

void BeginBoxBatch(bool perVertexColour, bool hideOccluded, bool oneBlock)
{
    Batch& b = State;
    if (b.positions.empty()) {
        b.positions.resize(Capacity * VerticesPerBox * 3);
        b.normals.resize(Capacity * VerticesPerBox * 3);
        b.colours.resize(Capacity * VerticesPerBox * 4);
        b.indices.resize(Capacity * VerticesPerBox / 4 * 6);
    }
    b.counts = {};
    b.vertices = 0;
    b.indexCount = 0;
    b.perVertexColour = perVertexColour;
    b.anyBox = false;
    Matrix4 modelview;
    Matrix4 projection;
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview.m);
    glGetDoublev(GL_PROJECTION_MATRIX, projection.m);
    const Matrix4 clip = projection * modelview;
    std::copy(clip.m, clip.m + 16, b.clip);
    for (int r = 0; r < 4; ++r)
        b.rowNorm[r] = std::sqrt(b.clip[r] * b.clip[r] + b.clip[4 + r] * b.clip[4 + r] +
                                 b.clip[8 + r] * b.clip[8 + r]);
    for (int plane = 0; plane < 6; ++plane) {
        const int k = plane / 2;
        const double sign = plane % 2 == 0 ? 1 : -1;
        double n2 = 0;
        for (int c = 0; c < 3; ++c) {
            const double g = b.clip[c * 4 + 3] + sign * b.clip[c * 4 + k];
            n2 += g * g;
        }
        b.planeNorm[plane] = std::sqrt(n2);
    }
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    b.viewX = viewport[0];
    b.viewY = viewport[1];
    b.viewW = viewport[2];
    b.viewH = viewport[3];
    double range[2] = {0, 1};
    glGetDoublev(GL_DEPTH_RANGE, range);
    b.depthNear = range[0];
    b.depthFar = range[1];

    GLint mode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &mode);
    b.rendering = mode == GL_RENDER;
    b.dropFacing = 0;
    if (b.rendering && glIsEnabled(GL_CULL_FACE)) {
        GLint cull = GL_BACK;
        GLint front = GL_CCW;
        glGetIntegerv(GL_CULL_FACE_MODE, &cull);
        glGetIntegerv(GL_FRONT_FACE, &front);
        const int frontSign = front == GL_CW ? -1 : 1;
        if (cull == GL_FRONT_AND_BACK)
            b.dropFacing = 2;
        else
            b.dropFacing = cull == GL_FRONT ? frontSign : -frontSign;
    }

    b.holdBack = hideOccluded;
    GLint polygonMode[2] = {GL_FILL, GL_FILL};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    GLint sampleBuffers = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    b.triangles = b.rendering && polygonMode[0] == GL_FILL && polygonMode[1] == GL_FILL;
    b.oneBlock = oneBlock && hideOccluded;
    b.blockSplit = Split::Inside;
    b.pointSampled = b.rendering && polygonMode[0] == GL_FILL && polygonMode[1] == GL_FILL &&
                     !glIsEnabled(GL_POLYGON_SMOOTH) &&
                     !(sampleBuffers > 0 && glIsEnabled(GL_MULTISAMPLE));
    b.occlusion = hideOccluded && b.pointSampled && DepthHidesOccluded();
    b.pendingCount = 0;
    if (hideOccluded && b.pending.empty()) {
        b.pending.resize(PendingCapacity);
        b.state.resize(PendingCapacity);
        b.windows.resize(PendingCapacity);
        b.order.resize(PendingCapacity);
        b.bucketStart.resize(Buckets + 1);
    }
    if (b.occlusion) {
        b.blocksX = (viewport[2] + Block - 1) / Block;
        b.blocksY = (viewport[3] + Block - 1) / Block;
        const size_t cells = static_cast<size_t>(b.blocksX) * static_cast<size_t>(b.blocksY);
        if (b.depth.size() < cells)
            b.depth.resize(cells); // only when the viewport grows
        std::fill(b.depth.begin(), b.depth.begin() + static_cast<ptrdiff_t>(cells), INFINITY);
    }
}

void BatchColour(float r, float g, float b, float a)
{
    State.colour[0] = r;
    State.colour[1] = g;
    State.colour[2] = b;
    State.colour[3] = a;
}

void BatchCube(float x, float y, float z, float size)
{
    Batch& b = State;
    b.anyBox = true;
    ++b.counts.boxes;
    if (b.holdBack) {
        Pending& p = b.pending[b.pendingCount++];
        p = {x, y, z, size, {b.colour[0], b.colour[1], b.colour[2], b.colour[3]}};
        if (b.pendingCount == PendingCapacity)
            ProcessPending();
        return;
    }
    if (b.pointSampled && size * 0.5f == 0.0f) {
        ++b.counts.outside;
        return;
    }
    if (SphereTest(x, y, z, size) == Sphere::Outside) {
        ++b.counts.outside;
        return;
    }
    Corners k;
    CubeCorners(x, y, z, size, k);
    Window w;
    bool inWindow = false;
    if (LeftOut(k, w, inWindow)) {
        ++b.counts.outside;
        return;
    }
    Emit(k, nullptr, b.colour, inWindow ? &w : nullptr);
}

void MakeBoxShape(const double centre[3], const double halfEdges[3][3], const double normals[3][3],
                  BoxShape& shape)
{
    int flat = 0; // with two edges of length 0 no face has an area
    for (int a = 0; a < 3; ++a)
        flat += halfEdges[a][0] == 0 && halfEdges[a][1] == 0 && halfEdges[a][2] == 0;
    shape.flat = flat >= 2;
    for (int corner = 0; corner < 8; ++corner)
        for (int i = 0; i < 3; ++i) {
            double v = centre[i];
            for (int a = 0; a < 3; ++a)
                v += ((corner >> a) & 1 ? 1 : -1) * halfEdges[a][i];
            shape.corner[corner][i] = static_cast<float>(v);
        }
    for (int face = 0; face < 6; ++face) {
        const BoxFace& f = BoxFaces[face];
        for (int i = 0; i < 3; ++i)
            shape.faceNormal[face][i] =
                static_cast<float>(f.negative ? -normals[f.axis][i] : normals[f.axis][i]);
    }
}

void BatchShape(const BoxShape& shape)
{
    Batch& b = State;
    b.anyBox = true;
    ++b.counts.boxes;
    if (b.pointSampled && shape.flat) {
        ++b.counts.outside;
        return;
    }
    Corners k;
    const double* m = b.clip;
    for (int corner = 0; corner < 8; ++corner) {
        const float* o = shape.corner[corner];
        std::copy(o, o + 3, k.object[corner]);
        ToClip(m, o[0], o[1], o[2], k.c[corner]);
    }
    Window w;
    bool inWindow = false;
    if (LeftOut(k, w, inWindow)) {
        ++b.counts.outside;
        return;
    }
    Emit(k, shape.faceNormal, b.colour, inWindow ? &w : nullptr);
}

void BatchBox(const double centre[3], const double halfEdges[3][3], const double normals[3][3])
{
    BoxShape shape;
    MakeBoxShape(centre, halfEdges, normals, shape);
    BatchShape(shape);
}

void EndBoxBatch()
{
    Batch& b = State;
    if (b.pendingCount > 0)
        ProcessPending();
    Flush();
    b.holdBack = false;
    if (b.anyBox)
        LeaveLastNormal();
    if (Instrument != nullptr) {
        Instrument->boxes = b.counts.boxes;
        Instrument->outside = b.counts.outside;
        Instrument->hidden = b.counts.hidden;
        Instrument->quads = b.counts.quads;
    }
}

} // namespace quv
