// Frames of "Blob Stuff 01" at its field defaults and "Blob Stuff 02", 640 x 480 headless,
// literal path (path:1), default path (path:0) and the
// default path submitting nothing (path:2: our own share of its time).

#include "bench/glbench.h"

namespace quv {
namespace {

void BM_BlobStuff01(benchmark::State& state)
{
    bench::Context();
    bench::Effect blob("Blob Stuff 01");
    bench::RunFrames(state, state.range(0), [&] { blob.Render(); });
}
BENCHMARK(BM_BlobStuff01)
    ->ArgName("path")
    ->Arg(1)
    ->Arg(0)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_BlobStuff02(benchmark::State& state)
{
    bench::Context();
    bench::Effect blob("Blob Stuff 02");
    blob.Set("Phase", static_cast<double>(state.range(1)));
    bench::RunFrames(state, state.range(0), [&] { blob.Render(); });
}
BENCHMARK(BM_BlobStuff02)
    ->ArgNames({"path", "phase"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({2, 0})
    ->Args({1, 30})
    ->Args({0, 30})
    ->Args({2, 30})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
} // namespace quv
