#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "effects/sprites/TGATexture.h"
#include "effects/sprites/TGA_WH.h"
#include "tests/effects/sprites/tgafiles.h"

namespace quv {
namespace {

using test::TgaBytes;
using test::TgaSpec;

std::vector<uint8_t> Pixel(const TgaImage& image, size_t index)
{
    const size_t b = image.bytesPerPixel;
    return {image.pixels.begin() + static_cast<long>(index * b),
            image.pixels.begin() + static_cast<long>((index + 1) * b)};
}

TEST(TGATexture, UncompressedPixelsBecomeRgbInFileRowOrder)
{
    TgaSpec spec;
    spec.width = 256;
    spec.height = 128;
    std::vector<uint8_t> body(256 * 128 * 3, 0);
    body[0] = 10; // first stored pixel: blue 10, green 20, red 30
    body[1] = 20;
    body[2] = 30;
    body[256 * 3] = 1; // first pixel of the second stored row
    TgaImage image;
    ASSERT_EQ(DecodeTga(TgaBytes(spec, body), image), TgaProblem::None);
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 128);
    EXPECT_EQ(image.bytesPerPixel, 3u);
    EXPECT_EQ(Pixel(image, 0), (std::vector<uint8_t>{30, 20, 10}));
    EXPECT_EQ(Pixel(image, 256), (std::vector<uint8_t>{0, 0, 1}));

    // The origin bit is not consulted: a "top-left" file decodes the same.
    spec.descriptor = 0x20;
    TgaImage flagged;
    ASSERT_EQ(DecodeTga(TgaBytes(spec, body), flagged), TgaProblem::None);
    EXPECT_EQ(flagged.pixels, image.pixels);

    // 32 bits: alpha stays as stored.
    TgaSpec rgba;
    rgba.width = 2;
    rgba.height = 1;
    rgba.depth = 32;
    ASSERT_EQ(DecodeTga(TgaBytes(rgba, {1, 2, 3, 77, 4, 5, 6, 255}), image), TgaProblem::None);
    EXPECT_EQ(image.bytesPerPixel, 4u);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{3, 2, 1, 77, 6, 5, 4, 255}));
}

TEST(TGATexture, ImageIdFieldIsSkipped)
{
    TgaSpec spec;
    spec.width = 1;
    spec.height = 1;
    spec.id = "made by a paint program";
    TgaImage image;
    ASSERT_EQ(DecodeTga(TgaBytes(spec, {10, 20, 30}), image), TgaProblem::None);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{30, 20, 10}));
    // An ID field that the file does not hold is short data.
    std::vector<uint8_t> cut = TgaBytes(spec, {});
    cut.resize(20);
    EXPECT_EQ(DecodeTga(cut, image), TgaProblem::ShortData);
}

TEST(TGATexture, RunAndRawPackets)
{
    TgaSpec spec;
    spec.imageType = 10;
    spec.width = 7;
    spec.height = 1;
    // A run of four copies of one pixel, then a raw packet of three pixels.
    const std::vector<uint8_t> body = {0x83, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    TgaImage image;
    ASSERT_EQ(DecodeTga(TgaBytes(spec, body), image), TgaProblem::None);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{3, 2, 1, 3, 2, 1, 3, 2,  1,  3, 2,
                                                  1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));

    // 32-bit runs carry alpha.
    spec.depth = 32;
    spec.width = 2;
    ASSERT_EQ(DecodeTga(TgaBytes(spec, {0x81, 1, 2, 3, 200}), image), TgaProblem::None);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{3, 2, 1, 200, 3, 2, 1, 200}));

    // A packet that reaches past the last pixel is cut at the image's end.
    spec.depth = 24;
    spec.width = 3;
    ASSERT_EQ(DecodeTga(TgaBytes(spec, {0x01, 1, 1, 1, 2, 2, 2, 0xFF, 9, 9, 9}), image),
              TgaProblem::None);
    EXPECT_EQ(image.pixels.size(), 9u);
    EXPECT_EQ(Pixel(image, 2), (std::vector<uint8_t>{9, 9, 9}));
    ASSERT_EQ(DecodeTga(TgaBytes(spec, {0x7F, 1, 1, 1, 2, 2, 2, 3, 3, 3}), image),
              TgaProblem::None);
    EXPECT_EQ(Pixel(image, 2), (std::vector<uint8_t>{3, 3, 3}));

    // Streams that end early: no packet, a run without its pixel, a raw packet cut short.
    image = {};
    EXPECT_EQ(DecodeTga(TgaBytes(spec, {0x80, 1, 2, 3}), image), TgaProblem::ShortData);
    EXPECT_EQ(DecodeTga(TgaBytes(spec, {0x80, 1, 2, 3, 0x81, 4}), image), TgaProblem::ShortData);
    EXPECT_EQ(DecodeTga(TgaBytes(spec, {0x02, 1, 2, 3, 4, 5, 6, 7}), image), TgaProblem::ShortData);
    EXPECT_TRUE(image.pixels.empty()); // a refused file leaves the image alone
}

TEST(TGATexture, SizesAreCheckedBeforeAllocating)
{
    TgaSpec spec;
    spec.depth = 32;
    spec.width = 8192;
    spec.height = 8192; // exactly 256 MiB of pixels: allowed, but the data is missing
    TgaImage image;
    EXPECT_EQ(DecodeTga(TgaBytes(spec, {1, 2, 3}), image), TgaProblem::ShortData);
    spec.imageType = 10;
    EXPECT_EQ(DecodeTga(TgaBytes(spec, {0xFF, 1, 2, 3, 4}), image), TgaProblem::ShortData);
    spec.height = 8193;
    EXPECT_EQ(DecodeTga(TgaBytes(spec, {}), image), TgaProblem::TooLarge);
    spec.width = 65535;
    spec.height = 65535;
    EXPECT_EQ(DecodeTga(TgaBytes(spec, {}), image), TgaProblem::TooLarge);

    // Width or height 0 is an empty image.
    spec.imageType = 2;
    spec.height = 0;
    ASSERT_EQ(DecodeTga(TgaBytes(spec, {}), image), TgaProblem::None);
    EXPECT_TRUE(image.pixels.empty());
}

