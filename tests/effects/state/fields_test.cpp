#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "effects/moduleinit.h"

namespace quv {
namespace {

struct FieldDef {
    std::string name;
    double lower, def, upper;
};

void ExpectFields(const std::string& type, const std::vector<FieldDef>& expected)
{
    EffectClass* effectClass = FindEffectClass(type);
    ASSERT_NE(effectClass, nullptr) << type;
    FieldNode* node = nullptr;
    effectClass->DefineFields(node);
    size_t i = 0;
    for (; node != nullptr; node = node->next, ++i) {
        ASSERT_LT(i, expected.size()) << type << " has too many fields";
        const EffectField& f = *node->field;
        EXPECT_EQ(FieldName(f), expected[i].name) << type;
        EXPECT_EQ(f.lowerBound, expected[i].lower) << type << " " << expected[i].name;
        EXPECT_EQ(f.defaultValue, expected[i].def) << type << " " << expected[i].name;
        EXPECT_EQ(f.upperBound, expected[i].upper) << type << " " << expected[i].name;
        EXPECT_NE(f.target, nullptr);
    }
    EXPECT_EQ(i, expected.size()) << type;
}

// Demo files select fields by position, so names, order and bounds must match the authoring
// tool's exactly, unused fields included.
TEST(StateEffects, FieldsInDefinitionOrder)
{
    InitialiseModules();
    ExpectFields("OpenGL Camera", {{"Eye X", -100, 0, 100},
                                   {"Eye Y", -100, 0, 100},
                                   {"Eye Z", -100, 0, 100},
                                   {"Target X", -100, 0, 100},
                                   {"Target Y", -100, 0, 100},
                                   {"Target Z", -100, 0, 100},
                                   {"Up X", -1, 0, 1},
                                   {"Up Y", -1, 1, 1},
                                   {"Up Z", -1, 0, 1}});
    ExpectFields("OpenGL FOV", {{"FOV", 0, 90, 180}});
    ExpectFields("OpenGL Light", {{"Light Number", 0, 0, 7},
                                  {"Enabled", 0, 1, 1},
                                  {"Pos X", -16, 0, 16},
                                  {"Pos Y", -16, 0, 16},
                                  {"Pos Z", -16, 0, 16},
                                  {"Ambient R", 0, 0, 1},
                                  {"Ambient G", 0, 0, 1},
                                  {"Ambient B", 0, 0, 1},
                                  {"Ambient A", 0, 0, 1},
                                  {"Diffuse R", 0, 0.5, 1},
                                  {"Diffuse G", 0, 0.5, 1},
                                  {"Diffuse B", 0, 0.5, 1},
                                  {"Diffuse A", 0, 1, 1}});
    ExpectFields("OpenGL Move",
                 {{"Move X", -100, 0, 100}, {"Move Y", -100, 0, 100}, {"Move Z", -100, 0, 100}});
    ExpectFields(
        "OpenGL Rotate",
        {{"Rotate X", -360, 0, 360}, {"Rotate Y", -360, 0, 360}, {"Rotate Z", -360, 0, 360}});
    ExpectFields("OpenGL Scale", {{"Scale factor", 0, 1, 2}});
    ExpectFields("OpenGL Scale XYZ",
                 {{"Scale X", 0, 1, 2}, {"Scale Y", 0, 1, 2}, {"Scale Z", 0, 1, 2}});
    ExpectFields("OpenGL Push Matrix", {{"Matrix", 0, 0, 1}});
    ExpectFields("OpenGL Pop Matrix", {{"Matrix", 0, 0, 1}});
    FreeEffectFields();
}

TEST(CubeEffects, FieldsInDefinitionOrder)
{
    InitialiseModules();
    ExpectFields("Csavarodos kockacucc", {{"wtf", 0, 0, 100},
                                          {"Cube Size Min", 0, 0, 100},
                                          {"Cube Size Max", 0, 1, 100},
                                          {"Cube Number", 0, 0, 10000},
                                          {"Angle Y", -360, 0, 360},
                                          {"Angle Z", -360, 0, 360},
                                          {"Phase", -1, 0, 1}});
    ExpectFields("MengerF\xE9tis 01", {{"Menger Level", 0, 0, 4},
                                       {"Rotate Level", 0, 0, 100},
                                       {"Random seed", 0, 1, 128},
                                       {"Cube Number", 0, 0, 10000},
                                       {"Angle Y", -360, 0, 360},
                                       {"Angle Z", -360, 0, 360},
                                       {"Phase", -1000, 0, 1000},
                                       {"Rotate 1", -45, 0, 45},
                                       {"Rotate 2", -45, 0, 45},
                                       {"Rotate 3", -45, 0, 45},
                                       {"Rotate 4", -45, 0, 45},
                                       {"Rotate 5", -45, 0, 45}});
    for (const bool tube : {false, true})
        ExpectFields(
            tube ? "Kocka Karika Cso" : "Kocka Karika",
            {{"Cube Number", 0, 0, 4096},
             tube ? FieldDef{"Tunnel Strech", 0, 0, 128} : FieldDef{"Cube Size Min", 0, 0, 1},
             {"Cube Size Max", 0, 1, 1},
             {"Cube Rotation", 0, 1, 1},
             {"Circle Radius", 0, 0, 16},
             {"Section Phase", 0, 0, 360},
             {"Section Width", 0, 0, 360},
             {"Section Attenuation", 0, 1, 1}});
    FreeEffectFields();
}

} // namespace
} // namespace quv
