// The demo writer and reader, with the text form on top of them.
//
// Sections:
//   Bytes             compiling to the reader's layout, decompiling back, what the reader keeps
//   The three readers the loader, the decompiler and `quvplayer dump` on one file
//   Names             the code page, numbered repeated fields, every field of every type

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_keyframer.h"
#include "engine/_loadsave.h"
#include "engine/message.h"
#include "effects/moduleinit.h"
#include "platform/commands.h"
#include "tests/support/demobytes.h"
#include "tools/demotext.h"
#include "tools/demowriter.h"

namespace quv {
namespace {

std::vector<EffectField*> FieldsOf(const EffectHandle& handle)
{
    std::vector<EffectField*> fields;
    for (FieldNode* node = handle.fields; node != nullptr; node = node->next)
        fields.push_back(node->field);
    return fields;
}

// --- Bytes -------------------------------------------------------------------------------

TEST(DemoText, CompilesToTheReaderLayout)
{
    InitialiseModules();
    // The 240-byte minimal demo, written by hand in the reader's layout.
    const std::vector<uint8_t> bytes = WriteDemoBytes(ParseDemoText(R"({"handles": [
        {"type": "OpenGL Clear", "label": "label", "start": 0, "end": 60000,
         "fields": {"Red": [{"time": 0, "value": 0, "kind": "LINEAR", "steps": 0},
                            [1000, 1, "CONST"]]}}]})",
                                                                    "min.json"));
    EXPECT_EQ(bytes, test::MinimalClearDemo().Bytes());

    // Fields are placed by name: Blue alone is selected third, after two empty selections.
    const std::vector<uint8_t> blue = WriteDemoBytes(ParseDemoText(R"({"handles": [
        {"type": "OpenGL Clear", "start": 5, "end": 6, "fields": {"Blue": [[1, 0.25]]}},
        {"type": "Music Speed", "label": "slow", "start": 0, "end": 1e4,
         "fields": {"Percent": [[0, 50, "BEZIER SMOOTH", 12], [10, 60], [20, 70], [30, 80]]}}]})",
                                                                   "blue.json"));
    test::DemoBytes expected;
    expected.Handle("OpenGL Clear", 5, 6, "")
        .FirstField()
        .NextField()
        .NextField()
        .FirstKey(1, 0.25);
    expected.Handle("Music Speed", 0, 1e4, "slow")
        .FirstField()
        .FirstKey(0, 50, 3, 12)
        .NextKey(10, 60)
        .NextKey(20, 70)
        .NextKey(30, 80);
    EXPECT_EQ(blue, expected.Bytes());

    LoadDemoBytes(blue, "blue.quv");
    ASSERT_NE(Timeline, nullptr);
    const std::vector<EffectField*> clear = FieldsOf(*Timeline);
    ASSERT_EQ(clear.size(), 4u);
    EXPECT_EQ(clear[0]->track, nullptr);
    EXPECT_EQ(clear[1]->track, nullptr);
    ASSERT_NE(clear[2]->track, nullptr);
    EXPECT_EQ(clear[2]->track->value, 0.25);
    EXPECT_EQ(clear[3]->track, nullptr);
    ASSERT_NE(Timeline->next, nullptr);
    EXPECT_EQ(HandleLabel(*Timeline->next), "slow");
    EXPECT_EQ(FieldsOf(*Timeline->next)[0]->track->CurveSteps, 12);
    FreeTimeline();
}