TEST(TGATexture, EveryRejectionHasItsMessage)
{
    test::ScratchDirectory dir;
    test::MessageRecorder messages;
    auto load = [&](const std::vector<uint8_t>& bytes) {
        test::WriteFile("gfx/bad.tga", bytes);
        uint32_t texture = 12345;
        EXPECT_FALSE(LoadTgaTexture("gfx/bad.tga", texture));
        EXPECT_EQ(texture, 12345u); // not written on failure
        const std::vector<std::string> lines = messages.Take();
        return lines.size() == 1 ? lines[0] : "(" + std::to_string(lines.size()) + " messages)";
    };
    const std::string prefix = "TGA File Error: Couldn't load \"gfx/bad.tga\". ";

    TgaSpec mapped; // colour-mapped image type with a colour map: the image-type text
    mapped.imageType = 1;
    mapped.colorMapType = 1;
    mapped.depth = 8;
    EXPECT_EQ(load(TgaBytes(mapped, {0, 0, 0, 0})), prefix + "Only 24 and 32bit TGA supported.");
    mapped.imageType = 3; // grey
    mapped.colorMapType = 0;
    EXPECT_EQ(load(TgaBytes(mapped, {0})), prefix + "Only 24 and 32bit TGA supported.");

    TgaSpec spec;
    spec.width = 1;
    spec.height = 1;
    spec.colorMapType = 1;
    EXPECT_EQ(load(TgaBytes(spec, {1, 2, 3})), prefix + "Colormapped TGA files not supported.");
    spec.imageType = 10;
    EXPECT_EQ(load(TgaBytes(spec, {0x80, 1, 2, 3})),
              prefix + "Colormapped TGA files not supported.");

    spec.colorMapType = 0;
    spec.imageType = 2;
    for (uint8_t depth : {8, 16, 25, 31, 40, 255}) {
        spec.depth = depth;
        EXPECT_EQ(load(TgaBytes(spec, std::vector<uint8_t>(32, 7))),
                  prefix + "Only 24 and 32 bit TGA files supported.")
            << "depth " << int{depth};
    }

    spec.depth = 24;
    spec.width = 65535;
    spec.height = 65535;
    EXPECT_EQ(load(TgaBytes(spec, {})), prefix + "TGA images over 256 MB not supported.");

    const std::string unreadable = "TGA File Error: Couldn't read file \"gfx/bad.tga\".";
    spec.width = 2;
    spec.height = 2;
    EXPECT_EQ(load(TgaBytes(spec, std::vector<uint8_t>(11, 0))), unreadable);
    spec.imageType = 10;
    EXPECT_EQ(load(TgaBytes(spec, {0x82, 1, 2, 3})), unreadable);
    EXPECT_EQ(load(std::vector<uint8_t>(17, 0)), unreadable); // header cut short
    EXPECT_EQ(load({}), unreadable);

    uint32_t texture = 5;
    EXPECT_FALSE(LoadTgaTexture("gfx/missing.tga", texture));
    EXPECT_EQ(texture, 5u);
    EXPECT_EQ(messages.Take(),
              std::vector<std::string>{"TGA Texture: File not found  - gfx/missing.tga"});
    // A directory is not a file; a name with a NUL byte names no file.
    EXPECT_FALSE(LoadTgaTexture("gfx", texture));
    EXPECT_FALSE(LoadTgaTexture(std::string("gfx/bad.tga\0x", 13), texture));
    EXPECT_EQ(messages.Take().size(), 2u);
}

TEST(TGA_WH, ReadsTheHeaderOnly)
{
    test::ScratchDirectory dir;
    test::MessageRecorder messages;
    TgaSpec spec;
    spec.width = 300;
    spec.height = 200;
    spec.depth = 16; // no depth test, and the pixel data is not read
    test::WriteFile("gfx/Sixteen.TGA", TgaBytes(spec, {}));
    int32_t width = -1;
    int32_t height = -1;
    ReadTgaSize("gfx\\sixteen.tga", width, height); // Windows name, other case
    EXPECT_EQ(width, 300);
    EXPECT_EQ(height, 200);
    EXPECT_TRUE(messages.Take().empty());

    spec.width = 65535;
    spec.height = 65535;
    test::WriteFile("gfx/huge.tga", TgaBytes(spec, {}));
    ReadTgaSize("gfx/huge.tga", width, height);
    EXPECT_EQ(width, 65535);
    EXPECT_EQ(height, 65535);

    width = height = 7;
    spec.imageType = 1;
    test::WriteFile("gfx/mapped.tga", TgaBytes(spec, {}));
    ReadTgaSize("gfx/mapped.tga", width, height);
    test::WriteFile("gfx/short.tga", std::vector<uint8_t>(10, 2));
    ReadTgaSize("gfx/short.tga", width, height);
    ReadTgaSize("gfx/none.tga", width, height);
    EXPECT_EQ(width, 7);
    EXPECT_EQ(height, 7);
    EXPECT_EQ(messages.Take(),
              (std::vector<std::string>{
                  "TGA File Error: Couldn't load \"gfx/mapped.tga\". Only 24 and 32bit TGA "
                  "supported.",
                  "TGA File Error: Couldn't read file \"gfx/short.tga\".",
                  "TGA Texture: File not found  - gfx/none.tga"}));
}

} // namespace
} // namespace quv
