#pragma once
// File names as demos write them: Windows paths with backslashes, made on a file system that
// ignores case and trailing blanks and dots.

#include <optional>
#include <string>
#include <string_view>

namespace quv {

// Maps '\' to '/'. When the exact path does not exist, each component is looked up in its
// directory case-insensitively (ASCII), ignoring trailing blanks and dots. Returns the path to
// open, or nullopt when nothing matches.
std::optional<std::string> ResolveDemoPath(std::string_view name);

} // namespace quv
