#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_keyframer.h"
#include "engine/_loadsave.h"
#include "engine/message.h"
#include "effects/moduleinit.h"
#include "engine/playback.h"
#include "tests/support/demobytes.h"

namespace quv {
namespace {

using test::DemoBytes;

// A test effect type with three fields that records what each Render saw.
double ProbeA = 0, ProbeB = 0, ProbeC = 0;
std::vector<std::vector<double>> renders;

void ProbeRender()
{
    renders.push_back({ProbeA, ProbeB, ProbeC});
}

void ProbeFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("A", &ProbeA, 0, 5, 10)
        .Add("B", &ProbeB, 0, 5, 10)
        .Add("C", &ProbeC, 0, 5, 10);
}

void NoFields(FieldNode*& head)
{
    FieldListBuilder fields(head);
}

class DemoFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        FreeTimeline();
        InitialiseModules();
        RegisterEffect("Probe", &ProbeRender, &ProbeFields);
        RegisterEffect("Probe Without Fields", &ProbeRender, &NoFields);
        renders.clear();
    }
    void TearDown() override { FreeTimeline(); }

    // Loads bytes and returns the DemoFileError text, or "" when the file was accepted.
    static std::string LoadError(const DemoBytes& demo)
    {
        try {
            LoadDemoBytes(demo.Bytes(), "demodata.quv");
        } catch (const DemoFileError& e) {
            return e.what();
        }
        return "";
    }

    static int CountHandles()
    {
        int n = 0;
        for (EffectHandle* h = Timeline; h != nullptr; h = h->next)
            ++n;
        return n;
    }
};

TEST_F(DemoFile, MinimalDemoBuildsOneClearWithItsFourFields)
{
    const DemoBytes demo = test::MinimalClearDemo();
    ASSERT_EQ(demo.Size(), 240u);
    ASSERT_EQ(LoadError(demo), "");
    ASSERT_NE(Timeline, nullptr);
    EXPECT_EQ(Timeline->next, nullptr);
    EXPECT_EQ(Timeline->effectClass, FindEffectClass("OpenGL Clear"));
    EXPECT_EQ(Timeline->Render, Timeline->effectClass->Render);
    EXPECT_EQ(Timeline->startTime, 0.0);
    EXPECT_EQ(Timeline->endTime, 60000.0);
    std::vector<std::string> names;
    for (FieldNode* n = Timeline->fields; n != nullptr; n = n->next)
        names.push_back(FieldName(*n->field));
    EXPECT_EQ(names, (std::vector<std::string>{"Red", "Green", "Blue", "Alpha"}));
    const EffectField& red = *Timeline->fields->field;
    EXPECT_EQ(EvaluateTrack(red, 500.0), 0.5);
    EXPECT_EQ(red.track->next->previous, red.track);
    EXPECT_EQ(Timeline->fields->next->field->track, nullptr);
}

TEST_F(DemoFile, FieldsAreSelectedByPositionAndSkippedTagsReadNothing)
{
    DemoBytes demo;
    demo.Handle("Probe", 0, 100)
        .Tag(0x0400) // unknown tags are passed over without payload
        .FirstField()
        .FirstKey(0, 1)
        .Tag(0x0302)
        .NextField()
        .FirstKey(0, 2)
        .Handle("Probe", 0, 100)
        .FirstField()
        .NextField()
        .FirstKey(0, 3)
        .NextKey(10, 4);
    ASSERT_EQ(LoadError(demo), "");
    ASSERT_EQ(CountHandles(), 2);
    EvaluateTimeline(0.0);
    ASSERT_EQ(renders.size(), 2u);
    // The third field of the first handle has no keys: 0, not its default of 5.
    EXPECT_EQ(renders[0], (std::vector<double>{1, 2, 0}));
    EXPECT_EQ(renders[1], (std::vector<double>{0, 3, 0}));
    // Two handles of one type: distinct fields and tracks, shared target variables.
    EXPECT_NE(Timeline->fields->field, Timeline->next->fields->field);
    EXPECT_EQ(Timeline->fields->field->target, Timeline->next->fields->field->target);
}

