// Output files appear whole or not at all: a failed write leaves the old file and no temporary.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/atomicfile.h"

namespace quv {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t EntriesIn(const fs::path& dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
}

TEST(AtomicFile, ReplacesWholeOrLeavesTheOldFile)
{
    const fs::path dir = fs::path(testing::TempDir()) / "quv-atomic";
    fs::remove_all(dir);
    const std::string target = (dir / "deep/er/out.quv").string();
    std::string error;

    // Missing folders are made; the bytes arrive under the target's name only.
    ASSERT_TRUE(WriteFileAtomic(target, "first", 5, error)) << error;
    EXPECT_EQ(Contents(target), "first");
    EXPECT_EQ(EntriesIn(dir / "deep/er"), 1u);

    // A write that fails half way (a full disk, say) keeps the old file and its name clean.
    const FileFiller failing = [](int fd, std::string& why) {
        WriteAll(fd, "sec", 3, why);
        why = "write failed: No space left on device";
        return false;
    };
    error.clear();
    EXPECT_FALSE(WriteFileAtomic(target, failing, error));
    EXPECT_EQ(error, "cannot write " + target + ": write failed: No space left on device");
    EXPECT_EQ(Contents(target), "first");
    EXPECT_EQ(EntriesIn(dir / "deep/er"), 1u);

    // A second write replaces the first.
    ASSERT_TRUE(WriteFileAtomic(target, "second", 6, error)) << error;
    EXPECT_EQ(Contents(target), "second");

    // A folder that cannot be made (a file in its way) is a failure with a reason.
    error.clear();
    EXPECT_FALSE(WriteFileAtomic(target + "/x.quv", "x", 1, error));
    EXPECT_NE(error.find("cannot make the folder"), std::string::npos) << error;
    fs::remove_all(dir);
}

TEST(AtomicFile, TemporaryFileOfAnotherWriter)
{
    const fs::path dir = fs::path(testing::TempDir()) / "quv-atomic-temp";
    fs::remove_all(dir);
    const std::string target = (dir / "v/demo.mp4").string();
    std::string error;
    const std::string temporary = TemporaryNameBeside(target, error);
    ASSERT_FALSE(temporary.empty()) << error;
    // Beside the target, hidden, with the target's extension for the writer to read.
    EXPECT_EQ(fs::path(temporary).parent_path(), fs::path(target).parent_path());
    EXPECT_EQ(fs::path(temporary).extension(), ".mp4");
    EXPECT_EQ(fs::path(temporary).filename().string()[0], '.');
    EXPECT_NE(TemporaryNameBeside(target, error), temporary);

    std::ofstream(temporary) << "video";
    ASSERT_TRUE(CommitTemporaryFile(temporary, target, error)) << error;
    EXPECT_EQ(Contents(target), "video");
    EXPECT_FALSE(fs::exists(temporary));

    // A temporary file that never appeared (the writer failed) leaves the target alone.
    EXPECT_FALSE(CommitTemporaryFile(temporary, target, error));
    EXPECT_EQ(Contents(target), "video");
    fs::remove_all(dir);
}

} // namespace
} // namespace quv
