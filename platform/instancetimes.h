#pragma once
// Where a frame's time goes, instance by instance: `quvplayer render --bench --per-instance`
// times each active instance's Render and prints, for every instance of the Timeline, its total,
// mean and worst time over the range as a table, the most expensive first.
//
//   InstanceTimes times;          // one row per instance of the loaded Timeline, in file order
//   times.Record(handle, ms);     // after each Render (no allocation)
//   std::fputs(times.Table().c_str(), stdout);

#include <string>
#include <unordered_map>
#include <vector>

namespace quv {

struct EffectHandle;

class InstanceTimes {
public:
    struct Row {
        const EffectHandle* handle = nullptr;
        long frames = 0;      // frames the instance was drawn in
        double totalMs = 0.0; // the sum of its Render times
        double worstMs = 0.0; // its slowest Render
    };

    // One row for each instance of the Timeline that begins at head, in file order.
    explicit InstanceTimes(const EffectHandle* head);

    // Adds one Render's time to the instance's row; an instance not in the Timeline is ignored.
    void Record(const EffectHandle& handle, double ms);

    // The rows, the largest total first; instances with equal totals (those never drawn) stay in
    // file order.
    std::vector<Row> Sorted() const;

    // The table: a header line, then one line per instance with its total, mean and worst time
    // in ms, the frames it was drawn in, its start time, type and label. An instance the range
    // never drew shows dashes for its times.
    std::string Table() const;

private:
    std::vector<Row> rows_;
    std::unordered_map<const EffectHandle*, size_t> index_;
};

} // namespace quv
