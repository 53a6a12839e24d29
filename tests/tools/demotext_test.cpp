#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/_demorecords.h"
#include "engine/_effectfield.h"
#include "effects/moduleinit.h"
#include "tools/demotext.h"
#include "tools/demowriter.h"

namespace quv {
namespace {

std::string ErrorOf(const std::string& text)
{
    try {
        ParseDemoText(text, "demo.json");
    } catch (const DemoTextError& error) {
        return error.what();
    }
    return "";
}

TEST(DemoText, ErrorsNameTheLocation)
{
    InitialiseModules();
    const std::string clear = R"({"handles": [{"type": "OpenGL Clear", "start": 0, "end": 1, )";
    EXPECT_EQ(ErrorOf(clear + R"("fields": {"Red": [[0, 1]], "Red": []}}]})"),
              "demo.json:1: /handles/0/fields/Red: duplicate key \"Red\" (each name may appear "
              "once)");
    EXPECT_EQ(ErrorOf(clear + R"("fields": {"Rot": [[0, 1]]}}]})"),
              "demo.json:1: /handles/0/fields/Rot: \"OpenGL Clear\" has no field \"Rot\"; its "
              "fields are \"Red\", \"Green\", \"Blue\", \"Alpha\"");
    EXPECT_NE(ErrorOf(clear + R"("fields": {"Red": [[0, 1], [5, 1, "LINEARR"]]}}]})")
                  .find("demo.json:1: /handles/0/fields/Red/1/2: unknown kind \"LINEARR\""),
              std::string::npos);
    EXPECT_NE(ErrorOf(clear + R"("fields": {"Red": [{"time": 0, "value": 1, "kind": 256}]}}]})")
                  .find("/handles/0/fields/Red/0/kind: kind must be"),
              std::string::npos);
    EXPECT_NE(ErrorOf(clear + R"("fields": {"Red": [{"time": 0}]}}]})")
                  .find("/handles/0/fields/Red/0: a key needs a time and a value"),
              std::string::npos);
    EXPECT_NE(ErrorOf(clear + R"("fields": {"Red": [[0, 1, "CONST", 1.5]]}}]})")
                  .find("/handles/0/fields/Red/0/3: steps must be a whole number"),
              std::string::npos);
    EXPECT_EQ(ErrorOf(R"({"handles": [{"type": "Blurr", "start": 0, "end": 1}]})"),
              "demo.json:1: /handles/0/type: unknown effect type \"Blurr\"");
    EXPECT_NE(ErrorOf(R"({"handles": [{"type": "OpenGL Clear", "end": 1}]})")
                  .find("/handles/0: a handle needs a type, a start and an end"),
              std::string::npos);
    EXPECT_NE(ErrorOf(clear + R"("lable": "x"}]})").find("/handles/0/lable: unknown handle member"),
              std::string::npos);
    EXPECT_NE(ErrorOf(clear + R"("label": "\u4e2d"}]})")
                  .find("/handles/0/label: the label \"\xE4\xB8\xAD\" has a character outside "
                        "Windows-1252"),
              std::string::npos);
    EXPECT_NE(ErrorOf(clear + "\"label\": \"" + std::string(65, 'y') + "\"}]}")
                  .find("is 65 bytes long; the file holds at most 64"),
              std::string::npos);
    EXPECT_NE(ErrorOf(R"({"handles": [], "handle": []})").find("/handle: unknown member"),
              std::string::npos);
    EXPECT_NE(ErrorOf("{\"handles\": [\n{\"type\": }]}").find("line 2, column 10"),
              std::string::npos)
        << ErrorOf("{\"handles\": [\n{\"type\": }]}");
    // Lines are counted past comments and strings; a repeated key points at its second place.
    const std::string lines = "// a demo\n{\"handles\": [\n"
                              "  {\"type\": \"OpenGL Clear\", \"label\": \"a /* b\",\n"
                              "   /* two\n lines */ \"start\": 0, \"end\": 1,\n"
                              "   \"fields\": {\"Red\": [[0, 1]],\n"
                              "     \"Green\": [[0, 1],\n"
                              "       [2, 3, \"SPLINE\"]]}}]}\n";
    EXPECT_NE(ErrorOf(lines).find("demo.json:8: /handles/0/fields/Green/1/2: unknown kind"),
              std::string::npos)
        << ErrorOf(lines);
    EXPECT_NE(ErrorOf("{\"handles\": [\n{\"type\": \"OpenGL Clear\",\n\"type\": \"x\"}]}")
                  .find("demo.json:3: /handles/0/type: duplicate key"),
              std::string::npos);
    // Comments are allowed.
    EXPECT_EQ(ErrorOf("// a demo\n{\"handles\": [] /* none */}"), "");
}

TEST(DemoText, ProblemsAreWrittenAfterTheHandlesAndPassedOver)
{
    InitialiseModules();
    DemoDocument document;
    document.handles.push_back({"OpenGL Clear", "x", 0, 1, {{{0, 1, 1, 0}}}});
    const std::string plain = FormatDemoText(document);
    EXPECT_EQ(plain.find("problems"), std::string::npos);

    // Problem texts are Windows-1252 like every message; a read error is kept as it is.
    const std::vector<DemoProblem> problems = {{170, "\"Caf\xE9\" starts at 5 ms", false},
                                               {208,
                                                "Read beyond end of file (r\xC3\xA9"
                                                "d.quv, byte 208: ...)",
                                                true}};
    const std::string text = FormatDemoText(document, problems);
    EXPECT_EQ(text.rfind(plain.substr(0, plain.size() - 3), 0), 0u) << text; // up to "  ]"
    EXPECT_NE(text.find("\"problems\": [\n    {\"offset\": 170, \"problem\": "
                        "\"\\\"Caf\xC3\xA9\\\" starts at 5 ms\"},\n"
                        "    {\"offset\": 208, \"problem\": \"Read beyond end of file "
                        "(r\xC3\xA9"
                        "d.quv"),
              std::string::npos)
        << text;
    EXPECT_EQ(WriteDemoBytes(ParseDemoText(text, "p.json")), WriteDemoBytes(document));
    EXPECT_NE(FormatDemoText({}, {}).find("\"handles\": [],\n  \"problems\": []\n}"),
              std::string::npos);
    // Whatever "problems" holds is not read.
    EXPECT_EQ(ErrorOf(R"({"problems": 5, "handles": []})"), "");
    EXPECT_NE(ErrorOf(R"({"handles": [], "problem": []})").find("/problem: unknown member"),
              std::string::npos);
}

// --- Musical time ------------------------------------------------------------------------

TEST(DemoText, MusicalTimesCompileToMilliseconds)
{
    InitialiseModules();
    const DemoDocument document = ParseDemoText(R"({"bpm": 120, "handles": [
        {"type": "OpenGL Clear", "start": "1:1", "end": "3:1.5",
         "fields": {"Red": [["1:2", 1], {"time": "2:1", "value": 0}, [2500.5, 1]]}}]})",
                                                "m.json");
    ASSERT_EQ(document.handles.size(), 1u);
    const DemoHandleRecord& handle = document.handles[0];
    EXPECT_EQ(handle.start, 0.0);
    EXPECT_EQ(handle.end, 4250.0);
    ASSERT_EQ(handle.fields.size(), 1u);
    ASSERT_EQ(handle.fields[0].size(), 3u);
    EXPECT_EQ(handle.fields[0][0].time, 500.0);
    EXPECT_EQ(handle.fields[0][1].time, 2000.0);
    EXPECT_EQ(handle.fields[0][2].time, 2500.5);
    EXPECT_EQ(document.tempo.bpm, 120.0);

    const DemoDocument offset = ParseDemoText(
        R"({"offset": 100, "bpm": 60, "handles": [{"type": "Music Speed", "start": "1:3",
            "end": "2:1.25"}]})",
        "o.json");
    EXPECT_EQ(offset.handles[0].start, 2100.0);
    EXPECT_EQ(offset.handles[0].end, 4350.0);

    const std::string clear = "{\"handles\": [{\"type\": \"OpenGL Clear\",\n\"start\": ";
    EXPECT_EQ(ErrorOf(clear + "\"2:1\", \"end\": 1}]}"),
              "demo.json:2: /handles/0/start: musical time \"2:1\" needs a \"bpm\" at the top "
              "level of the text form");
    EXPECT_EQ(ErrorOf("{\"bpm\": 120,\n\"handles\": [{\"type\": \"OpenGL Clear\", \"start\": 0,"
                      "\n\"end\": 1, \"fields\": {\"Red\": [\n[\"2:5\", 1]]}}]}"),
              "demo.json:4: /handles/0/fields/Red/0/0: malformed musical time \"2:5\"; write "
              "\"BAR:BEAT\" or \"BAR:BEAT.FRACTION\" (bar from 1, beat 1 to 4)");
    EXPECT_NE(ErrorOf(R"({"bpm": 0, "handles": []})").find("/bpm: bpm must be a number above 0"),
              std::string::npos);
    EXPECT_NE(ErrorOf(R"({"offset": 5, "handles": []})").find("/offset: an offset needs"),
              std::string::npos);
}

