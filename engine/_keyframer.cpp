#include "engine/_keyframer.h"

#include <algorithm>
#include <limits>

#include "engine/_effectfield.h"

namespace quv {

namespace {

constexpr double NegativeInfinity = -std::numeric_limits<double>::infinity();

double ClampSteps(double steps)
{
    // NaN also becomes 1.
    if (!(steps >= 1.0))
        return 1.0;
    return steps > MaxCurveSteps ? MaxCurveSteps : steps;
}

// Where a curve's sampling starts: at s = 0 from K0, or at a remembered interval.
struct SampleStart {
    double s;
    double cx, cy;
    double prefixEnd; // largest end of the intervals before this start
};

struct SampleHit {
    double value;
    SampleStart at; // the interval examined last: the one that contained t, or the last one
    bool resumable;
};

// The sampling loop. Intervals run from each sample to the next; the first that contains t
// gives the value. Returns where the search found t so that a later search can start there.
SampleHit Sample(double t, double x0, double y0, double x1, double y1, double x2, double y2,
                 double x3, double y3, double steps, SampleStart start)
{
    const double step = 1.0 / ClampSteps(steps);
    double s = start.s;
    double cx = start.cx;
    double cy = start.cy;
    double prefixEnd = start.prefixEnd;
    SampleStart last = start;
    while (s <= 1.0) {
        const double px = cx;
        const double py = cy;
        last = {s, px, py, prefixEnd};
        const double s2 = s * s;
        const double s3 = s2 * s;
        const double b0 = -s3 + 3 * s2 - 3 * s + 1;
        const double b1 = 3 * s3 - 6 * s2 + 3 * s;
        const double b2 = -3 * s3 + 3 * s2;
        const double b3 = s3;
        cx = b0 * x0 + b1 * x1 + b2 * x2 + b3 * x3;
        cy = b0 * y0 + b1 * y1 + b2 * y2 + b3 * y3;
        if (px <= t && t < cx)
            return {py + (py - cy) / (px - cx) * (t - px), {s, px, py, prefixEnd}, true};
        prefixEnd = std::max(prefixEnd, cx);
        s = s + step;
    }
    // The last sample may fall just short of K3: the closing step runs straight to it.
    if (cx <= t && t < x3)
        return {cy + (cy - y3) / (cx - x3) * (t - cx), last, s > start.s};
    return {y0, {}, false};
}

// One walk of the track from `node`, with the state the walk from the head had on reaching it.
// When `cursor` is set, remembers where the walk stopped.
double Walk(const Keyframe* node, double result, bool examined, double prefixEnd, double t,
            TrackCursor* cursor)
{
    while (node != nullptr && node->next != nullptr) {
        const Keyframe* next = node->next;
        switch (node->InterpolationKind) {
        case KindConst:
        case KindLinear: {
            result = 0.0;
            if (node->time <= t && t < next->time) {
                if (cursor != nullptr) {
                    cursor->node = node;
                    cursor->prefixEnd = prefixEnd;
                    cursor->examined = examined;
                }
                if (node->InterpolationKind == KindConst)
                    return node->value;
                const double span = next->time - node->time;
                if (span == 0.0)
                    return node->value;
                return node->value + (next->value - node->value) / span * (t - node->time);
            }
            examined = true;
            prefixEnd = std::max(prefixEnd, next->time);
            node = next;
            break;
        }
        case KindBezierCusp:
        case KindBezierSmooth:
        case KindBezierSymmetrical: {
            const Keyframe* k1 = next;
            const Keyframe* k2 = k1->next;
            const Keyframe* k3 = k2 != nullptr ? k2->next : nullptr;
            // A curve key needs three keys after it; without them the walk ends here.
            if (k3 == nullptr) {
                if (cursor != nullptr) {
                    cursor->node = node;
                    cursor->prefixEnd = prefixEnd;
                    cursor->examined = examined;
                }
                return examined ? 0.0 : result;
            }
            result = 0.0;
            if (node->time <= t && t < k3->time) {
                if (cursor != nullptr) {
                    cursor->node = node;
                    cursor->prefixEnd = prefixEnd;
                    cursor->examined = examined;
                }
                if (k3->time - node->time == 0.0)
                    return node->value;
                SampleStart start{0.0, node->time, node->value, NegativeInfinity};
                const bool resume = cursor != nullptr && cursor->curveNode == node &&
                                    t >= cursor->curvePrefixEnd && t >= cursor->curveX;
                if (resume)
                    start = {cursor->curveS, cursor->curveX, cursor->curveY,
                             cursor->curvePrefixEnd};
                const SampleHit hit =
                    Sample(t, node->time, node->value, k1->time, k1->value, k2->time, k2->value,
                           k3->time, k3->value, static_cast<double>(node->CurveSteps), start);
                if (cursor != nullptr) {
                    cursor->curveNode = hit.resumable ? node : nullptr;
                    cursor->curveS = hit.at.s;
                    cursor->curveX = hit.at.cx;
                    cursor->curveY = hit.at.cy;
                    cursor->curvePrefixEnd = hit.at.prefixEnd;
                }
                return hit.value;
            }
            examined = true;
            prefixEnd = std::max(prefixEnd, k3->time);
            node = k3;
            break;
        }
        default:
            node = next;
            break;
        }
    }
    if (cursor != nullptr) {
        cursor->node = node;
        cursor->prefixEnd = prefixEnd;
        cursor->examined = examined;
    }
    if (node == nullptr)
        return 0.0;
    return node->value; // node is the last key
}

} // namespace

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

double EvaluateTrackFromHead(const EffectField& field, double t)
{
    const Keyframe* head = field.track;
    return Walk(head, head != nullptr ? head->value : 0.0, false, NegativeInfinity, t, nullptr);
}

double EvaluateTrack(const EffectField& field, double t)
{
    const Keyframe* head = field.track;
    if (head == nullptr)
        return 0.0;
    TrackCursor& cursor = field.cursor;
    // A walk from the head passes every segment before the cursor's node without stopping
    // exactly when t lies at or after the end of each of them; then it can start at the node.
    if (cursor.head == head && cursor.node != nullptr && t >= cursor.prefixEnd)
        return Walk(cursor.node, cursor.examined ? 0.0 : head->value, cursor.examined,
                    cursor.prefixEnd, t, &cursor);
    cursor = TrackCursor{};
    cursor.head = head;
    return Walk(head, head->value, false, NegativeInfinity, t, &cursor);
}

} // namespace quv
