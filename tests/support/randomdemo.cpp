#include "tests/support/randomdemo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string_view>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv::test {

namespace {

// Effect types by kind; each demo draws from all three.
constexpr std::string_view StateTypes[] = {
    "OpenGL Camera",      "OpenGL Light",      "OpenGL Light",     "OpenGL Rotate",
    "OpenGL Move",        "OpenGL Scale",      "OpenGL Scale XYZ", "OpenGL FOV",
    "OpenGL Push Matrix", "OpenGL Pop Matrix", "OpenGL Clear"};
constexpr std::string_view GeometryTypes[] = {
    "Blob Stuff 01",    "Blob Stuff 02",       "Fa", "Fa6", "MengerF\xE9tis 01", "Kocka Karika",
    "Kocka Karika Cso", "Csavarodos kockacucc"};
constexpr std::string_view SpriteTypes[] = {"GFX Module 01", "Csillagkod"};

// Fields that set a recursion depth: their upper bounds (up to 10,000) are clamped by the
// effects to trees of 800,000 boxes, seconds a frame on the literal path. The check draws them
// up to these depths, where a few hundred demos still run in minutes; the heavy scenes' own
// tests draw the deepest levels.
struct DepthCap {
    std::string_view type, field;
    double upper;
};
constexpr DepthCap DepthCaps[] = {{"Fa", "Cube Number", 7}, {"Fa6", "Level", 6}};

// A portable stream of numbers (the standard distributions differ between libraries).
struct Draws {
    std::mt19937_64 engine;
    double Unit() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }
    size_t Below(size_t n) { return static_cast<size_t>(engine() % n); }
};

double FieldValue(Draws& draws, const EffectField& field, double upper)
{
    const double lower = field.lowerBound;
    switch (draws.Below(12)) {
    case 0:
        return lower;
    case 1:
        return upper;
    case 2:
        return std::clamp(field.defaultValue, lower, upper);
    default:
        return lower + draws.Unit() * (upper - lower);
    }
}

// Cameras drawn anywhere in their bounds mostly look past the structures around the origin; half
// of them look at the origin from a distance where the box effects fill the frame.
void AimAtOrigin(Draws& draws, DemoStep& step)
{
    const double distance = 4 + 60 * draws.Unit() * draws.Unit();
    const double z = 2 * draws.Unit() - 1;
    const double turn = 2 * 3.141592653589793 * draws.Unit();
    const double r = std::sqrt(1 - z * z);
    const double eye[3] = {distance * r * std::cos(turn), distance * z,
                           distance * r * std::sin(turn)};
    for (DemoField& field : step.fields) {
        if (field.name.starts_with("Eye "))
            field.value = eye[field.name[4] - 'X'];
        else if (field.name.starts_with("Target "))
            field.value = 0;
    }
}

DemoStep MakeStep(Draws& draws, std::string_view type)
{
    DemoStep step{std::string(type), {}};
    EffectClass* effectClass = FindEffectClass(type);
    if (effectClass == nullptr) {
        ADD_FAILURE() << "effect type not registered: " << type;
        return step;
    }
    FieldNode* head = nullptr;
    effectClass->DefineFields(head);
    for (FieldNode* n = head; n != nullptr; n = n->next) {
        const std::string name = FieldName(*n->field);
        double upper = n->field->upperBound;
        for (const DepthCap& cap : DepthCaps)
            if (cap.type == type && cap.field == name)
                upper = std::min(upper, cap.upper);
        step.fields.push_back({name, n->field->target, FieldValue(draws, *n->field, upper)});
    }
    if (type == "OpenGL Camera" && draws.Below(2) == 0)
        AimAtOrigin(draws, step);
    return step;
}

template <size_t N> std::string_view Pick(Draws& draws, const std::string_view (&types)[N])
{
    return types[draws.Below(N)];
}

} // namespace

RandomDemo MakeRandomDemo(uint64_t seed)
{
    Draws draws{std::mt19937_64(seed)};
    RandomDemo demo{seed, {}};
    if (draws.Below(4) != 0)
        demo.steps.push_back(MakeStep(draws, "OpenGL Clear"));
    const size_t count = 2 + draws.Below(7);
    bool geometry = false;
    for (size_t i = 0; i < count; ++i) {
        const size_t kind = draws.Below(20);
        if (kind < 10) {
            demo.steps.push_back(MakeStep(draws, Pick(draws, StateTypes)));
        } else if (kind < 17) {
            demo.steps.push_back(MakeStep(draws, Pick(draws, GeometryTypes)));
            geometry = true;
        } else {
            demo.steps.push_back(MakeStep(draws, Pick(draws, SpriteTypes)));
        }
    }
    if (!geometry)
        demo.steps.push_back(MakeStep(draws, Pick(draws, GeometryTypes)));
    return demo;
}

std::string Describe(const RandomDemo& demo)
{
    std::string text = "demo of seed " + std::to_string(demo.seed) + ":\n";
    char value[40];
    for (const DemoStep& step : demo.steps) {
        text += "  \"" + step.type + "\"";
        for (const DemoField& field : step.fields) {
            std::snprintf(value, sizeof value, "%.17g", field.value);
            text += " \"" + field.name + "\"=" + value;
        }
        text += "\n";
    }
    return text;
}

void RenderDemo(const RandomDemo& demo)
{
    for (const DemoStep& step : demo.steps) {
        EffectClass* effectClass = FindEffectClass(step.type);
        if (effectClass == nullptr)
            continue;
        for (const DemoField& field : step.fields)
            *field.target = field.value;
        effectClass->Render();
    }
}

} // namespace quv::test