TEST(DemoText, DecompileThenCompileGivesTheSameBytes)
{
    InitialiseModules();
    DemoDocument document;
    DemoHandleRecord clear{"OpenGL Clear", "F\xE9nyes \x80 \x81", -0.0, 1e300, {}};
    clear.fields.resize(4);
    clear.fields[1] = {{0.1, -0.0, 0, 0},
                       {std::numeric_limits<double>::infinity(), 1e-310, 4, -3},
                       {-std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::quiet_NaN(), 9, INT32_MIN}};
    clear.fields[3] = {{123456.789, 2.0 / 3.0, 1, INT32_MAX}};
    document.handles.push_back(clear);
    document.handles.push_back({"Music Speed", std::string(64, 'x'), 0, 1, {}});
    document.handles.push_back({"OpenGL Clear", "", 2, 3, {{{0, 1, 2, 5}}}});

    const std::vector<uint8_t> bytes = WriteDemoBytes(document);
    const std::string text = FormatDemoText(ReadDemoDocument(bytes, "demo.quv"));
    // The undefined byte 0x81 is the C1 control U+0081, written as an escape.
    EXPECT_NE(text.find("\"F\xC3\xA9nyes \xE2\x82\xAC \\u0081\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"kind\": 9"), std::string::npos);
    EXPECT_NE(text.find("\"value\": \"NaN\""), std::string::npos);
    EXPECT_NE(text.find("\"Green\""), std::string::npos);
    // Fields without keys are left out: only the third handle names Red.
    EXPECT_EQ(text.find("\"Red\""), text.rfind("\"Red\""));
    EXPECT_EQ(WriteDemoBytes(ParseDemoText(text, "demo.json")), bytes);
    EXPECT_EQ(FormatDemoText(ParseDemoText(text, "again.json")), text);

    // An empty demo is an empty file and back.
    EXPECT_TRUE(WriteDemoBytes(ParseDemoText("{\"handles\": []}", "e.json")).empty());
    EXPECT_EQ(WriteDemoBytes(ParseDemoText(FormatDemoText({}), "e.json")).size(), 0u);
}

TEST(DemoText, ReadsWhatThePlayerReads)
{
    InitialiseModules();
    // A file the compiler would not write: link words, a skipped tag, a track restarted by a
    // second first-key tag, a trailing selection without keys.
    test::DemoBytes odd;
    odd.Handle("OpenGL Clear", 0, 10, "a", 77).FirstField().FirstKey(0, 1).Tag(0x0400);
    odd.Key(1, 2, 1, 0, true).NextField().NextField();
    odd.Handle("OpenGL Clear", 0, 10, "b");
    const DemoDocument document = ReadDemoDocument(odd.Bytes(), "odd.quv");
    ASSERT_EQ(document.handles.size(), 2u);
    ASSERT_EQ(document.handles[0].fields.size(), 1u);
    ASSERT_EQ(document.handles[0].fields[0].size(), 1u);
    EXPECT_EQ(document.handles[0].fields[0][0].value, 2.0);
    EXPECT_NE(WriteDemoBytes(document), odd.Bytes());

    auto errorOf = [](const test::DemoBytes& bytes) -> std::string {
        try {
            ReadDemoDocument(bytes.Bytes(), "bad.quv");
        } catch (const DemoTextError& error) {
            return error.what();
        }
        return "";
    };
    test::DemoBytes unknown;
    unknown.Handle("No Such Effect", 0, 1, "lbl");
    EXPECT_NE(errorOf(unknown).find("unknown effect type \"No Such Effect\" (label \"lbl\")"),
              std::string::npos);
    test::DemoBytes past;
    past.Handle("Music Speed", 0, 1).FirstField().NextField();
    // The player's own message: the decompiler walks the records as the loader does.
    EXPECT_EQ(errorOf(past), "Invalid demo file (bad.quv, byte 172): tag 0x0201 selects a field "
                             "past the last field of \"Music Speed\"");
    test::DemoBytes truncated = test::MinimalClearDemo();
    truncated.Truncate(239);
    EXPECT_NE(errorOf(truncated).find("Read beyond end of file"), std::string::npos);
    test::DemoBytes early;
    early.Tag(0x0300).Raw(std::vector<uint8_t>(32, 0));
    EXPECT_FALSE(errorOf(early).empty());
}

// --- The three readers -------------------------------------------------------------------

