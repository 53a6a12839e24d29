// The tree of boxes shared by "Fa" and "Fa6". A node of level l carries a segment of length
// L = length * P^sqrt(N - l + 1); above level 0 it forks into three sub-trees at its tip, turned
// by T about y, spread 0, 120 and 240 degrees about y and leaning by B times the level factor
// about z, each a third shorter (1/1.5) before its own factor applies.
//
// The literal path issues the matrix pushes, turns and pops node by node. Those need 4N + 3
// entries of the modelview stack, and GL guarantees only 32, so a tree that would not fit the
// stack replays the same sequence of matrix operations on a CPU stack and loads each segment's
// matrix instead; the picture is the same, only the stack is ours.
//
// The default path uses that every node of a level has the same segment length and the same
// three turns to its children: it composes each segment's frame from a per-level table on the
// CPU and hands all boxes of the tree, in the same order, to the streamed box batch (boxes.h).
// A tree with a box reaching through the near plane is drawn the literal way: clipping there
// magnifies the rounding by which CPU-composed corners differ from GL's.
//
// Sections:
//   ---- Parameters ----                  the fields read, the level factor, colours
//   ---- Literal path ----                GL's matrix stack, or the same operations on a CPU stack
//   ---- Default path: level table ----   rigid frames per level
//   ---- Default path: kept trees ----    box shapes kept between frames, batching
//   ---- Interface ----

#include "effects/geometry/tree.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "effects/geometry/boxes.h"
#include "effects/geometry/cubes.h"
#include "engine/drawpath.h"
#include "engine/framebudget.h"
#include "engine/numeric.h"