TEST_F(DemoFile, NextLinksOfKeysFollowedByAnotherKeyAreReplaced)
{
    DemoBytes demo;
    demo.Handle("Probe", 0, 100, "l", 0)
        .FirstField()
        .Key(0, 1, KindLinear, 0, true, 0xDEADBEEF)
        .Key(100, 3, KindLinear, 0, false, 0);
    ASSERT_EQ(LoadError(demo), "");
    EXPECT_EQ(EvaluateTrack(*Timeline->fields->field, 50.0), 2.0);
}

TEST_F(DemoFile, ActiveFromStartUpToButNotIncludingEnd)
{
    DemoBytes demo;
    demo.Handle("Probe", 1000, 2000).FirstField().FirstKey(0, 1).Handle("Probe", 0, 5000);
    demo.FirstField().FirstKey(0, 2);
    ASSERT_EQ(LoadError(demo), "");
    for (double t : {999.0, 1000.0, 1999.0, 2000.0}) {
        renders.clear();
        EvaluateTimeline(t);
        const bool first = t >= 1000 && t < 2000;
        ASSERT_EQ(renders.size(), first ? 2u : 1u) << t;
        EXPECT_EQ(renders.back()[0], 2.0); // Timeline order is drawing order
        if (first) {
            EXPECT_EQ(renders.front()[0], 1.0);
        }
    }
}

TEST_F(DemoFile, EmptyAndMissingFilesGiveAnEmptyTimeline)
{
    EXPECT_EQ(LoadError(DemoBytes()), "");
    EXPECT_EQ(Timeline, nullptr);
    LoadDemoFile("/nonexistent/demodata.quv");
    EXPECT_EQ(Timeline, nullptr);
}

TEST_F(DemoFile, TruncatedFilesReadBeyondTheEndAndKeepWhatWasRead)
{
    DemoBytes demo = test::MinimalClearDemo();
    demo.Truncate(demo.Size() - 7); // inside the last Keyframe
    const std::string error = LoadError(demo);
    EXPECT_EQ(error.rfind("Read beyond end of file", 0), 0u) << error;
    EXPECT_NE(error.find("demodata.quv, byte 208"), std::string::npos) << error;
    ASSERT_NE(Timeline, nullptr);
    EXPECT_NE(Timeline->fields->field->track, nullptr);
    EXPECT_EQ(Timeline->fields->field->track->next, nullptr);

    DemoBytes oddByte = test::MinimalClearDemo();
    oddByte.Raw({0x01});
    EXPECT_EQ(LoadError(oddByte).rfind("Read beyond end of file", 0), 0u);
    DemoBytes shortHandle;
    shortHandle.Handle("OpenGL Clear", 0, 1).Truncate(100);
    EXPECT_NE(LoadError(shortHandle).find("EffectHandle record needs 168 bytes, 98 are left"),
              std::string::npos);
}

