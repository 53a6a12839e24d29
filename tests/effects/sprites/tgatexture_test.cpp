#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "effects/sprites/TGATexture.h"
#include "effects/sprites/TGA_WH.h"
#include "engine/_loadsave.h"
#include "tests/effects/sprites/tgafiles.h"

namespace quv {
namespace {

using test::TgaBytes;
using test::TgaFields;

std::vector<uint8_t> Pixel(const TgaImage& image, size_t index)
{
    const size_t b = image.bytesPerPixel;
    return {image.pixels.begin() + static_cast<long>(index * b),
            image.pixels.begin() + static_cast<long>((index + 1) * b)};
}

TEST(TGATexture, UncompressedPixelsBecomeRgbInFileRowOrder)
{
    TgaFields fields;
    fields.width = 256;
    fields.height = 128;
    std::vector<uint8_t> body(256 * 128 * 3, 0);
    body[0] = 10; // first stored pixel: blue 10, green 20, red 30
    body[1] = 20;
    body[2] = 30;
    body[256 * 3] = 1; // first pixel of the second stored row
    TgaImage image;
    ASSERT_EQ(DecodeTga(TgaBytes(fields, body), image), TgaProblem::None);
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 128);
    EXPECT_EQ(image.bytesPerPixel, 3u);
    EXPECT_EQ(Pixel(image, 0), (std::vector<uint8_t>{30, 20, 10}));
    EXPECT_EQ(Pixel(image, 256), (std::vector<uint8_t>{0, 0, 1}));

    // The origin bit is not consulted: a "top-left" file decodes the same.
    fields.descriptor = 0x20;
    TgaImage flagged;
    ASSERT_EQ(DecodeTga(TgaBytes(fields, body), flagged), TgaProblem::None);
    EXPECT_EQ(flagged.pixels, image.pixels);

    // 32 bits: alpha stays as stored.
    TgaFields rgba;
    rgba.width = 2;
    rgba.height = 1;
    rgba.depth = 32;
    ASSERT_EQ(DecodeTga(TgaBytes(rgba, {1, 2, 3, 77, 4, 5, 6, 255}), image), TgaProblem::None);
    EXPECT_EQ(image.bytesPerPixel, 4u);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{3, 2, 1, 77, 6, 5, 4, 255}));
}

TEST(TGATexture, ImageIdFieldIsSkipped)
{
    TgaFields fields;
    fields.width = 1;
    fields.height = 1;
    fields.id = "made by a paint program";
    TgaImage image;
    ASSERT_EQ(DecodeTga(TgaBytes(fields, {10, 20, 30}), image), TgaProblem::None);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{30, 20, 10}));
    // An ID field that the file does not hold is short data.
    std::vector<uint8_t> cut = TgaBytes(fields, {});
    cut.resize(20);
    EXPECT_EQ(DecodeTga(cut, image), TgaProblem::ShortData);
}

TEST(TGATexture, RunAndRawPackets)
{
    TgaFields fields;
    fields.imageType = 10;
    fields.width = 7;
    fields.height = 1;
    // A run of four copies of one pixel, then a raw packet of three pixels.
    const std::vector<uint8_t> body = {0x83, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    TgaImage image;
    ASSERT_EQ(DecodeTga(TgaBytes(fields, body), image), TgaProblem::None);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{3, 2, 1, 3, 2, 1, 3, 2,  1,  3, 2,
                                                  1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));

    // 32-bit runs carry alpha.
    fields.depth = 32;
    fields.width = 2;
    ASSERT_EQ(DecodeTga(TgaBytes(fields, {0x81, 1, 2, 3, 200}), image), TgaProblem::None);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{3, 2, 1, 200, 3, 2, 1, 200}));

    // A packet that reaches past the last pixel is cut at the image's end.
    fields.depth = 24;
    fields.width = 3;
    ASSERT_EQ(DecodeTga(TgaBytes(fields, {0x01, 1, 1, 1, 2, 2, 2, 0xFF, 9, 9, 9}), image),
              TgaProblem::None);
    EXPECT_EQ(image.pixels.size(), 9u);
    EXPECT_EQ(Pixel(image, 2), (std::vector<uint8_t>{9, 9, 9}));
    ASSERT_EQ(DecodeTga(TgaBytes(fields, {0x7F, 1, 1, 1, 2, 2, 2, 3, 3, 3}), image),
              TgaProblem::None);
    EXPECT_EQ(Pixel(image, 2), (std::vector<uint8_t>{3, 3, 3}));

    // Streams that end early: no packet, a run without its pixel, a raw packet cut short.
    image = {};
    EXPECT_EQ(DecodeTga(TgaBytes(fields, {0x80, 1, 2, 3}), image), TgaProblem::ShortData);
    EXPECT_EQ(DecodeTga(TgaBytes(fields, {0x80, 1, 2, 3, 0x81, 4}), image), TgaProblem::ShortData);
    EXPECT_EQ(DecodeTga(TgaBytes(fields, {0x02, 1, 2, 3, 4, 5, 6, 7}), image),
              TgaProblem::ShortData);
    EXPECT_TRUE(image.pixels.empty()); // a refused file leaves the image alone
}

