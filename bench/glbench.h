#pragma once
// Benchmark support for effects that draw: a 640 x 480 headless context with the player's
// start-up state, one effect driven directly through its fields, and per-frame timing that tells
// the main thread's CPU time (our code plus the driver's vertex work) from the driver's
// rasteriser threads.

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <string_view>

#include "effects/geometry/boxes.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_effectinit.h"
#include "engine/drawpath.h"
#include "effects/moduleinit.h"
#include "engine/_DemoParameters.h"
#include "platform/eglcontext.h"
#include "effects/glview.h"

namespace quv::bench {

inline HeadlessContext& Context()
{
    static HeadlessContext context;
    if (!context.IsCurrent()) {
        InitialiseModules();
        std::string error;
        if (!context.Create(640, 480, error))
            std::fprintf(stderr, "headless GL context: %s\n", error.c_str());
        SetUpScene(640, 480);
    }
    return context;
}

class Effect {
public:
    explicit Effect(std::string_view type) : class_(FindEffectClass(type))
    {
        if (class_ != nullptr)
            class_->DefineFields(fields_);
        for (FieldNode* n = fields_; n != nullptr; n = n->next)
            *n->field->target = n->field->defaultValue;
    }
    // Writes every field (Render may change its variables) and renders.
    void Render() const
    {
        for (FieldNode* n = fields_; n != nullptr; n = n->next)
            *n->field->target = n->field->defaultValue;
        for (int i = 0; i < count_; ++i)
            *values_[i].field->target = values_[i].value;
        if (class_ != nullptr)
            class_->Render();
    }
    void Set(std::string_view name, double value)
    {
        for (FieldNode* n = fields_; n != nullptr; n = n->next)
            if (FieldName(*n->field) == name)
                values_[count_++] = {n->field, value};
    }

private:
    EffectClass* class_ = nullptr;
    FieldNode* fields_ = nullptr;
    struct Value {
        EffectField* field;
        double value;
    };
    Value values_[16] = {};
    int count_ = 0;
};

inline double Seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// How a benchmark draws: the default path, the literal path, or the default path with nothing
// submitted to GL (our own share of the default path's time).
enum Path { Default = 0, Literal = 1, OursOnly = 2 };

// Times frames of scene(): clear, the scene, glFinish. Reports main-thread and rasteriser-thread
// CPU milliseconds per frame as counters next to the wall time, and on the default path what the
// last streamed box batch did (through the box module's instrumentation).
template <typename Scene> void RunFrames(benchmark::State& state, int64_t path, Scene scene)
{
    Context();
    LiteralDrawing = path == Literal;
    BoxInstrumentation boxes;
    boxes.submitNothing = path == OursOnly;
    SetBoxInstrumentation(&boxes);
    auto frame = [&] {
        ClearScene(0, 0, 0, 1);
        scene();
        glFinish();
    };
    frame(); // the first frame builds whatever the default path keeps
    double mainCpu = 0;
    double allCpu = 0;
    for (auto _ : state) {
        const double thread0 = Seconds(CLOCK_THREAD_CPUTIME_ID);
        const double process0 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
        frame();
        mainCpu += Seconds(CLOCK_THREAD_CPUTIME_ID) - thread0;
        allCpu += Seconds(CLOCK_PROCESS_CPUTIME_ID) - process0;
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["main_ms"] = mainCpu * 1000 / frames;
    state.counters["raster_ms"] = (allCpu - mainCpu) * 1000 / frames;
    if (path != Literal) {
        state.counters["boxes"] = static_cast<double>(boxes.boxes);
        state.counters["drawn_quads"] = static_cast<double>(boxes.quads);
        state.counters["hidden"] = static_cast<double>(boxes.hidden);
        state.counters["outside"] = static_cast<double>(boxes.outside);
    }
    SetBoxInstrumentation(nullptr);
    LiteralDrawing = false;
}

// A lit scene for effects that leave lighting to earlier effects: light 0 on.
inline void SceneLight()
{
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

} // namespace quv::bench
