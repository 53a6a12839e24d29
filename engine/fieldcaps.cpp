#include "engine/fieldcaps.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quv {

namespace {

constexpr FieldCap Caps[] = {
    {"MengerF\xE9tis 01", "Menger Level", MengerLevelCap, true},
    {"Fa", "Cube Number", TreeDepthCap, true},
    {"Fa6", "Level", TreeDepthCap, true},
    {"Kocka Karika", "Cube Number", RingCubeCap, true},
    {"Kocka Karika Cso", "Cube Number", RingCubeCap, true},
    {"Blur", "Factor", BlurFactorCap, false},
    {"Blur 01", "Factor", BlurFactorCap, false},
    {"Blur Horizontal", "Factor", BlurFactorCap, false},
    {"Blur Vertical", "Factor", BlurFactorCap, false},
    {"Wash Vertical", "Factor", BlurFactorCap, false},
    {"Kaleido 01", "Detail ", KaleidoDetailCap, false},
};

std::string Number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    for (int precision = 1; precision < 17; ++precision) {
        char shorter[32];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, v);
        if (std::strtod(shorter, nullptr) == v)
            return shorter;
    }
    return text;
}

} // namespace

std::span<const FieldCap> FieldCaps()
{
    return Caps;
}

const FieldCap* FindFieldCap(std::string_view type, std::string_view field)
{
    for (const FieldCap& cap : Caps)
        if (type == cap.type && field == cap.field)
            return &cap;
    return nullptr;
}

std::optional<std::string> FieldCapProblem(std::string_view type, std::string_view label,
                                           std::string_view field, double value)
{
    const FieldCap* cap = FindFieldCap(type, field);
    if (cap == nullptr)
        return std::nullopt;
    const double compared = cap->truncated ? std::trunc(value) : value;
    if (!(compared > cap->cap))
        return std::nullopt;
    return "\"" + std::string(type) + "\" (label \"" + std::string(label) + "\") field \"" +
           std::string(field) + "\": key value " + Number(value) + " is above the cap " +
           Number(cap->cap) + "; it is drawn as " + Number(cap->cap);
}

} // namespace quv