TEST_F(DemoFile, StructurallyInvalidFilesAreRejectedWithOffsets)
{
    struct Case {
        DemoBytes demo;
        std::string message;
    };
    std::vector<Case> cases;
    {
        DemoBytes d;
        d.Tag(0x0101).Raw(std::vector<uint8_t>(168, 0));
        cases.push_back({d, "byte 0): tag 0x0101 (next EffectHandle) comes before any"});
    }
    {
        DemoBytes d;
        d.FirstField();
        cases.push_back({d, "byte 0): tag 0x0200 (first field) comes before any EffectHandle"});
    }
    {
        DemoBytes d;
        d.Handle("Probe", 0, 1).NextField();
        cases.push_back({d, "byte 170): tag 0x0201 (next field) comes before the first field"});
    }
    {
        DemoBytes d;
        d.Handle("Probe", 0, 1).FirstField().NextField().NextField().NextField();
        cases.push_back({d, "byte 176): tag 0x0201 selects a field past the last field of "
                            "\"Probe\""});
    }
    {
        DemoBytes d;
        d.Handle("Probe", 0, 1).FirstKey(0, 1);
        cases.push_back({d, "byte 170): 0x0300 (Keyframe) comes before a field was selected"});
    }
    {
        DemoBytes d;
        d.Handle("Probe", 0, 1).FirstField().NextKey(0, 1);
        cases.push_back({d, "byte 172): tag 0x0301 (next Keyframe) comes before the field's "
                            "first Keyframe"});
    }
    {
        DemoBytes d;
        d.Handle("Probe", 0, 1).FirstField().FirstKey(0, 1).NextField().NextKey(0, 1);
        cases.push_back({d, "comes before the field's first Keyframe"});
    }
    {
        DemoBytes d;
        d.Handle("Probe", 0, 1, "l", 0x1234);
        cases.push_back({d, "byte 0): the last EffectHandle has a non-zero next link"});
    }
    {
        DemoBytes d;
        d.Handle("Probe", 0, 1).FirstField().Key(0, 1, 1, 0, true, 7).NextField();
        cases.push_back({d, "byte 172): the last Keyframe of a track has a non-zero next link"});
    }
    {
        DemoBytes d;
        d.Handle("Probe Without Fields", 0, 1).FirstField();
        cases.push_back({d, "selects a field of \"Probe Without Fields\", which has no fields"});
    }
    for (const Case& c : cases) {
        const std::string error = LoadError(c.demo);
        EXPECT_EQ(error.rfind("Invalid demo file (demodata.quv, ", 0), 0u) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << error << "\nwanted: " << c.message;
    }
}

TEST_F(DemoFile, UnknownEffectTypeShowsTheLabelAndExitsWithOne)
{
    DemoBytes demo;
    demo.Handle("No Such Effect", 0, 1, "my label");
    EXPECT_EXIT(LoadDemoBytes(demo.Bytes(), "demodata.quv"), ::testing::ExitedWithCode(1),
                "Plomarind demo: \\[Load Error\\] Effect not found: my label");
}

std::vector<DemoRecord> AllRecords(const DemoRecords& parsed)
{
    std::vector<DemoRecord> records;
    ForEachDemoRecord(parsed, [&](const DemoRecord& r) {
        records.push_back(r);
        return true;
    });
    return records;
}

TEST(ParseDemoRecords, DecodesFieldsLittleEndianAtTheirOffsets)
{
    DemoBytes demo;
    demo.Handle("MengerF\xE9tis 01", -1.5, 2e9, "label", 0)
        .FirstField()
        .FirstKey(12.25, -3.5, 3, -7);
    const std::vector<uint8_t> bytes = demo.Bytes();
    const DemoRecords parsed = ParseDemoRecords(bytes, "x");
    ASSERT_FALSE(parsed.readError);
    ASSERT_EQ(parsed.recordCount, 3u);
    const std::vector<DemoRecord> records = AllRecords(parsed);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].typeName, "MengerF\xE9tis 01");
    EXPECT_EQ(records[0].startTime, -1.5);
    EXPECT_EQ(records[0].endTime, 2e9);
    EXPECT_EQ(records[1].offset, 170u);
    const DemoRecord& key = records[2];
    EXPECT_EQ(key.time, 12.25);
    EXPECT_EQ(key.value, -3.5);
    EXPECT_EQ(key.kind, 3);
    EXPECT_EQ(key.steps, -7);
    // A type name that fills all 64 bytes is read as 64 characters.
    DemoBytes full;
    full.Handle(std::string(64, 'x'), 0, 1, std::string(64, 'y'));
    const std::vector<uint8_t> fullBytes = full.Bytes();
    const std::vector<DemoRecord> fullRecords = AllRecords(ParseDemoRecords(fullBytes, "x"));
    ASSERT_EQ(fullRecords.size(), 1u);
    EXPECT_EQ(fullRecords[0].typeName, std::string(64, 'x'));
    EXPECT_EQ(fullRecords[0].label, std::string(64, 'y'));
}

} // namespace
} // namespace quv
