// Frames of "Fa" at depth 10 and "Fa6" at depth 8, 640 x 480 headless, literal path (path:1),
// default path (path:0) and the default path submitting nothing (path:2: our own share of its
// time).

#include "bench/glbench.h"

namespace quv {
namespace {

void BM_Fa(benchmark::State& state)
{
    bench::Context();
    bench::Effect fa("Fa");
    fa.Set("Cube Number", static_cast<double>(state.range(1)));
    fa.Set("Phase", 1);
    fa.Set("Cube Size Min", 30);
    fa.Set("Cube Size Max", 20);
    bench::RunFrames(state, state.range(0), [&] {
        bench::SceneLight();
        glTranslatef(0, -1.5f, -3.2f);
        fa.Render();
    });
}
BENCHMARK(BM_Fa)
    ->ArgNames({"path", "depth"})
    ->Args({1, 10})
    ->Args({0, 10})
    ->Args({2, 10})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_Fa6(benchmark::State& state)
{
    bench::Context();
    bench::Effect fa6("Fa6");
    fa6.Set("Level", static_cast<double>(state.range(1)));
    fa6.Set("Phase", 1);
    fa6.Set("Kihajlas", 30);
    fa6.Set("Rotation", 20);
    bench::RunFrames(state, state.range(0), [&] {
        bench::SceneLight();
        glTranslatef(0, 0, -5.5f);
        glRotatef(25, 1, 1, 0);
        fa6.Render();
    });
}
BENCHMARK(BM_Fa6)
    ->ArgNames({"path", "depth"})
    ->Args({1, 8})
    ->Args({0, 8})
    ->Args({2, 8})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace quv
