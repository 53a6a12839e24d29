// Watch mode and the named demo: when a changed file has settled enough to be read, the text
// form told from a compiled demo, a reload that keeps the last good Timeline when a save is
// broken, and the --demo/--music/--watch options of the player and of dump.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "effects/moduleinit.h"
#include "engine/_loadsave.h"
#include "engine/message.h"
#include "platform/commands.h"
#include "platform/demosource.h"
#include "platform/demowatch.h"
#include "platform/player.h"
#include "tests/support/scratchfolder.h"
#include "tests/support/allocations.h"
#include "tests/support/demobytes.h"

namespace quv {
namespace {

FileStamp Stamp(uint64_t size, int64_t modifiedNs, uint64_t inode = 7)
{
    return {true, size, modifiedNs, inode, 1};
}

TEST(SettledChange, ReportsAChangeOnceItHasStoodStillForTheSettleTime)
{
    SettledChange watch(Stamp(100, 1000));
    EXPECT_FALSE(watch.Update(Stamp(100, 1000), 0)) << "the loaded file is no change";
    EXPECT_FALSE(watch.Update(Stamp(120, 2000), 10));
    EXPECT_TRUE(watch.Pending());
    EXPECT_FALSE(watch.Update(Stamp(120, 2000), 109));
    EXPECT_TRUE(watch.Update(Stamp(120, 2000), 110));
    EXPECT_FALSE(watch.Update(Stamp(120, 2000), 500)) << "each change is reported once";
    EXPECT_FALSE(watch.Pending());
}

TEST(SettledChange, AFileStillBeingWrittenIsNotReported)
{
    SettledChange watch(Stamp(0, 0));
    // A writer that adds to the file every 60 ms: size and time keep moving, so it never
    // settles, however long the writing takes.
    uint64_t now = 0;
    for (uint64_t size = 1; size < 40; ++size, now += 60)
        EXPECT_FALSE(watch.Update(Stamp(size * 100, static_cast<int64_t>(now) * 1000000), now))
            << "at " << now << " ms";
    // The same size with a new time is still a write in progress.
    EXPECT_FALSE(watch.Update(Stamp(3900, 99'000'000'000), now));
    EXPECT_FALSE(watch.Update(Stamp(3900, 99'000'000'000), now + 99));
    EXPECT_TRUE(watch.Update(Stamp(3900, 99'000'000'000), now + 100));
}

TEST(SettledChange, SavesByRenameAndDeletionsAreChanges)
{
    SettledChange watch(Stamp(50, 5000, 1));
    // Rename over the old name: same size and time, another inode.
    EXPECT_FALSE(watch.Update(Stamp(50, 5000, 2), 0));
    EXPECT_TRUE(watch.Update(Stamp(50, 5000, 2), 100));
    // The file gone for a moment, as between an editor's delete and rename, and back as it was:
    // nothing to read.
    EXPECT_FALSE(watch.Update(FileStamp{}, 200));
    EXPECT_FALSE(watch.Update(Stamp(50, 5000, 2), 250));
    EXPECT_FALSE(watch.Update(Stamp(50, 5000, 2), 400));
    EXPECT_FALSE(watch.Pending());
    // Gone for good: reported, so that the player can say so.
    EXPECT_FALSE(watch.Update(FileStamp{}, 500));
    EXPECT_TRUE(watch.Update(FileStamp{}, 600));
}

TEST(SettledChange, StampFileSeesSizeInodeAndAbsence)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / "quv_stampfile_test.txt").string();
    std::filesystem::remove(path);
    EXPECT_FALSE(StampFile(path.c_str()).exists);
    std::ofstream(path) << "12345";
    const FileStamp first = StampFile(path.c_str());
    EXPECT_TRUE(first.exists);
    EXPECT_EQ(first.size, 5u);
    std::ofstream(path + ".new") << "12345";
    std::filesystem::rename(path + ".new", path);
    const FileStamp renamed = StampFile(path.c_str());
    EXPECT_EQ(renamed.size, 5u);
    EXPECT_FALSE(renamed == first);
    std::filesystem::remove(path);
}

TEST(DemoSource, TellsTheTextFormByItsContent)
{
    auto bytes = [](std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); };
    EXPECT_TRUE(IsDemoText(bytes("{\"handles\": []}")));
    EXPECT_TRUE(IsDemoText(bytes("\xEF\xBB\xBF \r\n\t{}")));
    EXPECT_TRUE(IsDemoText(bytes("// a comment\n{}")));
    EXPECT_FALSE(IsDemoText(test::MinimalClearDemo().Bytes()));
    EXPECT_FALSE(IsDemoText({}));
    EXPECT_FALSE(IsDemoText(bytes("   ")));
    EXPECT_FALSE(IsDemoText(bytes("[1, 2]")));
}

// A scratch demo folder, the working directory while the test runs.
class WatchFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitialiseModules();
        dir_ = test::FreshTestFolder("quv_demowatch");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override
    {
        FreeTimeline();
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(dir_);
    }
    static void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(name + ".tmp", std::ios::binary) << text;
        std::filesystem::rename(name + ".tmp", name);
    }
    static std::string Label()
    {
        return Timeline != nullptr ? HandleLabel(*Timeline) : std::string("(empty)");
    }

    std::filesystem::path dir_;
    std::filesystem::path previous_;
};

std::string ClearDemo(const std::string& label, const std::string& extra = "")
{
    return "{" + extra + "\"handles\": [{\"type\": \"OpenGL Clear\", \"label\": \"" + label +
           "\", \"start\": 0, \"end\": 60000,\n \"fields\": {\"Red\": [[0, 1]]}}]}\n";
}

TEST_F(WatchFolder, ReloadsGoodSavesAndKeepsTheLastGoodTimelineThroughBrokenOnes)
{
    Write("show.json", ClearDemo("first", "\"bpm\": 120, "));
    const DemoSource loaded = LoadDemoSource("show.json");
    ASSERT_EQ(Label(), "first");
    EXPECT_TRUE(loaded.text);
    EXPECT_EQ(loaded.tempo.bpm, 120.0);
    DemoWatch watch("show.json", "show.json", loaded.tempo);
    EXPECT_FALSE(watch.Poll(0));

    Write("show.json", ClearDemo("second"));
    EXPECT_FALSE(watch.Poll(1000)) << "read before it settled";
    EXPECT_EQ(Label(), "first");
    EXPECT_TRUE(watch.Poll(1100));
    EXPECT_EQ(Label(), "second");
    EXPECT_EQ(watch.Tempo().bpm, 0.0) << "the new save has no bpm";
    EXPECT_TRUE(watch.DemoError().empty());

    // Broken saves: malformed JSON, an unknown type, a truncated compiled demo. Each is
    // reported with where it broke and the last good Timeline stays, whole.
    struct Broken {
        std::string content;
        std::string error;
    };
    auto text = [](const test::DemoBytes& demo) {
        return std::string(demo.Bytes().begin(), demo.Bytes().end());
    };
    const std::vector<Broken> broken = {
        {"{\"handles\": [\n{\"type\": \"OpenGL Clear\",,}]}", "show.json: parse error at line 2"},
        {"{\"handles\": [{\"type\": \"No Such Effect\", \"start\": 0, \"end\": 1}]}",
         "/handles/0/type"},
        {text(test::MinimalClearDemo().Truncate(200)), "Read beyond end of file"},
        {text(test::DemoBytes().Handle("No Such Effect", 0, 1)), "unknown effect type"},
    };
    uint64_t now = 2000;
    for (const Broken& b : broken) {
        Write("show.json", b.content);
        watch.Poll(now);
        EXPECT_FALSE(watch.Poll(now + 100));
        EXPECT_NE(watch.DemoError().find(b.error), std::string::npos) << watch.DemoError();
        EXPECT_EQ(Label(), "second");
        ASSERT_NE(Timeline, nullptr);
        EXPECT_EQ(Timeline->next, nullptr);
        now += 1000;
    }

    // A good save clears the error; a compiled demo in the text form's place loads as well.
    Write("show.json", ClearDemo("third", "\"bpm\": 90, \"offset\": 500, "));
    watch.Poll(now);
    EXPECT_TRUE(watch.Poll(now + 100));
    EXPECT_EQ(Label(), "third");
    EXPECT_EQ(watch.Tempo().bpm, 90.0);
    EXPECT_EQ(watch.Tempo().offset, 500.0);
    EXPECT_TRUE(watch.DemoError().empty());
    now += 1000;
    Write("show.json", text(test::MinimalClearDemo()));
    watch.Poll(now);
    EXPECT_TRUE(watch.Poll(now + 100));
    EXPECT_EQ(Label(), "label");
    EXPECT_EQ(watch.Tempo().bpm, 0.0);
}

TEST_F(WatchFolder, AMissingDemoIsAnErrorUntilItComesBack)
{
    Write("demodata.quv", ClearDemo("here"));
    LoadDemoSource("demodata.quv");
    DemoWatch watch("demodata.quv", "demodata.quv", {});
    std::filesystem::remove("demodata.quv");
    watch.Poll(0);
    EXPECT_FALSE(watch.Poll(100));
    EXPECT_NE(watch.DemoError().find("demodata.quv"), std::string::npos) << watch.DemoError();
    EXPECT_EQ(Label(), "here");
    Write("demodata.quv", ClearDemo("back"));
    watch.Poll(200);
    EXPECT_TRUE(watch.Poll(300));
    EXPECT_EQ(Label(), "back");
}

TEST_F(WatchFolder, PollingAllocatesNothingAndPassesOverOtherFilesInTheImageFolder)
{
    if (!test::CanCountAllocations())
        GTEST_SKIP() << "operator new belongs to the sanitizer in this build";
    std::filesystem::create_directories("gfx");
    Write("demodata.quv", ClearDemo("here"));
    LoadDemoSource("demodata.quv");
    DemoWatch watch("demodata.quv", "demodata.quv", {});
    // Files the images do not come from: the loaders, which need a GL context this test does
    // not have, must not run.
    std::ofstream("gfx/notes.txt") << "not an image";
    std::ofstream("gfx/stars1.tga.txt") << "not an image either";
    test::CountedAllocations = 0;
    test::CountingAllocations = true;
    bool reloaded = false;
    for (uint64_t now = 0; now < 1000; now += 16)
        reloaded = watch.Poll(now) || reloaded;
    test::CountingAllocations = false;
    EXPECT_FALSE(reloaded);
    EXPECT_EQ(test::CountedAllocations.load(), 0);
    EXPECT_TRUE(watch.ImageError().empty());
}

TEST(PlayerOptions, DemoMusicAndWatch)
{
    auto parse = [](std::vector<std::string> args, PlayerOptions& o, std::string& error) {
        args.insert(args.begin(), "quvplayer");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        return ParsePlayerOptions(static_cast<int>(argv.size()), argv.data(), &o, &error);
    };
    PlayerOptions o;
    std::string error;
    ASSERT_TRUE(
        parse({"--play", "--demo", "show.json", "--music", "a b.mp3", "--watch"}, o, error));
    EXPECT_EQ(o.demo, "show.json");
    EXPECT_EQ(o.music, "a b.mp3");
    EXPECT_TRUE(o.watch);
    PlayerOptions defaults;
    ASSERT_TRUE(parse({"--play"}, defaults, error));
    EXPECT_TRUE(defaults.demo.empty());
    EXPECT_TRUE(defaults.music.empty());
    EXPECT_FALSE(defaults.watch);
    PlayerOptions bad;
    EXPECT_FALSE(parse({"--demo"}, bad, error));
    EXPECT_EQ(error, "--demo needs a file name");
}

TEST(PlayerOptions, InfoLineShowsBarAndBeatWithATempo)
{
    const MusicalTempo tempo{120.0, 0.0};
    EXPECT_EQ(FormatInfoLine(60, 2750, 82.0, 1.0, false, tempo),
              "FPS 60  0:02.750 / 1:22.000  BAR 2:2");
    EXPECT_EQ(FormatInfoLine(60, 2750, 82.0, 0.5, true, tempo),
              "FPS 60  0:02.750 / 1:22.000  BAR 2:2  RATE 50%  PAUSED");
    EXPECT_EQ(FormatInfoLine(60, 2750, 82.0, 1.0, false), "FPS 60  0:02.750 / 1:22.000");
}

std::string Dump(std::vector<std::string> args)
{
    args.insert(args.begin(), "dump");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int code = RunDump(static_cast<int>(argv.size()), argv.data());
    std::fflush(stdout);
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    return std::to_string(code) + "\n" + out + err;
}

TEST_F(WatchFolder, DumpReadsTheTextFormAsItsCompiledDemo)
{
    Write("show.json", ClearDemo("red"));
    const DemoSource source = ReadDemoSource("show.json", "show.json");
    Write("show.quv", std::string(source.bytes.begin(), source.bytes.end()));
    const std::string fromText = Dump({"--json", "--demo", "show.json", "--music", "none.mp3"});
    EXPECT_EQ(fromText.substr(0, 2), "0\n") << fromText;
    EXPECT_EQ(fromText, Dump({"--json", "--file", "show.quv"}));
    EXPECT_EQ(Dump({"--check", "--demo", "show.json"}).substr(0, 2), "0\n");

    Write("bad.json", "{\"handles\": [\n  {\"type\": 5}]}");
    const std::string bad = Dump({"--demo", "bad.json"});
    EXPECT_EQ(bad.substr(0, 2), "1\n") << bad;
    EXPECT_NE(bad.find("bad.json:2"), std::string::npos) << bad;
    EXPECT_NE(bad.find("/handles/0/type"), std::string::npos) << bad;
}

} // namespace
} // namespace quv
