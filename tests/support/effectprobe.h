#pragma once
// Test support for geometry effects: drive one registered effect directly (fields written by
// name, Render called), capture what it emits in GL feedback mode, and compare frames.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quv {
struct EffectClass;
struct FieldNode;
} // namespace quv

namespace quv::test {

// One registered effect type with a fresh field list (the types must be registered already,
// which GlScene does). Fields start at 0, as fields with empty tracks evaluate.
class EffectProbe {
public:
    explicit EffectProbe(std::string_view type);
    void Set(std::string_view field, double value);
    void Render() const;
    std::vector<std::string> FieldNames() const;
    const FieldNode* Fields() const { return fields_; }

private:
    EffectClass* class_ = nullptr;
    FieldNode* fields_ = nullptr;
};

struct FeedbackVertex {
    float x, y, z;    // window coordinates
    float r, g, b, a; // colour after lighting
};

struct Feedback {
    std::vector<std::vector<FeedbackVertex>> polygons;
    std::vector<std::vector<FeedbackVertex>> lines;
    bool overflowed = false;
};

// Runs draw in GL_FEEDBACK mode (GL_3D_COLOR) with room for the given number of floats.
Feedback CaptureFeedback(const std::function<void()>& draw, size_t floats);

// Share of pixels that differ by more than tolerance in any channel between two RGBA frames.
double DifferingShare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                      int32_t tolerance);

} // namespace quv::test
