#pragma once
// Test support for the state and cube effects: runs an effect's Render with given field values,
// and captures the triangles it emits through GL feedback mode, mapped back to the coordinates
// of the frame the effect was drawn in.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv::test {

using Vec3 = std::array<double, 3>;

// Fresh field list of a registered type (the fields are freed with the Timeline's).
inline FieldNode* FieldsOf(const std::string& type)
{
    EffectClass* effectClass = FindEffectClass(type);
    if (effectClass == nullptr) {
        ADD_FAILURE() << "no effect type " << type;
        return nullptr;
    }
    FieldNode* head = nullptr;
    effectClass->DefineFields(head);
    return head;
}

// Writes values to the type's fields in DefineFields order (the rest get 0, as fields without
// keys do) and calls its Render.
inline void RunEffect(const std::string& type, std::initializer_list<double> values)
{
    FieldNode* node = FieldsOf(type);
    auto value = values.begin();
    for (; node != nullptr; node = node->next)
        *node->field->target = value != values.end() ? *value++ : 0.0;
    EXPECT_EQ(value, values.end()) << type << " has fewer fields than values given";
    FindEffectClass(type)->Render();
}

// An effect with its field values, set up once, then rendered without allocating.
class PreparedEffect {
public:
    PreparedEffect(const std::string& type, std::initializer_list<double> values)
        : effectClass_(FindEffectClass(type)), fields_(FieldsOf(type)), values_(values)
    {
    }
    void Render() const
    {
        auto value = values_.begin();
        for (FieldNode* node = fields_; node != nullptr; node = node->next)
            *node->field->target = value != values_.end() ? *value++ : 0.0;
        effectClass_->Render();
    }

private:
    EffectClass* effectClass_;
    FieldNode* fields_;
    std::vector<double> values_;
};

struct Triangle {
    std::array<Vec3, 3> v;
    std::array<float, 4> color; // of the first vertex
};

// An orthographic view of the cube [-extent, extent]^3 over the whole viewport, looked at along a
// generic direction so that no face of an axis-aligned cube is seen edge-on.
class FeedbackView {
public:
    explicit FeedbackView(double extent, int32_t width, int32_t height)
        : extent_(extent), width_(width), height_(height)
    {
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-extent, extent, -extent, extent, -extent, extent);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotated(37.0, 0.3, 0.5, 0.8);
        glGetDoublev(GL_MODELVIEW_MATRIX, view_);
    }

    // Runs draw twice, once with counter-clockwise and once with clockwise front faces, so that
    // back-face culling drops each triangle in exactly one of the runs; returns every triangle in
    // the coordinates of the frame current when draw starts (the view's).
    std::vector<Triangle> Capture(const std::function<void()>& draw, size_t floats = 4u << 20)
    {
        std::vector<Triangle> triangles;
        std::vector<GLfloat> buffer(floats);
        for (const GLenum front : {GL_CCW, GL_CW}) {
            glFrontFace(front);
            glPushMatrix();
            glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
            glRenderMode(GL_FEEDBACK);
            draw();
            const GLint used = glRenderMode(GL_RENDER);
            glPopMatrix();
            EXPECT_GE(used, 0) << "feedback buffer overflow";
            Parse(buffer.data(), used, triangles);
        }
        glFrontFace(GL_CCW);
        return triangles;
    }

private:
    Vec3 Unproject(const GLfloat* p) const
    {
        const double eye[3] = {(p[0] / width_ * 2 - 1) * extent_,
                               (p[1] / height_ * 2 - 1) * extent_, -(p[2] * 2 - 1) * extent_};
        Vec3 out{};
        for (int i = 0; i < 3; ++i) // the view is a rotation: its inverse is its transpose
            out[i] = view_[4 * i] * eye[0] + view_[4 * i + 1] * eye[1] + view_[4 * i + 2] * eye[2];
        return out;
    }

    void Parse(const GLfloat* b, GLint used, std::vector<Triangle>& out) const
    {
        constexpr int vertexFloats = 7; // x, y, z, r, g, b, a
        for (GLint i = 0; i < used;) {
            const auto token = static_cast<GLint>(b[i++]);
            if (token == GL_POLYGON_TOKEN) {
                const auto count = static_cast<GLint>(b[i++]);
                EXPECT_EQ(count, 3) << "clipped or non-triangle polygon";
                Triangle t{};
                for (int k = 0; k < 3 && k < count; ++k)
                    t.v[k] = Unproject(b + i + k * vertexFloats);
                for (int c = 0; c < 4; ++c)
                    t.color[c] = b[i + 3 + c];
                out.push_back(t);
                i += count * vertexFloats;
            } else if (token == GL_PASS_THROUGH_TOKEN) {
                i += 1;
            } else {
                ADD_FAILURE() << "unexpected feedback token " << token;
                return;
            }
        }
    }

    double extent_;
    int32_t width_;
    int32_t height_;
    double view_[16];
};

inline double Distance(const Vec3& a, const Vec3& b)
{
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

// Centre of the vertices of a set of triangles; for whole cubes split into two triangles per
// face, the centre of the cubes.
inline Vec3 Centroid(const std::vector<Triangle>& triangles)
{
    Vec3 sum{};
    for (const Triangle& t : triangles)
        for (const Vec3& v : t.v)
            for (int i = 0; i < 3; ++i)
                sum[i] += v[i];
    const double n = 3.0 * static_cast<double>(triangles.size());
    return {sum[0] / n, sum[1] / n, sum[2] / n};
}

} // namespace quv::test
