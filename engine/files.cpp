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

// True when path, made absolute with every link followed, lies in (or is) directory.
bool Inside(const fs::path& path, const fs::path& directory)
{
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    if (ec)
        return false;
    const auto [end, at] =
        std::mismatch(directory.begin(), directory.end(), real.begin(), real.end());
    return end == directory.end();
}

} // namespace

std::optional<std::string> ResolveDemoImagePath(std::string_view name)
{
    constexpr std::string_view ImageFolder = "gfx";
    if (name.empty() || name.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.front() == '/')
        return std::nullopt;
    // Lexically, the name must go down into the image folder and never climb above it.
    size_t depth = 0;
    bool inFolder = false;
    for (const fs::path& part : fs::path(path)) {
        const std::string partName = part.string();
        if (partName.empty() || partName == ".")
            continue;
        if (partName == "..") {
            if (depth <= 1)
                return std::nullopt;
            --depth;
            continue;
        }
        if (depth == 0)
            inFolder = FoldName(partName) == ImageFolder;
        if (!inFolder)
            return std::nullopt;
        ++depth;
    }
    if (depth < 2)
        return std::nullopt;
    // Then on disk, links followed: the folder inside the demo, the file inside the folder.
    const std::optional<std::string> folder = ResolveDemoPath(ImageFolder);
    const std::optional<std::string> resolved = ResolveDemoPath(path);
    std::error_code ec;
    const fs::path demo = fs::canonical(fs::current_path(ec), ec);
    if (!folder || !resolved || ec || !Inside(*folder, demo))
        return std::nullopt;
    const fs::path realFolder = fs::canonical(*folder, ec);
    if (ec || !Inside(*resolved, realFolder))
        return std::nullopt;
    return resolved;
}

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
