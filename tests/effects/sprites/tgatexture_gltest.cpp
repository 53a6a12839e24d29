#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/sprites/TGATexture.h"
#include "effects/sprites/TGA_WH.h"
#include "tests/effects/sprites/tgafiles.h"
#include "tests/support/glcontext.h"

namespace quv {
namespace {

struct Level {
    GLint width = 0;
    GLint height = 0;
    GLint format = 0;
};

Level LevelOf(int level)
{
    Level l;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &l.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &l.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_INTERNAL_FORMAT, &l.format);
    return l;
}

// Level 0 of the bound texture as RGBA bytes, row 0 (the bottom row) first.
std::vector<uint8_t> Texels()
{
    const Level l = LevelOf(0);
    std::vector<uint8_t> texels(static_cast<size_t>(l.width * l.height * 4));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

std::vector<uint8_t> Texel(const std::vector<uint8_t>& texels, int width, int x, int y)
{
    const auto at = texels.begin() + (y * width + x) * 4;
    return {at, at + 4};
}

uint32_t Load(const std::string& name)
{
    uint32_t texture = 0;
    EXPECT_TRUE(LoadTgaTexture(name, texture)) << name;
    EXPECT_NE(texture, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<uint32_t>(bound), texture); // the new texture stays bound
    return texture;
}

TEST(TGATexture, TexturesHoldTheFilesPixels)
{
    test::ScratchDirectory dir;
    test::GlScene scene(64, 48);
    test::MessageRecorder messages;

    // 24 bits: first stored pixel (blue 10, green 20, red 30) is texel (0, 0), bottom left.
    test::TgaFields fields;
    fields.width = 256;
    fields.height = 128;
    std::vector<uint8_t> body(256 * 128 * 3, 0);
    body[0] = 10;
    body[1] = 20;
    body[2] = 30;
    body[(127 * 256 + 255) * 3 + 2] = 99; // last stored pixel: top right, red 99
    test::WriteFile("gfx/rgb.tga", test::TgaBytes(fields, body));
    Load("gfx/rgb.tga");
    Level l = LevelOf(0);
    EXPECT_EQ(l.width, 256);
    EXPECT_EQ(l.height, 128);
    EXPECT_EQ(l.format, GL_RGB);
    EXPECT_EQ(LevelOf(1).width, 128); // the mipmap chain exists
    EXPECT_EQ(LevelOf(8).width, 1);
    std::vector<uint8_t> texels = Texels();
    EXPECT_EQ(Texel(texels, 256, 0, 0), (std::vector<uint8_t>{30, 20, 10, 255}));
    EXPECT_EQ(Texel(texels, 256, 255, 127), (std::vector<uint8_t>{99, 0, 0, 255}));
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(env, GL_MODULATE);

    // 32 bits, run-length encoded: alpha kept, GL_RGBA.
    fields.imageType = 10;
    fields.depth = 32;
    fields.width = 4;
    fields.height = 1;
    test::WriteFile("gfx/rgba.tga",
                    test::TgaBytes(fields, {0x81, 1, 2, 3, 77, 0x01, 4, 5, 6, 0, 7, 8, 9, 255}));
    Load("gfx/rgba.tga");
    EXPECT_EQ(LevelOf(0).format, GL_RGBA);
    EXPECT_EQ(Texels(), (std::vector<uint8_t>{3, 2, 1, 77, 3, 2, 1, 77, 6, 5, 4, 0, 9, 8, 7, 255}));

    // Rows of three-byte pixels are not padded: a 2 x 2 image's second row starts at byte 6.
    fields = {};
    fields.width = 2;
    fields.height = 2;
    test::WriteFile("gfx/small.tga", test::TgaBytes(fields, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
    Load("gfx/small.tga");
    EXPECT_EQ(Texels(),
              (std::vector<uint8_t>{1, 1, 1, 255, 2, 2, 2, 255, 3, 3, 3, 255, 4, 4, 4, 255}));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4); // put back for the other effects' uploads

    // Any size loads: the mipmap builder scales to powers of two.
    test::WriteFile("gfx/odd.tga", test::SolidTga(300, 200, 40, 80, 120));
    Load("gfx/odd.tga");
    l = LevelOf(0);
    EXPECT_GT(l.width, 0);
    EXPECT_GT(l.height, 0);
    EXPECT_EQ(l.width & (l.width - 1), 0);
    EXPECT_EQ(l.height & (l.height - 1), 0);
    texels = Texels();
    EXPECT_EQ(Texel(texels, l.width, l.width / 2, l.height / 2),
              (std::vector<uint8_t>{40, 80, 120, 255}));
    int32_t width = 0;
    int32_t height = 0;
    ReadTgaSize("gfx/odd.tga", width, height);
    EXPECT_EQ(width, 300);
    EXPECT_EQ(height, 200);

    // An empty image makes a texture without an image.
    test::WriteFile("gfx/empty.tga", test::SolidTga(0, 5, 1, 2, 3));
    Load("gfx/empty.tga");
    EXPECT_EQ(LevelOf(0).width, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(messages.Take().empty());
}

TEST(TGATexture, ReadsImageMagickFiles)
{
    test::ScratchDirectory dir;
    test::GlScene scene(64, 48);
    test::MessageRecorder messages;
    std::filesystem::create_directories("gfx");
    ASSERT_TRUE(test::Convert("-size 300x200 'xc:rgb(200,100,50)' -depth 8 gfx/plain.tga"));
    ASSERT_TRUE(test::Convert("-size 64x32 'xc:rgb(10,20,250)' -depth 8 -compress RLE "
                              "gfx/packed.tga"));
    ASSERT_TRUE(test::Convert("-size 16x16 'xc:rgba(200,100,50,0.5)' -depth 8 -type "
                              "TrueColorAlpha gfx/alpha.tga"));
    const struct {
        const char* name;
        std::vector<uint8_t> texel;
        GLint format;
    } files[] = {{"gfx/plain.tga", {200, 100, 50, 255}, GL_RGB},
                 {"gfx/packed.tga", {10, 20, 250, 255}, GL_RGB},
                 {"gfx/alpha.tga", {200, 100, 50, 128}, GL_RGBA}};
    for (const auto& file : files) {
        Load(file.name);
        const Level l = LevelOf(0);
        EXPECT_EQ(l.format, file.format) << file.name;
        const std::vector<uint8_t> texels = Texels();
        EXPECT_EQ(Texel(texels, l.width, l.width / 2, l.height / 2), file.texel) << file.name;
    }
    int32_t width = 0;
    int32_t height = 0;
    ReadTgaSize("gfx/packed.tga", width, height);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 32);
    EXPECT_TRUE(messages.Take().empty());
}

} // namespace
} // namespace quv
