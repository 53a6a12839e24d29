// TGA texture loader: decodes uncompressed and run-length-encoded true-colour files and uploads
// them as mipmapped textures. Reads the named file; writes nothing but the new GL texture.

#include "effects/sprites/TGATexture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>

#include "engine/_loadsave.h"
#include "engine/files.h"
#include "engine/message.h"

namespace quv {

namespace {

constexpr uint8_t UncompressedTrueColour = 2;
constexpr uint8_t RunLengthTrueColour = 10;

uint16_t U16(std::span<const uint8_t> b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

// Blue-green-red(-alpha) to red-green-blue(-alpha).
inline void CopyPixel(uint8_t* to, const uint8_t* from, uint32_t bytesPerPixel)
{
    to[0] = from[2];
    to[1] = from[1];
    to[2] = from[0];
    if (bytesPerPixel == 4)
        to[3] = from[3];
}

TgaProblem DecodeRunLength(std::span<const uint8_t> data, uint64_t pixelCount,
                           uint32_t bytesPerPixel, uint8_t* out)
{
    size_t at = 0;
    uint64_t produced = 0;
    // Packets are decoded until the image is full; the test is made after each whole packet,
    // and a packet that reaches past the last pixel is cut there.
    while (produced < pixelCount) {
        if (at >= data.size())
            return TgaProblem::ShortData;
        const uint8_t packet = data[at++];
        const uint64_t wanted = packet < 128 ? packet + 1u : packet - 127u;
        const uint64_t count = std::min(wanted, pixelCount - produced);
        if (packet < 128) {
            if (data.size() - at < count * bytesPerPixel)
                return TgaProblem::ShortData;
            for (uint64_t i = 0; i < count; ++i) {
                CopyPixel(out + produced * bytesPerPixel, data.data() + at, bytesPerPixel);
                at += bytesPerPixel;
                ++produced;
            }
            // The cut-off rest of a raw packet is never looked at: the image is full.
        } else {
            if (data.size() - at < bytesPerPixel)
                return TgaProblem::ShortData;
            for (uint64_t i = 0; i < count; ++i) {
                CopyPixel(out + produced * bytesPerPixel, data.data() + at, bytesPerPixel);
                ++produced;
            }
            at += bytesPerPixel;
        }
    }
    return TgaProblem::None;
}

std::string Quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

uint64_t PowerOfTwoAtLeast(uint64_t v)
{
    uint64_t p = 1;
    while (p < v)
        p *= 2;
    return p;
}

} // namespace

uint64_t TgaTextureBytes(uint16_t width, uint16_t height)
{
    // The mipmap builder scales each side to a power of two, at most the next one up; the chain
    // of smaller levels adds a third.
    const uint64_t level0 = PowerOfTwoAtLeast(width) * PowerOfTwoAtLeast(height) * 4;
    return level0 + level0 / 3;
}

TgaProblem ReadTgaHeader(std::span<const uint8_t> file, TgaHeader& header)
{
    if (file.size() < TgaHeaderSize)
        return TgaProblem::ShortHeader;
    TgaHeader h;
    h.idLength = file[0];
    h.colorMapType = file[1];
    h.imageType = file[2];
    h.width = U16(file, 12);
    h.height = U16(file, 14);
    h.depth = file[16];
    h.descriptor = file[17];
    if (h.imageType != UncompressedTrueColour && h.imageType != RunLengthTrueColour)
        return TgaProblem::ImageType;
    if (h.colorMapType != 0)
        return TgaProblem::ColorMap;
    header = h;
    return TgaProblem::None;
}

TgaProblem DecodeTga(std::span<const uint8_t> file, TgaImage& image)
{
    TgaHeader header;
    if (const TgaProblem problem = ReadTgaHeader(file, header); problem != TgaProblem::None)
        return problem;
    // Depths from 25 bits up other than 32 would pass a plain "at least 24" test but do not fit
    // three- or four-byte pixels; they are refused with the same message.
    if (header.depth != 24 && header.depth != 32)
        return TgaProblem::Depth;
    const uint32_t bytesPerPixel = header.depth / 8u;
    const uint64_t pixelCount = uint64_t{header.width} * header.height;
    const uint64_t size = pixelCount * bytesPerPixel;
    if (size > MaxTgaPixelBytes)
        return TgaProblem::TooLarge;

    const size_t dataStart = TgaHeaderSize + header.idLength;
    if (file.size() < dataStart)
        return TgaProblem::ShortData;
    const std::span<const uint8_t> data = file.subspan(dataStart);

    // Refuse data that cannot hold the image before allocating for it: raw data needs every
    // byte, and a run-length packet of 1 + b bytes yields at most 128 pixels.
    if (header.imageType == UncompressedTrueColour && data.size() < size)
        return TgaProblem::ShortData;
    if (header.imageType == RunLengthTrueColour &&
        pixelCount > (data.size() / (bytesPerPixel + 1)) * 128)
        return TgaProblem::ShortData;

    std::vector<uint8_t> pixels(static_cast<size_t>(size));
    if (header.imageType == UncompressedTrueColour) {
        for (uint64_t i = 0; i < pixelCount; ++i)
            CopyPixel(pixels.data() + i * bytesPerPixel, data.data() + i * bytesPerPixel,
                      bytesPerPixel);
    } else if (const TgaProblem problem =
                   DecodeRunLength(data, pixelCount, bytesPerPixel, pixels.data());
               problem != TgaProblem::None) {
        return problem;
    }
    image.width = header.width;
    image.height = header.height;
    image.bytesPerPixel = bytesPerPixel;
    image.pixels = std::move(pixels);
    return TgaProblem::None;
}

std::string TgaProblemText(TgaProblem problem, const std::string& name)
{
    switch (problem) {
    case TgaProblem::None:
        return {};
    case TgaProblem::ImageType:
        return "Couldn't load " + Quoted(name) + ". Only 24 and 32bit TGA supported.";
    case TgaProblem::ColorMap:
        return "Couldn't load " + Quoted(name) + ". Colormapped TGA files not supported.";
    case TgaProblem::Depth:
        return "Couldn't load " + Quoted(name) + ". Only 24 and 32 bit TGA files supported.";
    case TgaProblem::TooLarge:
        return "Couldn't load " + Quoted(name) + ". TGA images over 256 MB not supported.";
    case TgaProblem::ShortHeader:
    case TgaProblem::ShortData:
        return "Couldn't read file " + Quoted(name) + ".";
    }
    return {};
}

bool OpenTgaFile(const std::string& fileName, std::string& path)
{
    std::optional<std::string> resolved;
    // A name with a NUL byte would open a shorter name than the one asked for.
    if (fileName.find('\0') == std::string::npos)
        resolved = ResolveDemoImagePath(fileName);
    std::error_code ec;
    if (!resolved || !std::filesystem::is_regular_file(*resolved, ec)) {
        ShowMessage(TgaNotFoundCaption, "File not found  - " + fileName, MessageButtons::Ok,
                    MessageIcon::Error);
        return false;
    }
    path = *resolved;
    return true;
}

namespace {

bool LoadTga(const std::string& fileName, uint32_t& texture, uint64_t* budget)
{
    std::string path;
    if (!OpenTgaFile(fileName, path))
        return false;
    const FileRead read = ReadWholeFile(path, MaxTgaFileBytes);
    if (read.failure != ReadFailure::None) {
        ShowMessage(TgaErrorCaption, ReadFailureText(read, fileName, MaxTgaFileBytes));
        return false;
    }
    // The budget is checked from the header, before the pixels are decoded.
    TgaHeader header;
    if (budget != nullptr && ReadTgaHeader(read.bytes, header) == TgaProblem::None &&
        TgaTextureBytes(header.width, header.height) > *budget) {
        ShowMessage(TgaErrorCaption, "Couldn't load " + Quoted(fileName) +
                                         ". The images together need over 1 GB of texture "
                                         "memory.");
        return false;
    }
    TgaImage image;
    const TgaProblem problem = DecodeTga(read.bytes, image);
    if (problem != TgaProblem::None) {
        ShowMessage(TgaErrorCaption, TgaProblemText(problem, fileName));
        return false;
    }
    // Errors left by earlier calls are not this upload's (GL keeps at most one per kind).
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
    }
    const uint32_t name =
        CreateTgaTexture(image.width, image.height, image.bytesPerPixel == 3 ? GL_RGB : GL_RGBA,
                         image.pixels.data());
    if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
        for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
        }
        glDeleteTextures(1, &name);
        ShowMessage(TgaErrorCaption, "Couldn't load " + Quoted(fileName) + ". " +
                                         (error == GL_OUT_OF_MEMORY
                                              ? std::string("Out of texture memory.")
                                              : "OpenGL error " + std::to_string(error) + "."));
        return false;
    }
    if (budget != nullptr)
        *budget -= TgaTextureBytes(image.width, image.height);
    texture = name;
    return true;
}

} // namespace

bool LoadTgaTexture(const std::string& fileName, uint32_t& texture, uint64_t* budget)
{
    // An image that cannot be held in memory is one more image that does not load.
    try {
        return LoadTga(fileName, texture, budget);
    } catch (const std::bad_alloc&) {
        ShowMessage(TgaErrorCaption, "Couldn't load " + Quoted(fileName) + ". Out of memory.");
    } catch (const std::exception& error) {
        ShowMessage(TgaErrorCaption, "Couldn't load " + Quoted(fileName) + ". " + error.what());
    }
    return false;
}

uint32_t CreateTgaTexture(uint16_t width, uint16_t height, uint32_t format, const uint8_t* pixels)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    if (width == 0 || height == 0)
        return name; // the mipmap builder refuses an empty image and reads nothing
    // Rows of three-byte pixels are packed without padding; the default unpack alignment of 4
    // would skew such rows and read past the end of the buffer.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(format), width, height, format,
                      GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return name;
}

} // namespace quv
