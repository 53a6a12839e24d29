#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "effects/geometry/cubering.h"
#include "effects/geometry/tree.h"
#include "effects/moduleinit.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/fieldcaps.h"

namespace quv {
namespace {

TEST(FieldCaps, NameRealFieldsAndTheCapsTheEffectsApply)
{
    InitialiseModules();
    for (const FieldCap& cap : FieldCaps()) {
        SCOPED_TRACE(std::string(cap.type) + " / " + cap.field);
        EffectClass* effectClass = FindEffectClass(cap.type);
        ASSERT_NE(effectClass, nullptr);
        FieldNode* head = nullptr;
        effectClass->DefineFields(head);
        bool found = false;
        for (FieldNode* node = head; node != nullptr; node = node->next)
            found = found || FieldName(*node->field) == cap.field;
        EXPECT_TRUE(found);
        EXPECT_EQ(FindFieldCap(cap.type, cap.field), &cap);
    }
    FreeEffectFields();
    EXPECT_EQ(TreeDepthCap, MaxTreeDepth);
    EXPECT_EQ(RingCubeCap, MaxRingCubes);
    EXPECT_EQ(FindFieldCap("Kaleido 01", "Detail"), nullptr); // the name has its trailing blank
    EXPECT_EQ(FindFieldCap("OpenGL Clear", "Red"), nullptr);
}

TEST(FieldCaps, ProblemNamesInstanceFieldValueAndCap)
{
    EXPECT_EQ(FieldCapProblem("Kaleido 01", "tiles", "Detail ", 1e9),
              "\"Kaleido 01\" (label \"tiles\") field \"Detail \": key value 1e+09 is above the "
              "cap 128; it is drawn as 128");
    EXPECT_EQ(FieldCapProblem("Blur 01", "b", "Factor", HUGE_VAL),
              "\"Blur 01\" (label \"b\") field \"Factor\": key value inf is above the cap 16384; "
              "it is drawn as 16384");
    // At the cap, below it, NaN (drawn as 0) and fields without a cap: nothing to say.
    EXPECT_EQ(FieldCapProblem("Kaleido 01", "", "Detail ", KaleidoDetailCap), std::nullopt);
    EXPECT_EQ(FieldCapProblem("Blur", "", "Factor", -HUGE_VAL), std::nullopt);
    EXPECT_EQ(FieldCapProblem("Blur", "", "Factor", std::nan("")), std::nullopt);
    EXPECT_EQ(FieldCapProblem("Blur", "", "Detail ", 1e300), std::nullopt);
    // Counts the effect truncates are compared truncated: 6.9 draws as level 6.
    EXPECT_EQ(FieldCapProblem("MengerF\xE9tis 01", "", "Menger Level", 6.9), std::nullopt);
    EXPECT_EQ(FieldCapProblem("MengerF\xE9tis 01", "m", "Menger Level", 7),
              "\"MengerF\xE9tis 01\" (label \"m\") field \"Menger Level\": key value 7 is above "
              "the cap 6; it is drawn as 6");
}

} // namespace
} // namespace quv
