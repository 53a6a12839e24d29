#pragma once
// TGA images: uncompressed (type 2) and run-length-encoded (type 10) true-colour files of 24 or
// 32 bits per pixel, turned into mipmapped GL textures. The reader treats every file as
// untrusted: it decodes from a byte buffer with bounds checks, computes sizes in 64 bits and
// refuses pixel buffers over MaxTgaPixelBytes. Problems are reported through ShowMessage and the
// call returns without a texture.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quv {

constexpr size_t TgaHeaderSize = 18;
constexpr uint64_t MaxTgaPixelBytes = uint64_t{256} << 20;

struct TgaHeader {
    uint8_t idLength = 0;
    uint8_t colorMapType = 0;
    uint8_t imageType = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t depth = 0;
    uint8_t descriptor = 0;
};

enum class TgaProblem {
    None,
    ShortHeader, // fewer than 18 bytes
    ImageType,   // neither 2 nor 10
    ColorMap,    // colour-map type not 0
    Depth,       // not 24 or 32 bits per pixel
    TooLarge,    // pixel buffer over MaxTgaPixelBytes
    ShortData,   // pixel data or run-length packets end before the image is complete
};

// A decoded image: rows bottom first (the file's first stored row is row 0), each pixel red,
// green, blue and, for 32-bit files, alpha.
struct TgaImage {
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t bytesPerPixel = 0; // 3 or 4
    std::vector<uint8_t> pixels;
};

// Reads the header and checks image type and colour map, in that order (what the size reader
// needs); the depth is not checked.
TgaProblem ReadTgaHeader(std::span<const uint8_t> file, TgaHeader& header);

// Decodes a whole file. The image ID field is skipped; the origin bit is not consulted (images
// made for the player look right with the first stored row at the bottom). A run packet that
// reaches past the last pixel is cut at the image's end. On a problem, image is left unchanged.
TgaProblem DecodeTga(std::span<const uint8_t> file, TgaImage& image);

// The message text for a problem with the named file (name as the caller passed it).
std::string TgaProblemText(TgaProblem problem, const std::string& name);

// Caption of the loaders' messages, and of the one for a missing file.
inline constexpr const char* TgaErrorCaption = "TGA File Error";
inline constexpr const char* TgaNotFoundCaption = "TGA Texture";

// Opens a file the way demos name it (ResolveDemoImagePath: backslashes, case-insensitive lookup,
// inside the demo's "gfx" folder only). False, after the "File not found  - " message, when there
// is no such regular file there; a name that leads out of the folder gets the same message.
bool OpenTgaFile(const std::string& fileName, std::string& path);

// Loads the named file into a new texture. texture is written only on success. The file is read
// as ReadWholeFile reads it, up to MaxTgaFileBytes. With a budget (bytes of texture memory left,
// counted by TgaTextureBytes), an image over it is refused before it is decoded and a loaded one
// is taken from it. A GL error in the upload (out of memory) is reported and leaves no texture.
bool LoadTgaTexture(const std::string& fileName, uint32_t& texture, uint64_t* budget = nullptr);

// The texture memory all image slots together may take, so that a few small run-length files of
// huge images cannot take many GB.
constexpr uint64_t MaxSlotTextureBytes = uint64_t{1} << 30;

// What an image of the given size is counted as: RGBA texels, each side rounded up to a power of
// two, and its mipmaps.
uint64_t TgaTextureBytes(uint16_t width, uint16_t height);

// Makes a 2D texture (modulate, linear filters) whose image and mipmaps gluBuild2DMipmaps builds
// from the pixels; format is GL_RGB or GL_RGBA. The new texture stays bound. A side of 0 leaves
// the texture without an image.
uint32_t CreateTgaTexture(uint16_t width, uint16_t height, uint32_t format, const uint8_t* pixels);

} // namespace quv
