// The tree of boxes shared by "Fa" and "Fa6". A node of level l carries a segment of length
// L = length * P^sqrt(N - l + 1); above level 0 it forks into three sub-trees at its tip, turned
// by T about y, spread 0, 120 and 240 degrees about y and leaning by B times the level factor
// about z, each a third shorter (1/1.5) before its own factor applies.
//
// The literal path issues the matrix pushes, turns and pops node by node. Those need 4N + 3
// entries of the modelview stack, and GL guarantees only 32, so a tree that would not fit the
// stack replays the same sequence of matrix operations on a CPU stack and loads each segment's
// matrix instead; the picture is the same, only the stack is ours.

#include "effects/geometry/tree.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "effects/geometry/cubes.h"
#include "engine/numeric.h"

namespace quv {

namespace {

constexpr float InnerColour[4] = {171.0f / 255.0f, 96.0f / 255.0f, 43.0f / 255.0f, 1.0f};
constexpr float LeafColour[4] = {0.0f, 1.0f, 0.0f, 1.0f};
constexpr float Spreads[3] = {0.0f, 120.0f, 240.0f};

struct TreeParams {
    int32_t depth;
    double phase;
    double bend;
    double twist;
};

TreeParams ReadParams(const TreeVariables& v)
{
    return {std::min(TruncInt(*v.depth), MaxTreeDepth), *v.phase, *v.bend, *v.twist};
}

// P raised to sqrt(N - level + 1). A whole exponent is an integer power, so a negative base
// works there; other exponents go through exp and ln and give NaN for a negative base.
double LevelFactor(double phase, int32_t depth, double level)
{
    const double exponent = std::sqrt(depth - level + 1.0);
    if (phase == 0.0)
        return 0.0;
    if (exponent == std::floor(exponent) && exponent <= 64.0) {
        double result = 1.0;
        for (int32_t i = 0; i < static_cast<int32_t>(exponent); ++i)
            result *= phase;
        return result;
    }
    return std::exp(exponent * std::log(phase));
}

void SetSegmentColour(double level)
{
    const float* c = level > 0 ? InnerColour : LeafColour;
    glColor4f(c[0], c[1], c[2], c[3]);
}

void DrawSegment(double length)
{
    DrawBox(0.0f, static_cast<float>(length / 2), 0.0f, static_cast<float>(length / 8),
            static_cast<float>(length), static_cast<float>(length / 8), 0.0f, 0.0f, 0.0f);
}

// The node as the GL calls that define it. A segment whose length is not a finite number (a
// negative base with a fractional exponent, or an overflowing one) is left out with everything
// it carries: its tip is nowhere.
void LiteralNode(const TreeParams& p, double level, double length)
{
    const double factor = LevelFactor(p.phase, p.depth, level);
    const double segment = length * factor;
    if (!std::isfinite(segment))
        return;
    if (level > 0) {
        glPushMatrix();
        glTranslated(0.0, segment, 0.0);
        glPushMatrix();
        glRotated(p.twist, 0.0, 1.0, 0.0);
        for (const float spread : Spreads) {
            glPushMatrix();
            glRotatef(spread, 0.0f, 1.0f, 0.0f);
            glPushMatrix();
            glRotatef(static_cast<float>(p.bend * factor), 0.0f, 0.0f, 1.0f);
            LiteralNode(p, level - 1, segment / 1.5);
            glPopMatrix();
            glPopMatrix();
        }
        glPopMatrix();
        glPopMatrix();
    }
    glPushMatrix();
    SetSegmentColour(level);
    DrawSegment(segment);
    glPopMatrix();
}

// Column-major 4 x 4, as GL keeps its matrices.
struct Matrix {
    double m[16];
};

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k)
                s += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = s;
        }
    return r;
}

Matrix Translation(double x, double y, double z)
{
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}};
}

// The turn glRotate makes about a unit axis (x, y, z).
Matrix Rotation(double degrees, double x, double y, double z)
{
    const double a = degrees * (M_PI / 180.0);
    const double c = std::cos(a);
    const double s = std::sin(a);
    const double t = 1.0 - c;
    return {{x * x * t + c, y * x * t + z * s, x * z * t - y * s, 0, x * y * t - z * s,
             y * y * t + c, y * z * t + x * s, 0, x * z * t + y * s, y * z * t - x * s,
             z * z * t + c, 0, 0, 0, 0, 1}};
}

// The same node on a CPU matrix: the segment's frame is loaded before its box is drawn.
void CpuStackNode(const TreeParams& p, double level, double length, const Matrix& frame)
{
    const double factor = LevelFactor(p.phase, p.depth, level);
    const double segment = length * factor;
    if (!std::isfinite(segment))
        return;
    if (level > 0) {
        const Matrix fork = Multiply(Multiply(frame, Translation(0.0, segment, 0.0)),
                                     Rotation(p.twist, 0.0, 1.0, 0.0));
        for (const float spread : Spreads) {
            const Matrix spreadFrame = Multiply(fork, Rotation(spread, 0.0, 1.0, 0.0));
            const float bend = static_cast<float>(p.bend * factor);
            CpuStackNode(p, level - 1, segment / 1.5,
                         Multiply(spreadFrame, Rotation(bend, 0.0, 0.0, 1.0)));
        }
    }
    glLoadMatrixd(frame.m);
    SetSegmentColour(level);
    DrawSegment(segment);
}

void DrawTreeLiteral(const TreeParams& p)
{
    GLint used = 0;
    GLint limit = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &used);
    glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &limit);
    const int64_t needed = p.depth > 0 ? 4 * int64_t{p.depth} + 2 : 2;
    if (used + needed <= limit) {
        LiteralNode(p, p.depth, 1.0);
        return;
    }
    Matrix base;
    glGetDoublev(GL_MODELVIEW_MATRIX, base.m);
    CpuStackNode(p, p.depth, 1.0, base);
    glLoadMatrixd(base.m);
}

} // namespace

int64_t TreeBoxCount(int32_t depth)
{
    int64_t boxes = 1;
    for (int32_t level = 1; level <= std::min(depth, MaxTreeDepth); ++level)
        boxes = boxes * 3 + 1;
    return boxes;
}

void DrawTree(const TreeVariables& variables)
{
    const TreeParams params = ReadParams(variables);
    DrawTreeLiteral(params);
}

} // namespace quv
