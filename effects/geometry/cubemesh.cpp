#include "effects/geometry/cubemesh.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

namespace quv {

uint64_t CubeMeshNanoseconds = 0;

namespace {

uint64_t Now()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// DrawCube's faces: normal, then the signs of the four corners, counter-clockwise from outside.
// Faces 1 and 2 together hold all eight corners, which the culling reads from vertices 0-7.
struct Face {
    float normal[3];
    signed char corner[4][3];
};

constexpr Face Faces[6] = {
    {{0, 0, 1}, {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}},
    {{0, 0, -1}, {{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}}},
    {{0, 1, 0}, {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}}},
    {{0, -1, 0}, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {{1, 0, 0}, {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}}},
    {{-1, 0, 0}, {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}}},
};

constexpr size_t VerticesPerBox = 24;

// Bit per clip plane that the homogeneous point lies outside of. A small margin keeps corners that
// GL's float arithmetic might still see inside.
unsigned Outcode(const double c[16], double x, double y, double z)
{
    const double cx = c[0] * x + c[4] * y + c[8] * z + c[12];
    const double cy = c[1] * x + c[5] * y + c[9] * z + c[13];
    const double cz = c[2] * x + c[6] * y + c[10] * z + c[14];
    const double cw = c[3] * x + c[7] * y + c[11] * z + c[15];
    const double w = cw + 1e-5 * std::abs(cw) + 1e-9;
    const double nw = -cw - 1e-5 * std::abs(cw) - 1e-9;
    return (cx > w) | (cx < nw) << 1 | (cy > w) << 2 | (cy < nw) << 3 | (cz > w) << 4 |
           (cz < nw) << 5;
}

} // namespace

