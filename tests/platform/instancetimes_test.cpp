// Where a frame's time goes: the probe around each active instance's Render, and the table of
// per-instance times that `render --bench --per-instance` prints.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/_loadsave.h"
#include "engine/playback.h"
#include "platform/instancetimes.h"

namespace quv {
namespace {

std::vector<std::string>* drawn = nullptr;

void RenderA()
{
    drawn->push_back("render a");
}

void RenderB()
{
    drawn->push_back("render b");
}

EffectHandle Handle(const char* type, const char* label, double start, double end, RenderProc r)
{
    EffectHandle h;
    std::strncpy(h.typeName.data(), type, h.typeName.size());
    std::strncpy(h.label.data(), label, h.label.size());
    h.startTime = start;
    h.endTime = end;
    h.Render = r;
    return h;
}

class Recorder final : public RenderProbe {
public:
    void Before(const EffectHandle& h) override { drawn->push_back("before " + Label(h)); }
    void After(const EffectHandle& h) override { drawn->push_back("after " + Label(h)); }
    static std::string Label(const EffectHandle& h) { return h.label.data(); }
};

// The probe sees exactly the instances the plain walk draws, each once, around its Render.
TEST(InstanceTimes, ProbeWrapsEachActiveRenderInFileOrder)
{
    EffectHandle a = Handle("Alpha", "a", 0, 1000, &RenderA);
    EffectHandle b = Handle("Beta", "b", 500, 2000, &RenderB);
    EffectHandle idle = Handle("Alpha", "idle", 3000, 4000, &RenderA);
    a.next = &b;
    b.next = &idle;
    EffectHandle* const saved = Timeline;
    Timeline = &a;
    std::vector<std::string> log;
    drawn = &log;

    Recorder recorder;
    EvaluateTimeline(600.0, recorder);
    EXPECT_EQ(log, (std::vector<std::string>{"before a", "render a", "after a", "before b",
                                             "render b", "after b"}));
    log.clear();
    EvaluateTimeline(600.0);
    EXPECT_EQ(log, (std::vector<std::string>{"render a", "render b"}));
    log.clear();
    EvaluateTimeline(1000.0, recorder); // a has ended: its end is exclusive
    EXPECT_EQ(log, (std::vector<std::string>{"before b", "render b", "after b"}));

    Timeline = saved;
    drawn = nullptr;
}

TEST(InstanceTimes, TableListsEveryInstanceLargestTotalFirst)
{
    EffectHandle a = Handle("OpenGL Clear", "clear", 0, 1000, nullptr);
    EffectHandle b = Handle("Tunnel", "tunnel \xE9t\xE9", 250, 2000, nullptr);
    EffectHandle c = Handle("Stars", "", 3000, 4000, nullptr);
    a.next = &b;
    b.next = &c;
    InstanceTimes times(&a);
    times.Record(a, 1.0);
    times.Record(a, 3.0);
    times.Record(b, 10.0);
    EffectHandle stranger = Handle("Stars", "not loaded", 0, 1, nullptr);
    times.Record(stranger, 100.0); // not in the Timeline: ignored

    const std::vector<InstanceTimes::Row> rows = times.Sorted();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].handle, &b);
    EXPECT_EQ(rows[1].handle, &a);
    EXPECT_EQ(rows[1].frames, 2);
    EXPECT_DOUBLE_EQ(rows[1].totalMs, 4.0);
    EXPECT_DOUBLE_EQ(rows[1].worstMs, 3.0);
    EXPECT_EQ(rows[2].handle, &c);
    EXPECT_EQ(rows[2].frames, 0);

    const std::string table = times.Table();
    EXPECT_EQ(table,
              "  total ms   mean ms  worst ms  frames   start ms  type          label\n"
              "     10.00    10.000    10.000       1        250  Tunnel        \"tunnel "
              "\xC3\xA9t\xC3\xA9\"\n"
              "      4.00     2.000     3.000       2          0  OpenGL Clear  \"clear\"\n"
              "         -         -         -       0       3000  Stars         (no label)\n");
}

} // namespace
} // namespace quv
