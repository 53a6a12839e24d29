#include "engine/framebudget.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/fieldcaps.h"
#include "engine/numeric.h"

namespace quv {

namespace {
bool inFrame = false;
int64_t spent = 0;
} // namespace

int64_t KaleidoHexagons(double d)
{
    if (!(d > 0.0))
        return 0;
    return (2 * int64_t{TruncInt(d * 1.5 * 2.0)} + 1) * (2 * int64_t{TruncInt(d * 1.5)} + 1);
}

int64_t MengerWork(int32_t level)
{
    int64_t power = 1;
    for (int32_t i = 0; i < std::min(level, MengerLevelCap); ++i)
        power *= 6;
    return 26 * (power - 1) / 5 + power;
}

int64_t TreeWork(int32_t depth)
{
    int64_t boxes = 1;
    for (int32_t level = 1; level <= std::min(depth, TreeDepthCap); ++level)
        boxes = boxes * 3 + 1;
    return boxes;
}

int64_t RingWork(int32_t cubes)
{
    return (std::clamp(cubes, 0, RingCubeCap) + 3) / 4;
}

std::optional<int32_t> AffordableCount(int32_t wanted, int64_t (*work)(int32_t))
{
    const int64_t left = FrameWorkLeft();
    for (int32_t count = wanted; count >= 0; --count)
        if (work(count) <= left)
            return count;
    if (wanted < 0 && work(wanted) <= left)
        return wanted;
    return std::nullopt;
}

int64_t FieldWork(std::string_view type, std::string_view field, double value)
{
    const FieldCap* cap = FindFieldCap(type, field);
    if (cap == nullptr || !(value > 0.0))
        return 0;
    const double capped = std::min(value, cap->cap);
    if (type == "Kaleido 01")
        return KaleidoHexagons(capped);
    if (field == "Factor") // the blurs: sqrt(Factor / 640 x 640) passes
        return int64_t{TruncInt(std::sqrt(capped))} * BlurPassWork;
    if (field == "Menger Level")
        return MengerWork(TruncInt(capped));
    if (type == "Fa6")
        return 6 * TreeWork(TruncInt(capped)); // a star of six trees
    if (type == "Fa")
        return TreeWork(TruncInt(capped));
    if (field == "Cube Number") // the rings
        return RingWork(TruncInt(capped));
    return 0;
}

int64_t InstanceWork(std::string_view type)
{
    // Measured with `quvplayer render --bench --per-instance` at 640 x 480, each rounded up with a
    // margin: the usual cost where the fields cannot make a Render much dearer (the effects that
    // fill or copy the view once), the dearest found where they can (sprites and cubes scaled to
    // cover the view many times over).
    constexpr int64_t FullViewPass = 300; // "Color Fade": 0.86 ms
    struct Cost {
        std::string_view type;
        int64_t work;
    };
    static constexpr Cost Costs[] = {
        {"Blob Stuff 02", 9'000},   // 18 ms with its cubes over the view
        {"Blob Stuff 01", 30'000},  // 70 ms with its largest cubes over the view
        {"Csillagkod", 36'000},     // 513 stars: 110 ms scaled to cover the view, 3 ms as shown
        {"RenderTarget Copy", 200}, // 0.6 ms
        {"RGB Horizontal Offset 01", 1'200}, // 3.7 ms
        {"Side Noise 01", 900},              // 2.3 ms
        {"GFX Module 01", FullViewPass},     // one sprite: at most the view
        {"RenderTarget Show", 400},          // 1.2 ms
        {"Blur", 2 * FullViewPass},          // besides its passes: the copies and the fade
        {"RGB Noise", 400},                  // 1.1 ms
        {"Wash Vertical", 2 * FullViewPass},
        {"Blur Vertical", 2 * FullViewPass},
        {"Blur Horizontal", 2 * FullViewPass},
        {"Blur 01", 2 * FullViewPass},
        {"Color Fade", FullViewPass},
        {"RenderTarget Show with Blend", 450}, // 1.35 ms
        {"Kaleido 01", FullViewPass},          // besides its hexagons
        {"Fa6", FullViewPass},                 // besides their boxes and cubes
        {"Fa", FullViewPass},
        {"Kocka Karika Cso", FullViewPass},
        {"Kocka Karika", FullViewPass},
        {"MengerF\xE9tis 01", FullViewPass},
        {"Csavarodos kockacucc", 6'000}, // 8 ms as shown, 15 ms over the view
        {"OpenGL Clear", 75},            // 0.22 ms
    };
    for (const Cost& cost : Costs)
        if (cost.type == type)
            return cost.work;
    return 0;
}

void BeginFrameWork()
{
    inFrame = true;
    spent = 0;
}

void EndFrameWork()
{
    inFrame = false;
}

int64_t FrameWorkLeft()
{
    return inFrame ? std::max<int64_t>(FrameWorkAllowance - spent, 0)
                   : std::numeric_limits<int64_t>::max();
}

void SpendFrameWork(int64_t units)
{
    if (units > 0)
        spent = std::min(spent + units, std::numeric_limits<int64_t>::max() / 2);
}

int64_t FrameWorkSpent()
{
    return spent;
}

} // namespace quv
