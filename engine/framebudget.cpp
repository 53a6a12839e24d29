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