Matrix4 IdentityMatrix()
{
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

Matrix4 operator*(const Matrix4& a, const Matrix4& b)
{
    Matrix4 r;
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            r.m[col * 4 + row] = a.m[row] * b.m[col * 4] + a.m[4 + row] * b.m[col * 4 + 1] +
                                 a.m[8 + row] * b.m[col * 4 + 2] + a.m[12 + row] * b.m[col * 4 + 3];
    return r;
}

Matrix4 TranslationMatrix(double x, double y, double z)
{
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

Matrix4 RotationMatrix(double degrees, double x, double y, double z)
{
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length == 0)
        return IdentityMatrix(); // GL leaves the matrix unchanged for a zero axis
    x /= length;
    y /= length;
    z /= length;
    const double a = degrees * std::numbers::pi / 180;
    const double c = std::cos(a), s = std::sin(a), t = 1 - c;
    return {{x * x * t + c, y * x * t + z * s, x * z * t - y * s, 0, x * y * t - z * s,
             y * y * t + c, y * z * t + x * s, 0, x * z * t + y * s, y * z * t - x * s,
             z * z * t + c, 0, 0, 0, 0, 1}};
}

Matrix4 ScalingMatrix(double x, double y, double z)
{
    return {{x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1}};
}

void CubeMesh::Begin(bool keep, bool colours)
{
    started_ = Now();
    inGl_ = 0;
    keep_ = keep;
    colours_on_ = colours;
    boxes_ = 0;
    vertices_.clear();
    colours_.clear();
    for (int i = 0; i < 3; ++i) {
        bounds_[i] = HUGE_VAL;
        bounds_[3 + i] = -HUGE_VAL;
    }
    if (!keep) {
        PrepareClipping();
        vertices_.reserve(StreamChunk * VerticesPerBox);
        if (colours)
            colours_.reserve(StreamChunk * VerticesPerBox * 4);
    }
}

void CubeMesh::Reserve(size_t boxes, bool colours)
{
    vertices_.reserve(boxes * VerticesPerBox);
    if (colours)
        colours_.reserve(boxes * VerticesPerBox * 4);
    indices_.resize(std::max(indices_.size(), boxes * VerticesPerBox));
}

void CubeMesh::SetColour(float r, float g, float b, float a)
{
    colour_[0] = r;
    colour_[1] = g;
    colour_[2] = b;
    colour_[3] = a;
}

void CubeMesh::AddBox(const Matrix4& matrix, float x, float y, float z, float hx, float hy,
                      float hz)
{
    if (!keep_ && boxes_ == StreamChunk) {
        DrawBoxes(0, boxes_);
        boxes_ = 0;
        vertices_.clear();
        colours_.clear();
    }
    const double* m = matrix.m;
    // GL turns normals by the inverse transpose of the modelview; its cofactor matrix divided by
    // the determinant. Composing it here with the effect's modelview gives the same normals,
    // unnormalised where the literal path's are.
    const double cof[9] = {
        m[5] * m[10] - m[6] * m[9], m[6] * m[8] - m[4] * m[10], m[4] * m[9] - m[5] * m[8],
        m[9] * m[2] - m[10] * m[1], m[10] * m[0] - m[8] * m[2], m[8] * m[1] - m[9] * m[0],
        m[1] * m[6] - m[2] * m[5],  m[2] * m[4] - m[0] * m[6],  m[0] * m[5] - m[1] * m[4]};
    const double det = m[0] * cof[0] + m[1] * cof[1] + m[2] * cof[2];
    for (const Face& face : Faces) {
        const double nx = face.normal[0], ny = face.normal[1], nz = face.normal[2];
        // cof holds the cofactor matrix column by column: (m^-T) n = cof n / det.
        const float n[3] = {static_cast<float>((cof[0] * nx + cof[3] * ny + cof[6] * nz) / det),
                            static_cast<float>((cof[1] * nx + cof[4] * ny + cof[7] * nz) / det),
                            static_cast<float>((cof[2] * nx + cof[5] * ny + cof[8] * nz) / det)};
        for (const auto& c : face.corner) {
            const double px = c[0] < 0 ? x - hx : x + hx;
            const double py = c[1] < 0 ? y - hy : y + hy;
            const double pz = c[2] < 0 ? z - hz : z + hz;
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

void CubeMesh::End()
{
    if (keep_) {
        CubeMeshNanoseconds += Now() - started_;
        Draw();
        return;
    }
    DrawBoxes(0, boxes_);
    CubeMeshNanoseconds += Now() - started_ - inGl_;
}

void CubeMesh::Draw()
{
    if (!keep_ || boxes_ == 0)
        return;
    started_ = Now();
    inGl_ = 0;
    PrepareClipping();
    DrawBoxes(0, boxes_);
    CubeMeshNanoseconds += Now() - started_ - inGl_;
}

void CubeMesh::PrepareClipping()
{
    double projection[16], modelview[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    Matrix4 p, mv;
    std::copy(projection, projection + 16, p.m);
    std::copy(modelview, modelview + 16, mv.m);
    const Matrix4 c = p * mv;
    std::copy(c.m, c.m + 16, clip_);
}

void CubeMesh::DrawBoxes(size_t first, size_t count)
{
    if (count == 0)
        return;
    // When the corners of the whole mesh's bounds are all inside every clip plane, so is every
    // box, and nothing needs testing one by one.
    bool allInside = keep_;
    if (allInside) {
        for (int corner = 0; corner < 8 && allInside; ++corner)
            allInside = Outcode(clip_, bounds_[(corner & 1) ? 3 : 0], bounds_[(corner & 2) ? 4 : 1],
                                bounds_[(corner & 4) ? 5 : 2]) == 0;
    }
    size_t drawn = count;
    if (!allInside) {
        indices_.resize(std::max(indices_.size(), count * VerticesPerBox));
        drawn = 0;
        uint32_t* out = indices_.data();
        for (size_t b = first; b < first + count; ++b) {
            const Vertex* v = &vertices_[b * VerticesPerBox];
            unsigned common = 0x3F;
            for (int k = 0; k < 8 && common != 0; ++k)
                common &= Outcode(clip_, v[k].position[0], v[k].position[1], v[k].position[2]);
            if (common != 0)
                continue; // all eight corners beyond one plane: no fragment possible
            const auto base = static_cast<uint32_t>(b * VerticesPerBox);
            for (uint32_t i = 0; i < VerticesPerBox; ++i)
                *out++ = base + i;
            ++drawn;
        }
        if (drawn == 0)
            return;
    }

    const uint64_t glStart = Now();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), vertices_[0].position);
    glNormalPointer(GL_FLOAT, sizeof(Vertex), vertices_[0].normal);
    if (colours_on_) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, 0, colours_.data());
    }
    if (drawn == count)
        glDrawArrays(GL_QUADS, static_cast<GLint>(first * VerticesPerBox),
                     static_cast<GLsizei>(count * VerticesPerBox));
    else
        glDrawElements(GL_QUADS, static_cast<GLsizei>(drawn * VerticesPerBox), GL_UNSIGNED_INT,
                       indices_.data());
    if (colours_on_)
        glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    // The literal path leaves the last face's normal current; arrays leave it undefined.
    glNormal3f(-1, 0, 0);
    inGl_ += Now() - glStart;
}

} // namespace quv
