#pragma once
// Output files that appear whole or not at all. The bytes go to a temporary file beside the
// target (same folder, so the rename cannot cross file systems), are flushed to the disk, and
// the temporary file is renamed over the target. A failure at any step removes the temporary
// file and leaves an existing file of the target's name as it was.
//
//   WriteFileAtomic("out/demodata.quv", bytes.data(), bytes.size(), error);
//
// For a file that another program writes (ffmpeg), TemporaryNameBeside gives the name to hand
// it and CommitTemporaryFile puts the finished file in place.

#include <cstddef>
#include <functional>
#include <string>

namespace quv {

// Fills an open file descriptor; false (with error set) on a failure.
using FileFiller = std::function<bool(int fd, std::string& error)>;

// Creates the missing folders of path, then writes what fill writes, atomically. The error
// names the path: "cannot write out/demodata.quv: write failed: No space left on device".
bool WriteFileAtomic(const std::string& path, const FileFiller& fill, std::string& error);
bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string& error);

// Writes all of size bytes to fd, retrying short writes; false with a reason.
bool WriteAll(int fd, const void* data, size_t size, std::string& error);

// A name for a temporary file beside path that keeps its extension (ffmpeg picks the container
// from it): "out/.demo.mp4.1234-1.part.mp4". Creates the missing folders of path; empty (with
// error set) when they cannot be made.
std::string TemporaryNameBeside(const std::string& path, std::string& error);

// Flushes the finished temporary file to the disk and renames it to path; on a failure the
// temporary file is removed.
bool CommitTemporaryFile(const std::string& temporary, const std::string& path, std::string& error);

} // namespace quv