namespace quv {

namespace {

// ---- Parameters ----

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

// ---- Literal path ----

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

// The turn glRotate makes, with the tree's own rounding of degrees to radians. The axes are unit
// axes, which RotationMatrix's normalising leaves bit for bit.
Matrix4 Turn(double degrees, double x, double y, double z)
{
    return RotationMatrix(degrees, x, y, z, DegreesToRadians::Folded);
}

// The same node on a CPU matrix: the segment's frame is loaded before its box is drawn.
void CpuStackNode(const TreeParams& p, double level, double length, const Matrix4& frame)
{
    const double factor = LevelFactor(p.phase, p.depth, level);
    const double segment = length * factor;
    if (!std::isfinite(segment))
        return;
    if (level > 0) {
        const Matrix4 fork =
            frame * TranslationMatrix(0.0, segment, 0.0) * Turn(p.twist, 0.0, 1.0, 0.0);
        for (const float spread : Spreads) {
            const Matrix4 spreadFrame = fork * Turn(spread, 0.0, 1.0, 0.0);
            const float bend = static_cast<float>(p.bend * factor);
            CpuStackNode(p, level - 1, segment / 1.5, spreadFrame * Turn(bend, 0.0, 0.0, 1.0));
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
    Matrix4 base;
    glGetDoublev(GL_MODELVIEW_MATRIX, base.m);
    CpuStackNode(p, p.depth, 1.0, base);
    glLoadMatrixd(base.m);
}

// ---- Default path: level table ----

// A rigid frame: rotation columns r[0..2] and origin t.
struct Frame {
    double r[3][3];
    double t[3];
};

Frame Compose(const Frame& a, const Frame& b)
{
    Frame f;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 3; ++i)
            f.r[c][i] = a.r[0][i] * b.r[c][0] + a.r[1][i] * b.r[c][1] + a.r[2][i] * b.r[c][2];
    for (int i = 0; i < 3; ++i)
        f.t[i] = a.r[0][i] * b.t[0] + a.r[1][i] * b.t[1] + a.r[2][i] * b.t[2] + a.t[i];
    return f;
}

Frame ToFrame(const Matrix4& m)
{
    Frame f;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 3; ++i)
            f.r[c][i] = m.m[c * 4 + i];
    for (int i = 0; i < 3; ++i)
        f.t[i] = m.m[12 + i];
    return f;
}

struct Level {
    double level;
    Frame toChild[3];
    float centreY; // DrawBox's arguments, in single precision as it takes them
    float halfSection;
    float halfLength;
};

struct TreeTable {
    Level levels[MaxTreeDepth + 1];
    int32_t count; // levels with a finite segment length, from the root down
};

TreeTable Table;

void BuildTable(const TreeParams& p)
{
    double length = 1.0;
    Table.count = 0;
    for (int32_t d = 0; d <= MaxTreeDepth; ++d) {
        const double level = p.depth - d;
        const double factor = LevelFactor(p.phase, p.depth, level);
        const double segment = length * factor;
        if (!std::isfinite(segment))
            break;
        Level& l = Table.levels[d];
        l.level = level;
        const Matrix4 fork = TranslationMatrix(0.0, segment, 0.0) * Turn(p.twist, 0.0, 1.0, 0.0);
        const float bend = static_cast<float>(p.bend * factor);
        for (int b = 0; b < 3; ++b)
            l.toChild[b] =
                ToFrame(fork * Turn(Spreads[b], 0.0, 1.0, 0.0) * Turn(bend, 0.0, 0.0, 1.0));
        l.centreY = static_cast<float>(segment / 2);
        l.halfSection = static_cast<float>(segment / 8) * 0.5f;
        l.halfLength = static_cast<float>(segment) * 0.5f;
        ++Table.count;
        length = segment / 1.5;
        if (level <= 0)
            break;
    }
}

// ---- Default path: kept trees ----

// The boxes of the last tree drawn, in drawing order, while its fields stay the same ("Fa6"
// draws the same tree six times a frame). Trees above this many boxes are composed afresh.
constexpr int64_t MaxKeptBoxes = 100000;

struct KeptBox {
    BoxShape shape;
    bool leaf;
};

struct KeptTree {
    const TreeVariables* owner = nullptr; // one tree per module that draws trees
    std::vector<KeptBox> boxes;
    TreeParams params{};
    bool valid = false;
};

KeptTree KeptTrees[2];

KeptTree& KeptFor(const TreeVariables* owner)
{
    for (KeptTree& k : KeptTrees)
        if (k.owner == owner)
            return k;
    for (KeptTree& k : KeptTrees)
        if (k.owner == nullptr) {
            k.owner = owner;
            return k;
        }
    KeptTrees[0] = KeptTree{};
    KeptTrees[0].owner = owner;
    return KeptTrees[0];
}

bool SameParams(const TreeParams& a, const TreeParams& b)
{
    return a.depth == b.depth && a.phase == b.phase && a.bend == b.bend && a.twist == b.twist;
}

template <typename Sink> void VisitNode(int32_t d, const Frame& frame, Sink& sink)
{
    const Level& l = Table.levels[d];
    if (l.level > 0 && d + 1 < Table.count)
        for (const Frame& toChild : l.toChild)
            VisitNode(d + 1, Compose(frame, toChild), sink);
    double centre[3];
    double halfEdges[3][3];
    const float half[3] = {l.halfSection, l.halfLength, l.halfSection};
    for (int i = 0; i < 3; ++i) {
        centre[i] = frame.r[1][i] * l.centreY + frame.t[i];
        for (int a = 0; a < 3; ++a)
            halfEdges[a][i] = frame.r[a][i] * half[a];
    }
    sink(centre, halfEdges, frame.r, l.level <= 0);
}

void SetBatchColour(bool leaf)
{
    const float* c = leaf ? LeafColour : InnerColour;
    BatchColour(c[0], c[1], c[2], c[3]);
}

// The default path composes each box's corners on the CPU, which rounds differently from GL's
// own composition of the literal path's matrices. Clipping at the near plane magnifies the
// difference by the box's size over its distance from the eye, enough to move edges by a pixel
// and more for the trees of thousands of units that large phases give. A tree with a box
// reaching through the near plane is therefore drawn the literal way.
bool ReachesThroughNearPlane(const KeptTree& kept, bool keep)
{
    Matrix4 projection;
    Matrix4 modelview;
    glGetDoublev(GL_PROJECTION_MATRIX, projection.m);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview.m);
    const Matrix4 clip = projection * modelview;
    // Distance beyond the near plane, z + w in clip space, as a linear function of the point.
    double plane[4];
    for (int c = 0; c < 4; ++c)
        plane[c] = clip.m[c * 4 + 2] + clip.m[c * 4 + 3];
    // Every box lies within the sum of the segments' lengths and sections of the tree's root.
    double reach = 0;
    for (int32_t d = 0; d < Table.count; ++d)
        reach +=
            2.0 * (std::fabs(Table.levels[d].halfLength) + std::fabs(Table.levels[d].halfSection));
    const double slope = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    const double margin = 1e-6 * (std::fabs(plane[3]) + slope * reach) + 1e-9;
    if (plane[3] - slope * reach > margin)
        return false;
    if (!keep)
        return true;
    for (const KeptBox& box : kept.boxes)
        for (const auto& c : box.shape.corner)
            if (plane[0] * c[0] + plane[1] * c[1] + plane[2] * c[2] + plane[3] <= margin)
                return true;
    return false;
}

void DrawTreeBatched(const TreeParams& p, KeptTree& kept)
{
    const Frame identity = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 0, 0}};
    const bool keep = TreeBoxCount(p.depth) <= MaxKeptBoxes;
    if (!(keep && kept.valid && SameParams(kept.params, p))) {
        BuildTable(p);
        kept.valid = false;
        if (keep) {
            kept.boxes.clear();
            auto store = [&kept](const double* centre, const double(*halfEdges)[3],
                                 const double(*normals)[3], bool leaf) {
                KeptBox box;
                MakeBoxShape(centre, halfEdges, normals, box.shape);
                box.leaf = leaf;
                kept.boxes.push_back(box);
            };
            if (Table.count > 0)
                VisitNode(0, identity, store);
            kept.params = p;
            kept.valid = true;
        }
    }
    if (keep && kept.boxes.empty())
        return;
    if (!keep && Table.count == 0)
        return;
    if (ReachesThroughNearPlane(kept, keep)) {
        DrawTreeLiteral(p);
        return;
    }
    BeginBoxBatch(true);
    if (keep) {
        for (const KeptBox& box : kept.boxes) {
            SetBatchColour(box.leaf);
            BatchShape(box.shape);
        }
    } else {
        auto draw = [](const double* centre, const double(*halfEdges)[3], const double(*normals)[3],
                       bool leaf) {
            SetBatchColour(leaf);
            BatchBox(centre, halfEdges, normals);
        };
        VisitNode(0, identity, draw);
    }
    EndBoxBatch();
    SetSegmentColour(p.depth > 0 ? 1 : 0);
}

} // namespace

// ---- Interface ----

int64_t TreeBoxCount(int32_t depth)
{
    int64_t boxes = 1;
    for (int32_t level = 1; level <= std::min(depth, MaxTreeDepth); ++level)
        boxes = boxes * 3 + 1;
    return boxes;
}

void DrawTree(const TreeVariables& variables)
{
    TreeParams params = ReadParams(variables);
    // The frame's work allowance (engine/framebudget.h) may leave room for a shallower tree
    // only, or for none.
    const std::optional<int32_t> affordable = AffordableCount(params.depth, &TreeWork);
    if (!affordable)
        return;
    params.depth = *affordable;
    SpendFrameWork(TreeWork(params.depth));
    if (LiteralDrawing || !DefaultPathExact())
        DrawTreeLiteral(params);
    else
        DrawTreeBatched(params, KeptFor(&variables));
}

} // namespace quv