TEST(DemoText, WithABpmTimesAreWrittenAsBarsAndBeatsAndReadBackExactly)
{
    InitialiseModules();
    DemoDocument document;
    document.handles.push_back({"OpenGL Clear",
                                "x",
                                0,
                                4250,
                                {{{500, 1, 1, 0}, {2000, 0, 0, 0}, {2000 + 1000.0 / 3, 1, 1, 0}}}});
    const std::vector<uint8_t> bytes = WriteDemoBytes(document);
    document.tempo = {120.0, 0.0};
    const std::string text = FormatDemoText(document);
    EXPECT_EQ(text.rfind("{\n  \"bpm\": 120.0,\n  \"offset\": 0.0,\n  \"handles\": [", 0), 0u)
        << text;
    EXPECT_NE(text.find("\"start\": \"1:1\",\n      \"end\": \"3:1.5\""), std::string::npos);
    EXPECT_NE(text.find("{\"time\": \"1:2\", \"value\": 1.0"), std::string::npos);
    EXPECT_NE(text.find("{\"time\": 2333.333"), std::string::npos) << "not on a beat: ms";
    EXPECT_EQ(WriteDemoBytes(ParseDemoText(text, "bpm.json")), bytes);

    // An odd tempo and offset: every time still compiles back to the same bytes.
    document.tempo = {137.0, 33.3};
    EXPECT_EQ(WriteDemoBytes(ParseDemoText(FormatDemoText(document), "odd.json")), bytes);
}

