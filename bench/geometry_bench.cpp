// Frame times of the heavy cube scenes at 640 x 480 headless, on the literal drawing path (the GL
// calls one by one) and the default path (kept geometry, culling, vertex arrays), in one run.
// Counters: median_ms, the whole frame up to glFinish; submit_ms, until the last GL call returns
// (our code and the driver's front end); ours_ms, the time spent in our own mesh code (building
// and culling, no GL calls, as the box module's instrumentation counts it), 0 on the literal
// path; cpu_ms, the CPU time of all threads.

#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

#include "effects/geometry/boxes.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_effectinit.h"
#include "engine/drawpath.h"
#include "effects/moduleinit.h"
#include "engine/_DemoParameters.h"
#include "platform/eglcontext.h"
#include "effects/glview.h"

namespace quv {
namespace {

struct Step {
    EffectClass* effectClass;
    FieldNode* fields;
    std::vector<double> values;
};

Step MakeStep(const char* type, std::vector<double> values)
{
    Step step{FindEffectClass(type), nullptr, std::move(values)};
    step.effectClass->DefineFields(step.fields);
    return step;
}

void RunStep(const Step& step)
{
    auto value = step.values.begin();
    for (FieldNode* node = step.fields; node != nullptr; node = node->next)
        *node->field->target = value != step.values.end() ? *value++ : 0.0;
    step.effectClass->Render();
}

HeadlessContext* Context = nullptr;

bool OpenContext()
{
    if (Context != nullptr)
        return true;
    InitialiseModules();
    Context = new HeadlessContext;
    std::string error;
    if (!Context->Create(640, 480, error)) {
        std::fprintf(stderr, "headless GL context: %s\n", error.c_str());
        return false;
    }
    SetUpScene(640, 480);
    return true;
}

std::vector<Step> SceneSteps(int scene)
{
    std::vector<Step> steps;
    const std::vector<double> light = {0, 1, 20, 30, 40, 0.2, 0.2, 0.2, 1, 0.8, 0.8, 0.8, 1};
    switch (scene) {
    case 0: // the whole column, seen from beside its start
        steps.push_back(MakeStep("OpenGL Camera", {14, 10, -30, 0, 0, 90, 0, 1, 0}));
        steps.push_back(MakeStep("OpenGL Light", light));
        steps.push_back(MakeStep("Csavarodos kockacucc", {0, 40}));
        break;
    case 1: // the level-4 structure, all of it in view
        steps.push_back(MakeStep("OpenGL Camera", {25, 18, 40, 0, 0, 0, 0, 1, 0}));
        steps.push_back(MakeStep("OpenGL Light", light));
        steps.push_back(MakeStep("MengerF\xE9tis 01", {4, 0, 0, 0, 0, 0, 0, 20, -15, 10, 5}));
        break;
    case 2: // 4096 cubes, the whole tunnel seen from outside
        steps.push_back(MakeStep("OpenGL Camera", {40, 20, 60, 0, 60, 0, 0, 1, 0}));
        steps.push_back(MakeStep("OpenGL Light", light));
        steps.push_back(MakeStep("Kocka Karika Cso", {4096, 128, 0, 1, 8}));
        break;
    default: // the same tunnel from inside, looking down it: most of the frame is overdrawn
        steps.push_back(MakeStep("OpenGL Camera", {0, -4, 0, 0, 60, 0, 0, 0, 1}));
        steps.push_back(MakeStep("OpenGL Light", light));
        steps.push_back(MakeStep("Kocka Karika Cso", {4096, 128, 0, 1, 8}));
        break;
    }
    return steps;
}

// CPU time of all threads (ours and the driver's rasteriser threads), steadier than wall time
// on a loaded machine.
double ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void BM_CubeScene(benchmark::State& state)
{
    if (!OpenContext()) {
        state.SkipWithError("no headless GL context");
        return;
    }
    LiteralDrawing = state.range(1) != 0;
    const std::vector<Step> steps = SceneSteps(static_cast<int>(state.range(0)));
    auto frame = [&] {
        ClearScene(0, 0, 0, 1);
        for (const Step& step : steps)
            RunStep(step);
    };
    for (int warm = 0; warm < 3; ++warm) {
        frame();
        glFinish();
    }
    std::vector<double> total, submit, ours, cpu;
    using Clock = std::chrono::steady_clock;
    BoxInstrumentation boxes;
    SetBoxInstrumentation(&boxes);
    for (auto _ : state) {
        boxes.meshNanoseconds = 0;
        const double cpuStart = ProcessCpuMs();
        const auto start = Clock::now();
        frame();
        const auto submitted = Clock::now();
        glFinish();
        const auto done = Clock::now();
        total.push_back(std::chrono::duration<double, std::milli>(done - start).count());
        submit.push_back(std::chrono::duration<double, std::milli>(submitted - start).count());
        ours.push_back(static_cast<double>(boxes.meshNanoseconds) / 1e6);
        cpu.push_back(ProcessCpuMs() - cpuStart);
    }
    state.counters["median_ms"] = Median(total);
    state.counters["submit_ms"] = Median(submit);
    state.counters["ours_ms"] = Median(ours);
    state.counters["cpu_ms"] = Median(cpu);
    SetBoxInstrumentation(nullptr);
    LiteralDrawing = false;
}

void SceneArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"scene", "literal"});
    for (int scene = 0; scene < 4; ++scene)
        for (int literal : {1, 0})
            b->Args({scene, literal});
}

// scene 0: "Csavarodos kockacucc"; 1: "MengerF\xE9tis 01" at level 4; 2 and 3: "Kocka Karika Cso"
// with 4096 cubes, from outside and from inside the tunnel.
BENCHMARK(BM_CubeScene)->Apply(SceneArgs)->Iterations(40)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quv
