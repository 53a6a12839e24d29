#pragma once
// File names as demos write them: Windows paths with backslashes, made on a file system that
// ignores case and trailing blanks and dots.

#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/message.h"

namespace quv {

// A failure while working on one file, its message naming the file.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs work() on the named file. Any exception it lets through that does not name a file yet (a
// std::bad_alloc, an input/output or file system error, an error of a library) becomes a
// FileError reading "\"NAME\": WHY" (ExceptionText), so that the last-resort handler of a
// command can say which file failed.
template <typename Work> decltype(auto) NamingFile(std::string_view name, Work&& work)
{
    try {
        return work();
    } catch (const FileError&) {
        throw;
    } catch (const std::exception& error) {
        throw FileError("\"" + std::string(name) + "\": " + ExceptionText(error));
    }
}

// Maps '\' to '/'. When the exact path does not exist, each component is looked up in its
// directory case-insensitively (ASCII), ignoring trailing blanks and dots. Returns the path to
// open, or nullopt when nothing matches.
std::optional<std::string> ResolveDemoPath(std::string_view name);

// A file inside the demo's image folder, named relative to the demo folder (the current
// directory) as a demo names it: "gfx/" and a slot list line, or "gfx/stars1.tga". Resolved as
// ResolveDemoPath does, but only when it stays inside the image folder, which itself must lie in
// the demo folder: an absolute name, a ".." that climbs out of "gfx", or a symbolic link whose
// target lies outside gives nullopt exactly as a missing file does, so that a demo cannot read
// other files on the machine nor learn which of them exist. Links that stay inside still work.
std::optional<std::string> ResolveDemoImagePath(std::string_view name);

} // namespace quv
