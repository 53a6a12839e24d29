#include "engine/files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quv {

namespace {

namespace fs = std::filesystem;

std::string FoldName(std::string_view name)
{
    while (!name.empty() && (name.back() == ' ' || name.back() == '.'))
        name.remove_suffix(1);
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return folded;
}

} // namespace

std::optional<std::string> ResolveDemoPath(std::string_view name)
{
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    std::error_code ec;
    if (path.empty())
        return std::nullopt;
    if (fs::exists(path, ec))
        return path;

    fs::path resolved = path.front() == '/' ? fs::path("/") : fs::path();
    for (const fs::path& part : fs::path(path).relative_path()) {
        const std::string partName = part.string();
        if (partName.empty())
            continue;
        fs::path candidate = resolved / part;
        if (partName == "." || partName == ".." || fs::exists(candidate, ec)) {
            resolved = candidate;
            continue;
        }
        const std::string wanted = FoldName(partName);
        const fs::path directory = resolved.empty() ? fs::path(".") : resolved;
        std::optional<fs::path> match;
        for (const auto& entry : fs::directory_iterator(directory, ec)) {
            const std::string entryName = entry.path().filename().string();
            if (FoldName(entryName) == wanted) {
                match = resolved / entryName;
                break;
            }
        }
        if (!match)
            return std::nullopt;
        resolved = *match;
    }
    return resolved.string();
}

} // namespace quv
