#pragma once
// Helpers for the image-effect tests: run an effect type by name with field values written the
// way playback writes them, paint known pictures into the window and read them back.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_DemoParameters.h"

namespace quv::test {

// An instance of a registered type: every field starts at 0 (what an empty track yields) and
// Render writes them all, in list order, right before calling the type's Render.
class Effect {
public:
    explicit Effect(std::string_view type)
    {
        effectClass_ = FindEffectClass(type);
        EXPECT_NE(effectClass_, nullptr) << type;
        if (effectClass_ != nullptr)
            effectClass_->DefineFields(fields_);
        for (FieldNode* node = fields_; node != nullptr; node = node->next)
            values_.push_back(0.0);
    }

    Effect& Set(std::string_view field, double value)
    {
        size_t i = 0;
        for (FieldNode* node = fields_; node != nullptr; node = node->next, ++i) {
            if (FieldName(*node->field) == field) {
                values_[i] = value;
                return *this;
            }
        }
        ADD_FAILURE() << "no field \"" << field << "\"";
        return *this;
    }

    void Render()
    {
        size_t i = 0;
        for (FieldNode* node = fields_; node != nullptr; node = node->next, ++i)
            *node->field->target = values_[i];
        if (effectClass_ != nullptr)
            effectClass_->Render();
    }

    FieldNode* Fields() const { return fields_; }

    double* Target(std::string_view field) const
    {
        for (FieldNode* node = fields_; node != nullptr; node = node->next)
            if (FieldName(*node->field) == field)
                return node->field->target;
        return nullptr;
    }

private:
    EffectClass* effectClass_ = nullptr;
    FieldNode* fields_ = nullptr;
    std::vector<double> values_;
};

// A window-sized RGBA picture, bottom row first like GL.
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;

    Image(int32_t w, int32_t h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4) {}
    uint8_t* At(int32_t x, int32_t y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    const uint8_t* At(int32_t x, int32_t y) const
    {
        return &rgba[(static_cast<size_t>(y) * width + x) * 4];
    }
    void Fill(const std::function<void(int32_t x, int32_t y, uint8_t* p)>& f)
    {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                f(x, y, At(x, y));
    }
};

inline Image ReadWindow()
{
    const tDemoParameters& p = DemoParameters;
    Image image(p.ScreenWidth, p.ScreenHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
}

// Writes the picture over the whole window, colour and alpha exactly, and leaves the depth test,
// blending and texturing off (the state a Copy-then-Show case wants).
inline void PaintWindow(const Image& image)
{
    glViewport(0, 0, image.width, image.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, image.width, 0.0, image.height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glRasterPos2i(0, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
}

// A picture that varies in every channel across the window, alpha included.
inline Image Pattern(int32_t w, int32_t h)
{
    Image image(w, h);
    image.Fill([w, h](int32_t x, int32_t y, uint8_t* p) {
        p[0] = static_cast<uint8_t>(x * 255 / (w > 1 ? w - 1 : 1));
        p[1] = static_cast<uint8_t>(y * 255 / (h > 1 ? h - 1 : 1));
        p[2] = static_cast<uint8_t>((x * 7 + y * 13) % 256);
        p[3] = static_cast<uint8_t>(255 - (x + y) % 128);
    });
    return image;
}

inline Image Uniform(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    Image image(w, h);
    image.Fill([=](int32_t, int32_t, uint8_t* p) {
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    });
    return image;
}

inline bool InView(int32_t x, int32_t y)
{
    const tDemoParameters& p = DemoParameters;
    return x >= p.ViewportX && x < p.ViewportX + p.ViewportWidth && y >= p.ViewportY &&
           y < p.ViewportY + p.ViewportHeight;
}

// Largest difference of any colour channel (red, green, blue) over the view, leaving out a
// margin of pixels along its edges.
inline int MaxViewDifference(const Image& a, const Image& b, int32_t margin = 0)
{
    const tDemoParameters& p = DemoParameters;
    int worst = 0;
    for (int32_t y = p.ViewportY + margin; y < p.ViewportY + p.ViewportHeight - margin; ++y)
        for (int32_t x = p.ViewportX + margin; x < p.ViewportX + p.ViewportWidth - margin; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int d = std::abs(a.At(x, y)[c] - b.At(x, y)[c]);
                worst = d > worst ? d : worst;
            }
        }
    return worst;
}

} // namespace quv::test