// Runs `quvplayer dump ARGS... --file PATH` and returns what it printed.
std::string DumpOutput(std::vector<std::string> args, const std::string& path)
{
    args.insert(args.begin(), "dump");
    args.insert(args.end(), {"--file", path});
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    ::testing::internal::CaptureStdout();
    RunDump(static_cast<int>(argv.size()), argv.data());
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

TEST(DemoReaders, LoaderDecompilerAndDumpAgreeOnABrokenFile)
{
    InitialiseModules();
    const std::string path =
        (std::filesystem::temp_directory_path() / "quv_demoreaders_test.quv").string();
    struct Case {
        test::DemoBytes demo;
        size_t offset;
    };
    std::vector<Case> cases;
    cases.push_back({test::DemoBytes().Tag(0x0101).Raw(std::vector<uint8_t>(168, 0)), 0});
    cases.push_back({test::DemoBytes().Handle("Music Speed", 0, 1).FirstField().NextField(), 172});
    cases.push_back({test::DemoBytes().Handle("Music Speed", 0, 1).FirstKey(0, 1), 170});
    cases.push_back(
        {test::DemoBytes().Handle("Music Speed", 0, 1).FirstField().Key(0, 1, 1, 0, true, 7), 172});
    cases.push_back({test::DemoBytes().Handle("Music Speed", 0, 1, "l", 3), 0});
    cases.push_back({test::MinimalClearDemo().Truncate(230), 208});
    for (const Case& c : cases) {
        c.demo.WriteTo(path);
        std::string loaded, decompiled;
        try {
            LoadDemoBytes(c.demo.Bytes(), path);
        } catch (const DemoFileError& error) {
            loaded = error.what();
        }
        FreeTimeline();
        try {
            ReadDemoDocument(c.demo.Bytes(), path);
        } catch (const DemoTextError& error) {
            decompiled = error.what();
        }
        SCOPED_TRACE(loaded);
        ASSERT_FALSE(loaded.empty());
        EXPECT_EQ(decompiled, loaded);
        // dump --check names the same problem at the same byte, among any others it finds.
        const std::string invalid =
            "Invalid demo file (" + path + ", byte " + std::to_string(c.offset) + "): ";
        const std::string text =
            loaded.rfind(invalid, 0) == 0 ? loaded.substr(invalid.size()) : loaded;
        const std::string checked = DumpOutput({"--check"}, path);
        EXPECT_NE(checked.find(path + ": byte " + std::to_string(c.offset) + ": " + text + "\n"),
                  std::string::npos)
            << checked;
    }
    std::filesystem::remove(path);
}

TEST(DemoReaders, DumpJsonIsTheDecompiledTextWithItsProblems)
{
    InitialiseModules();
    const std::string path =
        (std::filesystem::temp_directory_path() / "quv_dumpjson_test.quv").string();
    // A Timeline started again by a second 0x0100: the player keeps only the handles after it.
    test::DemoBytes dropped, kept;
    dropped.Handle("OpenGL Clear", 0, 10, "dropped").FirstField().FirstKey(0, 1);
    kept.Handle("Music Speed", 0, 10, "kept").FirstField().FirstKey(0, 50).NextKey(5, 60);
    kept.Handle("OpenGL Clear", 5, 1, "never shows").FirstField().NextField().FirstKey(0, 1);
    test::DemoBytes demo = dropped;
    demo.Raw(kept.Bytes());
    demo.WriteTo(path);

    const std::string json = DumpOutput({"--json"}, path);
    const DemoDocument document = ReadDemoDocument(demo.Bytes(), path);
    ASSERT_EQ(document.handles.size(), 2u);
    EXPECT_EQ(WriteDemoBytes(ParseDemoText(json, "dump.json")), WriteDemoBytes(document));
    EXPECT_EQ(WriteDemoBytes(document), kept.Bytes());
    const std::string text = FormatDemoText(document);
    EXPECT_EQ(json.substr(0, text.size() - 3), text.substr(0, text.size() - 3)) << json;
    EXPECT_NE(json.find("{\"offset\": 206, \"problem\": \"a second 0x0100 tag starts the "
                        "Timeline again; the handles before it are dropped\"}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"OpenGL Clear\\\" starts at 5 ms and ends at 1 ms"), std::string::npos)
        << json;
    std::filesystem::remove(path);
    FreeTimeline();
}

// --- Names -------------------------------------------------------------------------------

TEST(DemoText, WindowsCodePageBothWays)
{
    std::string bytes;
    ASSERT_TRUE(Utf8ToCp1252("MengerF\xC3\xA9tis 01", bytes));
    EXPECT_EQ(bytes, "MengerF\xE9tis 01");
    ASSERT_TRUE(Utf8ToCp1252("\xE2\x82\xAC\xC5\xA1\xC3\xBF", bytes)); // euro, s caron, y umlaut
    EXPECT_EQ(bytes, "\x80\x9A\xFF");
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        ASSERT_TRUE(Utf8ToCp1252(Cp1252ToUtf8(one), bytes)) << b;
        EXPECT_EQ(bytes, one) << b;
    }
    EXPECT_FALSE(Utf8ToCp1252("\xC3", bytes));         // cut short
    EXPECT_FALSE(Utf8ToCp1252("\xC3\x28", bytes));     // bad continuation
    EXPECT_FALSE(Utf8ToCp1252("\xE4\xB8\xAD", bytes)); // not in the code page
    EXPECT_FALSE(Utf8ToCp1252("\xC2\x80", bytes));     // U+0080 is not a byte of it
}

