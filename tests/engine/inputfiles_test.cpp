// Input files as a careless or hostile demo folder holds them: FIFOs, devices, directories,
// oversized and sparse files, and image names that lead out of the demo.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/_demorecords.h"
#include "engine/_loadsave.h"
#include "engine/files.h"
#include "tests/effects/sprites/tgafiles.h"
#include "tests/support/allocations.h"
#include "tests/support/demobytes.h"

namespace quv {
namespace {

namespace fs = std::filesystem;

TEST(ReadWholeFile, RefusesWhatIsNotASmallRegularFile)
{
    test::ScratchDirectory dir;
    test::WriteText("./small", "12345");
    FileRead read = ReadWholeFile("small", 5);
    EXPECT_EQ(read.failure, ReadFailure::None);
    EXPECT_EQ(read.bytes, (std::vector<uint8_t>{'1', '2', '3', '4', '5'}));

    // One byte over the limit; a sparse file of 2 GB is refused from its size alone.
    read = ReadWholeFile("small", 4);
    EXPECT_EQ(read.failure, ReadFailure::TooLarge);
    EXPECT_TRUE(read.bytes.empty());
    EXPECT_EQ(ReadFailureText(read, "small", 4), "\"small\" is too large (5 bytes; at most 4)");
    test::WriteText("./sparse", "");
    fs::resize_file("sparse", uint64_t{2} << 30);
    read = ReadWholeFile("sparse", MaxDemoFileBytes);
    EXPECT_EQ(read.failure, ReadFailure::TooLarge);
    EXPECT_EQ(read.size, uint64_t{2} << 30);

    // A FIFO with no writer would block a plain open; a device or directory has no end or no
    // bytes. All are refused before anything is read, and say so.
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    fs::create_directory("folder");
    for (const char* name : {"fifo", "folder", "/dev/zero", "/dev/null"}) {
        read = ReadWholeFile(name, MaxDemoFileBytes);
        EXPECT_EQ(read.failure, ReadFailure::NotRegularFile) << name;
        EXPECT_EQ(ReadFailureText(read, name, MaxDemoFileBytes),
                  "\"" + std::string(name) + "\" is not a regular file");
    }
    read = ReadWholeFile("missing", MaxDemoFileBytes);
    EXPECT_EQ(read.failure, ReadFailure::CannotOpen);
    EXPECT_EQ(ReadFailureText(read, "missing", MaxDemoFileBytes),
              "Cannot open file \"missing\". No such file or directory");

    // The header reader takes the first bytes of a file of any size, and refuses a FIFO too.
    read = ReadFileHead("sparse", 18);
    EXPECT_EQ(read.failure, ReadFailure::None);
    EXPECT_EQ(read.bytes.size(), 18u);
    EXPECT_EQ(ReadFileHead("small", 18).bytes.size(), 5u);
    EXPECT_EQ(ReadFileHead("fifo", 18).failure, ReadFailure::NotRegularFile);
}

TEST(ReadWholeFile, DemoFileThatIsNoFileIsAnError)
{
    test::ScratchDirectory dir;
    ASSERT_EQ(mkfifo("demodata.quv", 0600), 0);
    try {
        LoadDemoFile("demodata.quv");
        ADD_FAILURE() << "a FIFO was read as a demo";
    } catch (const DemoFileError& e) {
        EXPECT_STREQ(e.what(), "\"demodata.quv\" is not a regular file");
    }
    EXPECT_EQ(Timeline, nullptr);
}

// The records are decoded as they are walked: a file of nothing but field tags costs no memory
// per tag, where each used to become a record of over a hundred bytes.
TEST(ParseDemoRecords, MemoryDoesNotGrowWithTheRecordCount)
{
    if (!test::CanCountAllocations())
        GTEST_SKIP() << "operator new belongs to the sanitizer in this build";
    test::DemoBytes demo;
    demo.Handle("No Such Type", 0, 1, "x", 0).FirstField();
    std::vector<uint8_t> bytes = demo.Bytes();
    constexpr size_t FieldTags = 200000;
    for (size_t i = 0; i < FieldTags; ++i) {
        bytes.push_back(0x01);
        bytes.push_back(0x02);
    }
    size_t fields = 0;
    DemoVisitor visitor;
    visitor.field = [&](const DemoRecord&, size_t) { ++fields; };
    test::CountedAllocations = 0;
    test::CountingAllocations = true;
    const DemoRecords parsed = ParseDemoRecords(bytes, "demodata.quv");
    const bool clean = WalkDemoRecords(parsed, DemoPolicy::Lenient, visitor);
    test::CountingAllocations = false;
    EXPECT_TRUE(clean);
    EXPECT_EQ(parsed.recordCount, FieldTags + 2);
    EXPECT_EQ(fields, FieldTags + 1);
    EXPECT_LT(test::CountedAllocations.load(), 16);
}

TEST(ResolveDemoImagePath, StaysInsideTheImageFolder)
{
    test::ScratchDirectory dir;
    test::WriteText("gfx/a.tga", "a");
    test::WriteText("gfx/sub/b.tga", "b");
    test::WriteText("./beside.tga", "c"); // in the demo folder, not in gfx
    // Files beside the demo folder, named after it so that parallel runs keep apart.
    const std::string stem = dir.Path().filename().string();
    const std::string elsewhere = (dir.Path().parent_path() / (stem + ".tga")).string();
    const fs::path elsewhereFolder = dir.Path().parent_path() / (stem + "-gfx");
    test::WriteText(elsewhere, "d");
    fs::create_symlink("sub/b.tga", "gfx/inside.tga");
    fs::create_symlink("../beside.tga", "gfx/beside.tga");
    fs::create_symlink(elsewhere, "gfx/elsewhere.tga");
    fs::create_symlink("..", "gfx/up");
    fs::create_symlink("/nowhere/at/all.tga", "gfx/dangling.tga");

    EXPECT_EQ(ResolveDemoImagePath("gfx/a.tga"), "gfx/a.tga");
    EXPECT_EQ(ResolveDemoImagePath("GFX\\A.TGA"), "gfx/a.tga");
    EXPECT_EQ(ResolveDemoImagePath("gfx/sub/../a.tga"), "gfx/sub/../a.tga");
    EXPECT_EQ(ResolveDemoImagePath("gfx/inside.tga"), "gfx/inside.tga");
    for (const std::string& name :
         {elsewhere, std::string("/etc/passwd"), std::string("gfx/../beside.tga"),
          "gfx/../../" + stem + ".tga", std::string("gfx\\..\\..\\etc\\passwd"),
          std::string("gfx/beside.tga"), std::string("gfx/elsewhere.tga"),
          std::string("gfx/up/beside.tga"), std::string("gfx/dangling.tga"),
          std::string("beside.tga"), std::string("gfx"), std::string("gfx/missing.tga"),
          std::string("gfx/a.tga\0x", 11)})
        EXPECT_EQ(ResolveDemoImagePath(name), std::nullopt) << name;

    // A demo whose image folder is itself a link out of it reads nothing through it.
    fs::remove_all("gfx");
    test::WriteText(elsewhereFolder / "a.tga", "e");
    fs::create_directory_symlink(elsewhereFolder, "gfx");
    EXPECT_EQ(ResolveDemoImagePath("gfx/a.tga"), std::nullopt);
    fs::remove_all(elsewhereFolder);
    fs::remove(elsewhere);
}

} // namespace
} // namespace quv
