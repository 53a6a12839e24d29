#pragma once
// Test support: seeded random demos for checking the two drawing paths against each other. A
// demo is a list of effect instances with their field values, drawn in order on one frame: state
// (clear, camera, lights, transforms, matrix pushes and pops), the box effects and the sprites.
// The same seed always gives the same demo, so a failure is replayed from its seed.

#include <cstdint>
#include <string>
#include <vector>

namespace quv::test {

struct DemoField {
    std::string name;
    double* target; // the module variable the field writes
    double value;
};

struct DemoStep {
    std::string type;
    std::vector<DemoField> fields; // every field of the type, in order
};

struct RandomDemo {
    uint64_t seed = 0;
    std::vector<DemoStep> steps;
};

// The effect types must be registered (GlScene does it). Field values lie inside the field's
// bounds; about one in four sits on a bound or the default.
RandomDemo MakeRandomDemo(uint64_t seed);

// The demo as text, one step a line with every field: what a failure message shows.
std::string Describe(const RandomDemo& demo);

// Writes the fields of each step and renders it, as the playback does for each instance.
void RenderDemo(const RandomDemo& demo);

} // namespace quv::test
