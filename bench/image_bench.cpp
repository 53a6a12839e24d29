// Cost of the full-screen image effects per frame, rendered headless (llvmpipe) at 640 x 480
// and 1920 x 1080 (a 1440 x 1080 view in 2048 x 2048 textures): each blur at "Factor" 16,
// "Kaleido 01" at "Detail " 8 and a "RenderTarget Copy" + "RenderTarget Show" pair. Wall time
// per frame including glFinish, since the rasteriser works on its own threads. literal:1 takes
// the literal drawing path, literal:0 the default one.

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_effectinit.h"
#include "engine/_loadsave.h"
#include "engine/drawpath.h"
#include "effects/moduleinit.h"
#include "engine/_DemoParameters.h"
#include "platform/eglcontext.h"
#include "effects/glview.h"

namespace quv {
namespace {

// One headless context at a time, remade when the size changes.
HeadlessContext& Context(int32_t width, int32_t height)
{
    static HeadlessContext context;
    if (!context.IsCurrent() || context.Width() != width || context.Height() != height) {
        context.Destroy();
        FreeTimeline();
        InitialiseModules();
        std::string error;
        context.Create(width, height, error);
        SetUpScene(width, height);
    }
    return context;
}

// An effect type with its fields set by name (others 0), written in list order before Render.
struct Instance {
    EffectClass* effectClass = nullptr;
    FieldNode* fields = nullptr;
    std::vector<double> values;

    Instance(const char* type, std::vector<std::pair<std::string, double>> set)
    {
        effectClass = FindEffectClass(type);
        effectClass->DefineFields(fields);
        for (FieldNode* node = fields; node != nullptr; node = node->next) {
            double value = 0.0;
            for (const auto& [name, v] : set)
                if (FieldName(*node->field) == name)
                    value = v;
            values.push_back(value);
        }
    }

    void Render() const
    {
        size_t i = 0;
        for (FieldNode* node = fields; node != nullptr; node = node->next, ++i)
            *node->field->target = values[i];
        effectClass->Render();
    }
};

void RunFrames(benchmark::State& state, const std::vector<Instance>& instances)
{
    LiteralDrawing = state.range(2) != 0;
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (const Instance& instance : instances)
            instance.Render();
        glFinish();
    }
    LiteralDrawing = false;
}

void BM_Blur(benchmark::State& state, const char* type, double factor)
{
    Context(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    RunFrames(state, {Instance(type, {{"Factor", factor}})});
}

void BM_Kaleido(benchmark::State& state)
{
    Context(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    RunFrames(state, {Instance("Kaleido 01", {{"Detail ", 8.0},
                                              {"TexturePoint X2", 0.5},
                                              {"TexturePoint X3", 0.5},
                                              {"TexturePoint Y3", 0.5},
                                              {"Scale X", 1.0},
                                              {"Scale Y", 1.0}})});
}

void BM_CopyShow(benchmark::State& state)
{
    Context(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    RunFrames(state, {Instance("RenderTarget Copy", {{"Destination", 0}}),
                      Instance("RenderTarget Show", {{"Source", 0}, {"Alpha", 1.0}})});
}

// Literal and default frames alternate, so a busy machine slows both alike: the counters give
// the median of each and the median of the per-pair ratios default / literal.
void BM_BlurPaired(benchmark::State& state, const char* type, double factor)
{
    Context(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    const Instance blur(type, {{"Factor", factor}});
    std::vector<double> literalMs, defaultMs, ratios;
    auto frame = [&](bool literal) {
        LiteralDrawing = literal;
        const auto start = std::chrono::steady_clock::now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        blur.Render();
        glFinish();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    for (auto _ : state) {
        const double l = frame(true);
        const double d = frame(false);
        literalMs.push_back(l);
        defaultMs.push_back(d);
        ratios.push_back(d / l);
    }
    LiteralDrawing = false;
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    state.counters["literal_ms"] = median(literalMs);
    state.counters["default_ms"] = median(defaultMs);
    state.counters["ratio"] = median(ratios);
}

void PairedSizes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"w", "h"});
    b->Args({640, 480})->Args({1920, 1080});
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);
}

void Sizes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"w", "h", "literal"});
    for (auto [w, h] : {std::pair{640, 480}, std::pair{1920, 1080}})
        for (int64_t literal : {1, 0})
            b->Args({w, h, literal});
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
}

// "Factor" 16 gives a whole F at both widths (4 and 6), where the last pass is not shown;
// "Factor" 12 (F 3.46 and 5.20) is the general case.
BENCHMARK_CAPTURE(BM_Blur, Blur, "Blur", 16.0)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Blur, Blur01, "Blur 01", 16.0)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Blur, BlurHorizontal, "Blur Horizontal", 16.0)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Blur, BlurVertical, "Blur Vertical", 16.0)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Blur, WashVertical, "Wash Vertical", 16.0)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Blur, Blur01Factor12, "Blur 01", 12.0)->Apply(Sizes);
BENCHMARK(BM_Kaleido)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_BlurPaired, Blur, "Blur", 16.0)->Apply(PairedSizes);
BENCHMARK_CAPTURE(BM_BlurPaired, Blur01, "Blur 01", 16.0)->Apply(PairedSizes);
BENCHMARK_CAPTURE(BM_BlurPaired, BlurHorizontal, "Blur Horizontal", 16.0)->Apply(PairedSizes);
BENCHMARK_CAPTURE(BM_BlurPaired, BlurVertical, "Blur Vertical", 16.0)->Apply(PairedSizes);
BENCHMARK_CAPTURE(BM_BlurPaired, WashVertical, "Wash Vertical", 16.0)->Apply(PairedSizes);
BENCHMARK_CAPTURE(BM_BlurPaired, Blur01Factor12, "Blur 01", 12.0)->Apply(PairedSizes);
BENCHMARK(BM_CopyShow)->Apply(Sizes);

} // namespace
} // namespace quv