// --- Checks while compiling --------------------------------------------------------------

std::vector<std::string> ChecksOf(const std::string& text)
{
    return CheckDemoText(ParseDemoText(text, "show.json"), text, "show.json");
}

TEST(DemoText, CompileReportsWhatTheCheckerReportsWithLinesAndPointers)
{
    InitialiseModules();
    const std::vector<std::string> problems = ChecksOf(R"({"bpm": 120, "handles": [
  {"type": "OpenGL Clear", "start": 0, "end": 4000,
   "fields": {
     "Green": [[0, 1], [1000, 0]],
     "Red": [[0, 1],
             {"time": "1:3", "value": 0},
             [500, 1]],
     "Blue": [[-5, 0], [10, 1, "BEZIER SMOOTH", 0], [20, 0]]}},
  {"type": "Music Speed", "label": "late",
   "start": "2:1",
   "end": 1000},
  {"type": "Music Speed", "start": -10, "end": 5},
  {"type": "Music Speed", "start": -10, "end": 0}
]})");
    const std::vector<std::string> expected = {
        "show.json:11: /handles/1/end: \"Music Speed\" starts at 2000 ms and ends at 1000 ms: it "
        "never shows",
        "show.json:12: /handles/2/start: \"Music Speed\" starts at -10 ms, before the music "
        "starts; it shows from 0",
        "show.json:13: /handles/3/end: \"Music Speed\" ends at 0 ms, before the music starts: it "
        "never shows",
        "show.json:7: /handles/0/fields/Red/2/0: \"OpenGL Clear\" field \"Red\": key at 500 ms "
        "comes after a key at 1000 ms: keys out of time order",
        "show.json:8: /handles/0/fields/Blue/0/0: \"OpenGL Clear\" field \"Blue\": key at -5 ms "
        "is before the music starts; it is reached only by interpolating towards the next key",
        "show.json:8: /handles/0/fields/Blue/1: \"OpenGL Clear\" field \"Blue\": curve key has "
        "fewer than three keys after it; the track ends there"};
    EXPECT_EQ(problems, expected);
    EXPECT_TRUE(ChecksOf(R"({"handles": [{"type": "OpenGL Clear", "start": 0, "end": 1,
        "fields": {"Red": [[0, 1], [1, 0]]}}]})")
                    .empty());
}

TEST(DemoText, CompileWarnsAboutValuesBeyondAFieldsCap)
{
    InitialiseModules();
    const std::vector<std::string> problems = ChecksOf(R"({"handles": [
  {"type": "Kaleido 01", "label": "k", "start": 0, "end": 1000,
   "fields": {"Detail ": [[0, 8],
                          {"time": 500, "value": 1e9}]}}
]})");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].rfind("show.json:4: /handles/0/fields/Detail /1/value: ", 0), 0u)
        << problems[0];
    EXPECT_NE(problems[0].find("above the cap 128"), std::string::npos) << problems[0];
}

TEST(DemoText, ShowcaseCompilesWithoutWarnings)
{
    InitialiseModules();
    const std::string path = std::string(QUV_SOURCE_DIR) + "/examples/showcase/showcase.json";
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(ChecksOf(text), std::vector<std::string>());
    FreeEffectFields();
}

} // namespace
} // namespace quv
