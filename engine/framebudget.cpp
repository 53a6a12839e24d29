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