TEST(DemoText, ControlCharactersInLabelsStayEscapedAndRoundTrip)
{
    // ESC, BEL, DEL and the undefined byte 0x9D (a C1 control, OSC, once converted) in a label:
    // the text form holds none of them raw, and reads back to the same bytes.
    InitialiseModules();
    DemoDocument document;
    const std::string label = std::string("a\x1B]0;t\x07\x7F\x9D\xE9");
    document.handles.push_back({"OpenGL Clear", label, 0.0, 1000.0, {}});
    const std::string text = FormatDemoText(document);
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte == '\n' || (byte >= 0x20 && byte != 0x7F)) << int(byte);
    }
    EXPECT_EQ(text.find("\xC2\x9D"), std::string::npos);
    EXPECT_NE(text.find("\"a\\u001b]0;t\\u0007\\u007f\\u009d\xC3\xA9\""), std::string::npos)
        << text;
    const DemoDocument again = ParseDemoText(text, "again.json");
    ASSERT_EQ(again.handles.size(), 1u);
    EXPECT_EQ(again.handles[0].label, label);
}

double RepeatedVariable[3];

void RepeatedDefine(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("-", &RepeatedVariable[0], 0, 0, 0)
        .Add("-", &RepeatedVariable[1], 0, 0, 0)
        .Add("Tail", &RepeatedVariable[2], 0, 0, 1);
}

TEST(DemoText, RepeatedFieldNamesAreNumbered)
{
    InitialiseModules();
    RegisterEffect(
        "Repeated Names", [] {}, &RepeatedDefine);
    EXPECT_EQ(TextFieldNames("Repeated Names"), (std::vector<std::string>{"-", "-#2", "Tail"}));
    const DemoDocument document = ParseDemoText(
        R"({"handles": [{"type": "Repeated Names", "start": 0, "end": 1,
            "fields": {"-#2": [[0, 7]]}}]})",
        "r.json");
    ASSERT_EQ(document.handles[0].fields.size(), 2u);
    EXPECT_TRUE(document.handles[0].fields[0].empty());
    EXPECT_EQ(document.handles[0].fields[1][0].value, 7.0);
    EXPECT_NE(FormatDemoText(document).find("\"-#2\": ["), std::string::npos);
    InitialiseModules();
}

TEST(DemoText, EveryFieldOfEveryTypeIsReachableByName)
{
    InitialiseModules();
    size_t types = 0;
    for (EffectClass* c = EffectClassList; c != nullptr; c = c->next, ++types) {
        const std::string type = ClassName(*c);
        const std::vector<std::string> names = TextFieldNames(type);
        for (size_t f = 0; f < names.size(); ++f) {
            const std::string text = "{\"handles\": [{\"type\": \"" + Cp1252ToUtf8(type) +
                                     "\", \"start\": 0, \"end\": 1, \"fields\": {\"" +
                                     Cp1252ToUtf8(names[f]) + "\": [[0, " + std::to_string(f + 1) +
                                     "]]}}]}";
            SCOPED_TRACE(text);
            LoadDemoBytes(WriteDemoBytes(ParseDemoText(text, "f.json")), "f.quv");
            ASSERT_NE(Timeline, nullptr);
            const std::vector<EffectField*> fields = FieldsOf(*Timeline);
            ASSERT_EQ(fields.size(), names.size());
            for (size_t g = 0; g < fields.size(); ++g) {
                if (g == f) {
                    ASSERT_NE(fields[g]->track, nullptr);
                    EXPECT_EQ(fields[g]->track->value, static_cast<double>(f + 1));
                } else {
                    EXPECT_EQ(fields[g]->track, nullptr);
                }
            }
        }
    }
    EXPECT_EQ(types, 34u);
    FreeTimeline();
}

} // namespace
} // namespace quv
