#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/_demorecords.h"
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

} // namespace
} // namespace quv
