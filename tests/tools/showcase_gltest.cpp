// The bundled showcase: its text form compiles to the committed demodata.quv, uses every effect
// type, and every type draws something (or, for "Music Speed", changes the clock) at some time.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/_effecthandle.h"
#include "engine/_loadsave.h"
#include "engine/message.h"
#include "effects/moduleinit.h"
#include "engine/playback.h"
#include "engine/random.h"
#include "engine/ticks.h"
#include "platform/DemoBass.h"
#include "engine/musicclock.h"
#include "tests/support/glcontext.h"
#include "tools/demotext.h"
#include "tools/demowriter.h"

namespace quv {
namespace {

const std::filesystem::path ShowcaseDir =
    std::filesystem::path(QUV_SOURCE_DIR) / "examples" / "showcase";

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Effect modules that still register without fields cannot take the showcase's keys yet.
std::string TypeWithoutFields()
{
    for (EffectClass* c = EffectClassList; c != nullptr; c = c->next)
        if (TextFieldNames(ClassName(*c)).empty())
            return Cp1252ToUtf8(ClassName(*c));
    return "";
}

// Restores the working directory when the test ends.
class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& dir)
        : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~InDirectory() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

TEST(Showcase, CompilesToTheCommittedDemoAndUsesEveryType)
{
    InitialiseModules();
    if (const std::string stub = TypeWithoutFields(); !stub.empty())
        GTEST_SKIP() << "\"" << stub << "\" has no fields yet";
    const DemoDocument document =
        ParseDemoText(ReadText(ShowcaseDir / "showcase.json"), "showcase.json");
    const std::vector<uint8_t> bytes = WriteDemoBytes(document);
    const std::optional<std::vector<uint8_t>> committed =
        ReadWholeFile((ShowcaseDir / "demodata.quv").string());
    ASSERT_TRUE(committed.has_value());
    EXPECT_TRUE(bytes == *committed)
        << "examples/showcase/demodata.quv is out of date: run scripts/make-showcase demo";

    std::set<std::string> used;
    double end = 0.0;
    for (const DemoHandleRecord& handle : document.handles) {
        used.insert(handle.type);
        end = std::max(end, handle.end);
    }
    for (EffectClass* c = EffectClassList; c != nullptr; c = c->next)
        EXPECT_TRUE(used.count(ClassName(*c))) << Cp1252ToUtf8(ClassName(*c)) << " unused";
    EXPECT_GE(end, 60000.0);
    EXPECT_LE(end, 90000.0);
}

// Frames differ visibly when at least one colour value in 500 is more than 16 steps apart;
// echoes of earlier renders in the feedback effects stay below that.
bool VisiblyDifferent(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size())
        return true;
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i)
        count += (a[i] > b[i] ? a[i] - b[i] : b[i] - a[i]) > 16;
    return count * 500 >= a.size();
}

class ShowcaseFrames {
public:
    explicit ShowcaseFrames(test::GlScene& scene) : scene_(scene) {}

    // The frame at t, with one handle taken out of the Timeline or none. The half second of
    // frames before it gives the feedback effects a history that no longer depends on what was
    // drawn before (their echoes fade below one step of 8-bit colour within it).
    std::vector<uint8_t> Frame(double t, EffectHandle* without)
    {
        EffectHandle* before = nullptr;
        for (EffectHandle* h = Timeline; h != nullptr && h != without; h = h->next)
            before = h;
        if (without != nullptr)
            (before != nullptr ? before->next : Timeline) = without->next;
        for (int frame = 15; frame >= 0; --frame) {
            const double at = t - frame * 1000.0 / 30.0;
            RandSeed = 0;
            PinTickCount(static_cast<uint32_t>(at));
            EvaluateTimeline(at);
        }
        if (without != nullptr)
            (before != nullptr ? before->next : Timeline) = without;
        return scene_.Frame();
    }

    // The music rate after the frame at t, with or without one handle.
    double Rate(double t, EffectHandle* without)
    {
        MusicSetBackend(std::make_unique<OfflineClock>(t, 44100, 1e9));
        Frame(t, without);
        const double rate = MusicRateRatio();
        MusicFree();
        return rate;
    }

private:
    test::GlScene& scene_;
};

TEST(Showcase, EveryEffectTypeShowsAtSomeTime)
{
    InitialiseModules();
    if (const std::string stub = TypeWithoutFields(); !stub.empty())
        GTEST_SKIP() << "\"" << stub << "\" has no fields yet";
    InDirectory here(ShowcaseDir); // the images load from gfx/ at start-up
    test::GlScene scene(160, 120);
    LoadDemoFile("demodata.quv");
    ASSERT_NE(Timeline, nullptr);
    ShowcaseFrames frames(scene);

    std::map<std::string, std::vector<EffectHandle*>> byType;
    for (EffectHandle* h = Timeline; h != nullptr; h = h->next)
        byType[HandleTypeName(*h)].push_back(h);
    EXPECT_EQ(byType.size(), 34u);
    for (const auto& [type, handles] : byType) {
        bool shown = false;
        for (EffectHandle* h : handles) {
            for (double f : {0.5, 0.25, 0.75, 0.1, 0.9}) {
                const double t = h->startTime + f * (h->endTime - h->startTime);
                if (type == "Music Speed") {
                    shown = frames.Rate(t, h) != frames.Rate(t, nullptr);
                } else {
                    const std::vector<uint8_t> with = frames.Frame(t, nullptr);
                    shown = VisiblyDifferent(frames.Frame(t, h), with);
                    // A difference only counts when the frame itself is reproducible.
                    if (shown) {
                        ASSERT_FALSE(VisiblyDifferent(frames.Frame(t, nullptr), with))
                            << "the frame at " << t << " ms differs from itself";
                    }
                }
                if (shown)
                    break;
            }
            if (shown)
                break;
        }
        EXPECT_TRUE(shown) << "no instance of \"" << Cp1252ToUtf8(type) << "\" changes a frame";
    }
    ReleaseTickCount();
    FreeTimeline();
}

} // namespace
} // namespace quv
