#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "effects/geometry/cubering.h"
#include "effects/geometry/tree.h"
#include "effects/moduleinit.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_democheck.h"
#include "engine/_loadsave.h"
#include "engine/fieldcaps.h"
#include "engine/framebudget.h"
#include "tests/support/demobytes.h"

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

TEST(FrameWork, EachCappedFieldWeighsWhatItDraws)
{
    EXPECT_EQ(KaleidoHexagons(1.0), 21);
    EXPECT_EQ(KaleidoHexagons(KaleidoDetailCap), 769 * 385);
    EXPECT_EQ(KaleidoHexagons(0.0), 0);
    EXPECT_EQ(KaleidoHexagons(std::nan("")), 0);
    EXPECT_EQ(FieldWork("Kaleido 01", "Detail ", 1e300), KaleidoHexagons(KaleidoDetailCap));
    EXPECT_EQ(FieldWork("Blur 01", "Factor", 1e300), 128 * BlurPassWork);
    EXPECT_EQ(FieldWork("Wash Vertical", "Factor", 99.0), 9 * BlurPassWork);
    EXPECT_EQ(FieldWork("Blur", "Factor", -5.0), 0);
    EXPECT_EQ(FieldWork("OpenGL Clear", "Red", 1e9), 0);
    EXPECT_EQ(MengerWork(0), 1);
    EXPECT_EQ(MengerWork(2), 26 * 7 + 36);
    EXPECT_EQ(MengerWork(99), MengerWork(MengerLevelCap));
    EXPECT_EQ(TreeWork(-4), 1);
    EXPECT_EQ(TreeWork(3), 40); // (3^4 - 1) / 2
    EXPECT_EQ(TreeWork(10000), 797161);
    EXPECT_EQ(FieldWork("MengerF\xE9tis 01", "Menger Level", 1e9), MengerWork(6));
    EXPECT_EQ(FieldWork("Fa", "Cube Number", 5.9), TreeWork(5));
    EXPECT_EQ(FieldWork("Fa6", "Level", 2.0), 6 * TreeWork(2));
    EXPECT_EQ(FieldWork("Kocka Karika", "Cube Number", 4096.0), 1024);
    EXPECT_EQ(FieldWork("Kocka Karika Cso", "Cube Number", 1e9), RingCubeCap / 4);
    EXPECT_EQ(FieldWork("MengerF\xE9tis 01", "Cube Number", 1e9), 0); // not a loop count
    // One of each at its cap fits the allowance on its own, so a cap still draws as documented;
    // only a whole tree at the depth cap is more than a frame pays for.
    EXPECT_LE(FieldWork("Kaleido 01", "Detail ", 1e9), FrameWorkAllowance);
    EXPECT_LE(FieldWork("Blur", "Factor", 1e9), FrameWorkAllowance);
    EXPECT_LE(FieldWork("MengerF\xE9tis 01", "Menger Level", 1e9), FrameWorkAllowance);
    EXPECT_GT(FieldWork("Fa", "Cube Number", 1e9), FrameWorkAllowance);
    EXPECT_LE(FieldWork("Fa", "Cube Number", 11.0), FrameWorkAllowance);
}

TEST(FrameWork, AffordableCountsStepDownAsTheAllowanceRunsOut)
{
    // Outside a frame everything is affordable.
    EXPECT_EQ(AffordableCount(12, &TreeWork), 12);
    BeginFrameWork();
    EXPECT_EQ(AffordableCount(12, &TreeWork), 11); // 797,161 boxes do not fit, 265,720 do
    SpendFrameWork(FrameWorkAllowance - TreeWork(4));
    EXPECT_EQ(AffordableCount(12, &TreeWork), 4);
    EXPECT_EQ(AffordableCount(-3, &TreeWork), -3); // a count below 0 draws what 0 draws
    SpendFrameWork(TreeWork(4));
    EXPECT_EQ(AffordableCount(6, &MengerWork), std::nullopt); // not even one cube is left
    EXPECT_EQ(AffordableCount(-1, &MengerWork), std::nullopt);
    EndFrameWork();
    EXPECT_EQ(AffordableCount(6, &MengerWork), 6);
}

TEST(FrameWork, CheckReportsTheFrameOverTheAllowance)
{
    InitialiseModules();
    // Three capped Kaleidos: the third is where the allowance runs out, while all three show.
    const auto kaleido = [](test::DemoBytes& demo, double start, double end) {
        demo.Handle("Kaleido 01", start, end, "k" + std::to_string(demo.Size())).FirstField();
        for (int i = 0; i < 7; ++i)
            demo.NextField();
        demo.FirstKey(0.0, 1e9);
    };
    const auto workProblems = [](const test::DemoBytes& demo) {
        std::vector<DemoProblem> found;
        for (const DemoProblem& p : CheckDemoBytes(demo.Bytes(), "k.quv"))
            if (p.text.find("units of work") != std::string::npos)
                found.push_back(p);
        FreeTimeline();
        return found;
    };
    test::DemoBytes together;
    kaleido(together, 0, 3000);
    kaleido(together, 1000, 3000);
    const size_t third = together.Size();
    kaleido(together, 2000, 2500);
    const std::vector<DemoProblem> found = workProblems(together);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].offset, third);
    EXPECT_EQ(found[0].text, "at 2000 ms the instances drawn together ask for 889095 units of "
                             "work in a frame, over the allowance of 600000; from \"Kaleido 01\" "
                             "(label \"k" +
                                 std::to_string(third) +
                                 "\") on they draw with less or not at all");
    // One after the other (an end is the next start), they never share a frame.
    test::DemoBytes apart;
    kaleido(apart, 0, 1000);
    kaleido(apart, 1000, 2000);
    kaleido(apart, 2000, 3000);
    EXPECT_TRUE(workProblems(apart).empty());
    // Instances without capped fields count too: the 2,001st stacked "Color Fade" is the first
    // the allowance cannot pay for. The state instances between them cost nothing.
    test::DemoBytes fades;
    size_t firstSkipped = 0;
    for (int i = 0; i < 2100; ++i) {
        if (i == 2000)
            firstSkipped = fades.Size();
        fades.Handle("Color Fade", 0, 1000, "f");
        fades.Handle("OpenGL Rotate", 0, 1000, "r");
    }
    const std::vector<DemoProblem> stacked = workProblems(fades);
    ASSERT_EQ(stacked.size(), 1u);
    EXPECT_EQ(stacked[0].offset, firstSkipped);
    EXPECT_NE(stacked[0].text.find("ask for 630000 units"), std::string::npos) << stacked[0].text;
}

} // namespace
} // namespace quv
