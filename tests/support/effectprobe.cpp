#include "tests/support/effectprobe.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv::test {

EffectProbe::EffectProbe(std::string_view type) : class_(FindEffectClass(type))
{
    if (class_ == nullptr) {
        ADD_FAILURE() << "effect type not registered: " << type;
        return;
    }
    class_->DefineFields(fields_);
    for (FieldNode* n = fields_; n != nullptr; n = n->next)
        *n->field->target = 0.0;
}

void EffectProbe::Set(std::string_view field, double value)
{
    for (FieldNode* n = fields_; n != nullptr; n = n->next)
        if (FieldName(*n->field) == field) {
            *n->field->target = value;
            return;
        }
    ADD_FAILURE() << "no field " << field;
}

void EffectProbe::Render() const
{
    if (class_ != nullptr)
        class_->Render();
}

std::vector<std::string> EffectProbe::FieldNames() const
{
    std::vector<std::string> names;
    for (FieldNode* n = fields_; n != nullptr; n = n->next)
        names.push_back(FieldName(*n->field));
    return names;
}

Feedback CaptureFeedback(const std::function<void()>& draw, size_t floats)
{
    std::vector<GLfloat> buffer(floats);
    glFeedbackBuffer(static_cast<GLsizei>(floats), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    Feedback result;
    if (used < 0) {
        result.overflowed = true;
        return result;
    }
    size_t i = 0;
    const size_t end = static_cast<size_t>(used);
    auto vertex = [&] {
        FeedbackVertex v{};
        if (i + 7 <= end)
            v = {buffer[i],     buffer[i + 1], buffer[i + 2], buffer[i + 3],
                 buffer[i + 4], buffer[i + 5], buffer[i + 6]};
        i += 7;
        return v;
    };
    while (i < end) {
        const auto token = static_cast<GLint>(buffer[i++]);
        if (token == GL_POLYGON_TOKEN) {
            const auto n = static_cast<size_t>(buffer[i++]);
            std::vector<FeedbackVertex> polygon;
            for (size_t k = 0; k < n; ++k)
                polygon.push_back(vertex());
            result.polygons.push_back(std::move(polygon));
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            std::vector<FeedbackVertex> line{vertex()};
            line.push_back(vertex());
            result.lines.push_back(std::move(line));
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
        } else {
            vertex(); // points, bitmaps and pixel rectangles carry one vertex
        }
    }
    return result;
}

double DifferingShare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                      int32_t tolerance)
{
    if (a.size() != b.size() || a.empty())
        return 1.0;
    size_t differing = 0;
    for (size_t p = 0; p + 3 < a.size(); p += 4)
        for (size_t c = 0; c < 4; ++c)
            if (std::abs(int32_t{a[p + c]} - int32_t{b[p + c]}) > tolerance) {
                ++differing;
                break;
            }
    return static_cast<double>(differing) / static_cast<double>(a.size() / 4);
}

} // namespace quv::test