TEST(TGATexture, SizesAreCheckedBeforeAllocating)
{
    TgaFields fields;
    fields.depth = 32;
    fields.width = 8192;
    fields.height = 8192; // exactly 256 MiB of pixels: allowed, but the data is missing
    TgaImage image;
    EXPECT_EQ(DecodeTga(TgaBytes(fields, {1, 2, 3}), image), TgaProblem::ShortData);
    fields.imageType = 10;
    EXPECT_EQ(DecodeTga(TgaBytes(fields, {0xFF, 1, 2, 3, 4}), image), TgaProblem::ShortData);
    fields.height = 8193;
    EXPECT_EQ(DecodeTga(TgaBytes(fields, {}), image), TgaProblem::TooLarge);
    fields.width = 65535;
    fields.height = 65535;
    EXPECT_EQ(DecodeTga(TgaBytes(fields, {}), image), TgaProblem::TooLarge);

    // Width or height 0 is an empty image.
    fields.imageType = 2;
    fields.height = 0;
    ASSERT_EQ(DecodeTga(TgaBytes(fields, {}), image), TgaProblem::None);
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

    TgaFields mapped; // colour-mapped image type with a colour map: the image-type text
    mapped.imageType = 1;
    mapped.colorMapType = 1;
    mapped.depth = 8;
    EXPECT_EQ(load(TgaBytes(mapped, {0, 0, 0, 0})), prefix + "Only 24 and 32bit TGA supported.");
    mapped.imageType = 3; // grey
    mapped.colorMapType = 0;
    EXPECT_EQ(load(TgaBytes(mapped, {0})), prefix + "Only 24 and 32bit TGA supported.");

    TgaFields fields;
    fields.width = 1;
    fields.height = 1;
    fields.colorMapType = 1;
    EXPECT_EQ(load(TgaBytes(fields, {1, 2, 3})), prefix + "Colormapped TGA files not supported.");
    fields.imageType = 10;
    EXPECT_EQ(load(TgaBytes(fields, {0x80, 1, 2, 3})),
              prefix + "Colormapped TGA files not supported.");

    fields.colorMapType = 0;
    fields.imageType = 2;
    for (uint8_t depth : {8, 16, 25, 31, 40, 255}) {
        fields.depth = depth;
        EXPECT_EQ(load(TgaBytes(fields, std::vector<uint8_t>(32, 7))),
                  prefix + "Only 24 and 32 bit TGA files supported.")
            << "depth " << int{depth};
    }

    fields.depth = 24;
    fields.width = 65535;
    fields.height = 65535;
    EXPECT_EQ(load(TgaBytes(fields, {})), prefix + "TGA images over 256 MB not supported.");

    const std::string unreadable = "TGA File Error: Couldn't read file \"gfx/bad.tga\".";
    fields.width = 2;
    fields.height = 2;
    EXPECT_EQ(load(TgaBytes(fields, std::vector<uint8_t>(11, 0))), unreadable);
    fields.imageType = 10;
    EXPECT_EQ(load(TgaBytes(fields, {0x82, 1, 2, 3})), unreadable);
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

// Names that lead out of the image folder get the message of a missing file, word for word, so
// that a slot list cannot tell which files exist elsewhere; a FIFO or an oversized file is refused
// before it is read.
TEST(TGATexture, OnlyFilesInsideTheImageFolderAreOpened)
{
    test::ScratchDirectory dir;
    test::MessageRecorder messages;
    test::WriteFile("./secret.tga", test::SolidTga(2, 2, 1, 2, 3));
    test::WriteFile("gfx/real.tga", test::SolidTga(2, 2, 1, 2, 3));
    std::filesystem::create_symlink("../secret.tga", "gfx/link.tga");
    std::filesystem::create_symlink(dir.Path() / "secret.tga", "gfx/absolute.tga");
    const std::string secret = (dir.Path() / "secret.tga").string();
    for (const std::string& name :
         {secret, std::string("gfx/../secret.tga"), std::string("gfx/link.tga"),
          std::string("gfx/absolute.tga"), std::string("gfx/missing.tga")}) {
        uint32_t texture = 7;
        int32_t width = 0, height = 0;
        EXPECT_FALSE(LoadTgaTexture(name, texture));
        ReadTgaSize(name, width, height);
        EXPECT_EQ(width, 0);
        EXPECT_EQ(messages.Take(),
                  std::vector<std::string>(2, "TGA Texture: File not found  - " + name));
    }
    int32_t width = 0, height = 0;
    ReadTgaSize("gfx/real.tga", width, height);
    EXPECT_EQ(width, 2);

    ASSERT_EQ(mkfifo("gfx/fifo.tga", 0600), 0);
    test::WriteFile("gfx/huge.tga", {});
    std::filesystem::resize_file("gfx/huge.tga", MaxTgaFileBytes + 1);
    uint32_t texture = 7;
    EXPECT_FALSE(LoadTgaTexture("gfx/fifo.tga", texture));
    EXPECT_FALSE(LoadTgaTexture("gfx/huge.tga", texture));
    EXPECT_EQ(messages.Take(), (std::vector<std::string>{
                                   "TGA Texture: File not found  - gfx/fifo.tga",
                                   "TGA File Error: \"gfx/huge.tga\" is too large (" +
                                       std::to_string(MaxTgaFileBytes + 1) + " bytes; at most " +
                                       std::to_string(MaxTgaFileBytes) + ")"}));
}

// The slots' images share a budget of texture memory, counted from each header before the image
// is decoded: a small run-length file of an 8192 x 8192 image counts as what it would take.
TEST(TGATexture, TextureBudgetIsCheckedFromTheHeader)
{
    EXPECT_EQ(TgaTextureBytes(8192, 8192), (uint64_t{256} << 20) + (uint64_t{256} << 20) / 3);
    EXPECT_EQ(TgaTextureBytes(3, 5), 8u * 4 * 4 + 8u * 4 * 4 / 3); // rounded up to 4 x 8

    test::ScratchDirectory dir;
    test::MessageRecorder messages;
    test::TgaFields fields;
    fields.imageType = 10;
    fields.width = 8192;
    fields.height = 8192;
    test::WriteFile("gfx/big.tga", test::TgaBytes(fields, {}));
    uint64_t budget = MaxSlotTextureBytes;
    for (int slot = 0; slot < 3; ++slot) // three fit; their data is short, so they fail later
        budget -= TgaTextureBytes(8192, 8192);
    uint32_t texture = 7;
    EXPECT_FALSE(LoadTgaTexture("gfx/big.tga", texture, &budget));
    EXPECT_EQ(messages.Take(),
              std::vector<std::string>{"TGA File Error: Couldn't load \"gfx/big.tga\". The "
                                       "images together need over 1 GB of texture memory."});
    EXPECT_EQ(texture, 7u);
}

TEST(TGA_WH, ReadsTheHeaderOnly)
{
    test::ScratchDirectory dir;
    test::MessageRecorder messages;
    TgaFields fields;
    fields.width = 300;
    fields.height = 200;
    fields.depth = 16; // no depth test, and the pixel data is not read
    test::WriteFile("gfx/Sixteen.TGA", TgaBytes(fields, {}));
    int32_t width = -1;
    int32_t height = -1;
    ReadTgaSize("gfx\\sixteen.tga", width, height); // Windows name, other case
    EXPECT_EQ(width, 300);
    EXPECT_EQ(height, 200);
    EXPECT_TRUE(messages.Take().empty());

    fields.width = 65535;
    fields.height = 65535;
    test::WriteFile("gfx/huge.tga", TgaBytes(fields, {}));
    ReadTgaSize("gfx/huge.tga", width, height);
    EXPECT_EQ(width, 65535);
    EXPECT_EQ(height, 65535);

    width = height = 7;
    fields.imageType = 1;
    test::WriteFile("gfx/mapped.tga", TgaBytes(fields, {}));
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
