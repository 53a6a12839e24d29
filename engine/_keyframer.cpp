#include "engine/_keyframer.h"

#include "engine/_effectfield.h"

namespace quv {

const char* InterpolationKindName(uint8_t kind)
{
    switch (kind) {
    case KindConst:
        return "CONST";
    case KindLinear:
        return "LINEAR";
    case KindBezierCusp:
        return "BEZIER CUSP";
    case KindBezierSmooth:
        return "BEZIER SMOOTH";
    case KindBezierSymmetrical:
        return "BEZIER SYMMETRICAL";
    default:
        return nullptr;
    }
}

double SampleCurveSegment(double t, double x0, double y0, double x1, double y1, double x2,
                          double y2, double x3, double y3, double steps)
{
    // Same bound for every caller: see MaxCurveSteps. NaN also becomes 1.
    if (!(steps >= 1.0))
        steps = 1.0;
    else if (steps > MaxCurveSteps)
        steps = MaxCurveSteps;
    const double step = 1.0 / steps;

    double s = 0.0;
    double cx = x0;
    double cy = y0;
    while (s <= 1.0) {
        const double px = cx;
        const double py = cy;
        const double s2 = s * s;
        const double s3 = s2 * s;
        const double b0 = -s3 + 3 * s2 - 3 * s + 1;
        const double b1 = 3 * s3 - 6 * s2 + 3 * s;
        const double b2 = -3 * s3 + 3 * s2;
        const double b3 = s3;
        cx = b0 * x0 + b1 * x1 + b2 * x2 + b3 * x3;
        cy = b0 * y0 + b1 * y1 + b2 * y2 + b3 * y3;
        if (px <= t && t < cx)
            return py + (py - cy) / (px - cx) * (t - px);
        s = s + step;
    }
    // The last sample may fall just short of K3: the closing step runs straight to it.
    if (cx <= t && t < x3)
        return cy + (cy - y3) / (cx - x3) * (t - cx);
    return y0;
}

double EvaluateTrack(const EffectField& field, double t)
{
    const Keyframe* node = field.track;
    double result = node != nullptr ? node->value : 0.0;
    while (node != nullptr && node->next != nullptr) {
        const Keyframe* next = node->next;
        switch (node->InterpolationKind) {
        case KindConst:
            result = 0.0;
            if (node->time <= t && t < next->time)
                return node->value;
            node = next;
            break;
        case KindLinear:
            result = 0.0;
            if (node->time <= t && t < next->time) {
                const double span = next->time - node->time;
                if (span == 0.0)
                    return node->value;
                return node->value + (next->value - node->value) / span * (t - node->time);
            }
            node = next;
            break;
        case KindBezierCusp:
        case KindBezierSmooth:
        case KindBezierSymmetrical: {
            const Keyframe* k1 = next;
            const Keyframe* k2 = k1->next;
            const Keyframe* k3 = k2 != nullptr ? k2->next : nullptr;
            // A curve key needs three keys after it; without them the walk ends here.
            if (k3 == nullptr)
                return result;
            result = 0.0;
            if (node->time <= t && t < k3->time) {
                if (k3->time - node->time == 0.0)
                    return node->value;
                return SampleCurveSegment(t, node->time, node->value, k1->time, k1->value, k2->time,
                                          k2->value, k3->time, k3->value,
                                          static_cast<double>(node->CurveSteps));
            }
            node = k3;
            break;
        }
        default:
            node = next;
            break;
        }
    }
    if (node == nullptr)
        return 0.0;
    return node->value; // node is the last key
}

} // namespace quv
