#pragma once
// Test support for the sprite tests: a TGA writer, a scratch directory that the test runs in
// (the player opens "gfx/..." relative to the working directory) and a message recorder.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/message.h"

namespace quv::test {

struct TgaFields {
    uint8_t imageType = 2;
    uint8_t colorMapType = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t depth = 24;
    uint8_t descriptor = 0;
    std::string id;
};

inline std::vector<uint8_t> TgaBytes(const TgaFields& fields, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> bytes(18, 0);
    bytes.reserve(18 + fields.id.size() + body.size());
    bytes[0] = static_cast<uint8_t>(fields.id.size());
    bytes[1] = fields.colorMapType;
    bytes[2] = fields.imageType;
    bytes[12] = static_cast<uint8_t>(fields.width);
    bytes[13] = static_cast<uint8_t>(fields.width >> 8);
    bytes[14] = static_cast<uint8_t>(fields.height);
    bytes[15] = static_cast<uint8_t>(fields.height >> 8);
    bytes[16] = fields.depth;
    bytes[17] = fields.descriptor;
    for (char c : fields.id)
        bytes.push_back(static_cast<uint8_t>(c));
    for (uint8_t b : body)
        bytes.push_back(b);
    return bytes;
}

// An uncompressed image of one colour, pixels stored blue, green, red (, alpha).
inline std::vector<uint8_t> SolidTga(uint16_t width, uint16_t height, uint8_t r, uint8_t g,
                                     uint8_t b, int alpha = -1)
{
    TgaFields fields;
    fields.width = width;
    fields.height = height;
    fields.depth = alpha < 0 ? 24 : 32;
    std::vector<uint8_t> body;
    for (int i = 0; i < width * height; ++i) {
        body.insert(body.end(), {b, g, r});
        if (alpha >= 0)
            body.push_back(static_cast<uint8_t>(alpha));
    }
    return TgaBytes(fields, body);
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const std::filesystem::path& path, std::string_view text)
{
    WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A fresh directory under the system's temporary directory that is the working directory for
// the object's lifetime.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quv-sprites-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchDirectory()
    {
        std::filesystem::current_path(previous_);
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// Records every message box ("CAPTION: TEXT") while it exists.
class MessageRecorder {
public:
    MessageRecorder()
    {
        Lines().clear();
        previous_ = SetMessageHandler(&Record);
    }
    ~MessageRecorder() { SetMessageHandler(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    std::vector<std::string> Take() { return std::exchange(Lines(), {}); }

private:
    static MessageAnswer Record(std::string_view caption, std::string_view text, MessageButtons,
                                MessageIcon)
    {
        Lines().push_back(std::string(caption) + ": " + std::string(text));
        return MessageAnswer::Ok;
    }
    MessageHandler previous_ = nullptr;
};

// Runs ImageMagick's convert with the arguments; true when it succeeded.
inline bool Convert(const std::string& arguments)
{
    return std::system(("convert " + arguments + " 2>/dev/null").c_str()) == 0;
}

} // namespace quv::test
