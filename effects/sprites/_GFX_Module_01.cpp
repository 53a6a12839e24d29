// "GFX Module 01": a flat sprite, one textured quad drawn over the frame with keyframed position,
// rotation, size, opacity and blend factors. The quad shows one of 64 images listed in
// "gfx/gfxslots" and loaded once at start-up, or a render target stretched over the picture.
// Reads the image slots, RenderTargets and the view and texture sizes of DemoParameters.

#include "effects/sprites/_GFX_Module_01.h"

#include <GL/gl.h>

#include <array>
#include <string>

#include "effects/image/OpenGLIndexedBlendingTypeHelper.h"
#include "effects/image/_rendertargets.h"
#include "effects/sprites/TGATexture.h"
#include "effects/sprites/TGA_WH.h"
#include "effects/sprites/slotlist.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_effectinit.h"
#include "engine/_loadsave.h"
#include "engine/files.h"
#include "engine/message.h"
#include "engine/numeric.h"
#include "engine/_DemoParameters.h"

namespace quv {

namespace {

double ImageSlotIndex = 0.0;
double CenterX = 0.0;
double CenterY = 0.0;
double Rotation = 0.0;
double Scale = 0.0;
double Alpha = 0.0;
double BlendSRCIndex = 0.0;
double BlendDSTIndex = 0.0;

struct ImageSlot {
    uint32_t texture = 0;
    int32_t width = 0;
    int32_t height = 0;
    double aspect = 0.0; // height / width; 1 for an empty line, 0 for a slot the list never reached
};

std::array<ImageSlot, ImageSlotCount> ImageSlots{};

// One-time set-up: loads the images named by "gfx/gfxslots" into the slots. A missing list is
// reported with the text of an unhandled missing-file error and leaves every slot empty; the
// rest of the start-up goes on. An image that cannot be loaded keeps a slot of size 0. The list
// is read up to MaxSlotListBytes, and its images together up to MaxSlotTextureBytes.
void LoadImageSlots()
{
    ImageSlots = {};
    const std::optional<std::string> path = ResolveDemoImagePath("gfx/gfxslots");
    if (!path) {
        ShowMessage(ApplicationTitle, "File not found");
        return;
    }
    const FileRead read =
        NamingFile("gfx/gfxslots", [&] { return ReadWholeFile(*path, MaxSlotListBytes); });
    if (read.failure != ReadFailure::None) {
        ShowMessage(ApplicationTitle, ReadFailureText(read, "gfx/gfxslots", MaxSlotListBytes));
        return;
    }
    const std::vector<std::string> lines =
        NamingFile("gfx/gfxslots", [&] { return ParseSlotList(read.bytes); });
    uint64_t textureBudget = MaxSlotTextureBytes;
    for (size_t n = 0; n < lines.size(); ++n) {
        ImageSlot& slot = ImageSlots[n];
        if (lines[n].empty()) {
            slot.width = 0;
            slot.height = 0;
            slot.aspect = 1.0;
            continue;
        }
        const std::string imagePath = "gfx/" + lines[n];
        LoadTgaTexture(imagePath, slot.texture, &textureBudget);
        ReadTgaSize(imagePath, slot.width, slot.height);
        // A failed image has 0 x 0 pixels; its quad has no size whatever the aspect, so it gets
        // 0 rather than 0 / 0.
        slot.aspect = slot.width != 0 ? static_cast<double>(slot.height) / slot.width : 0.0;
    }
}

// Sets: orthographic projection (x -1 to 1, y -r to r with r = view height / width), the 4:3
// viewport, modelview = translation and rotation (and the scale for a render target), lighting
// and depth test off, texturing on with the chosen texture bound, colour (Alpha x 4), blending
// with the indexed factors while drawing.
// Leaves: all of that, GL_MODELVIEW current, blending off.
// An Image Slot Index past the 64 slots, below -8 (past the eight render targets) or NaN draws
// nothing: the state is set as usual, only the quad is left out.
void Render()
{
    const tDemoParameters& p = DemoParameters;
    const double r = static_cast<double>(p.ViewHeight) / p.ViewWidth;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -r, r, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glViewport(p.ViewportX, p.ViewportY, p.ViewportWidth, p.ViewportHeight);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(SourceBlendFactor(TruncInt(BlendSRCIndex)),
                DestinationBlendFactor(TruncInt(BlendDSTIndex)));
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    const GLfloat alpha = static_cast<GLfloat>(Alpha);
    glColor4f(alpha, alpha, alpha, alpha);
    glTranslated(CenterX, CenterY, 0.0);
    glRotated(Rotation, 0.0, 0.0, 1.0);

    const double v = ImageSlotIndex;
    if (v >= 0.0) {
        const int32_t n = TruncInt(v);
        if (n < static_cast<int32_t>(ImageSlotCount)) {
            const ImageSlot& slot = ImageSlots[static_cast<size_t>(n)];
            glBindTexture(GL_TEXTURE_2D, slot.texture);
            Scale = Scale / 2.0; // the next evaluation writes the field afresh
            const double hx = Scale * slot.width / 1024.0;
            const double hy = hx * slot.aspect;
            const GLfloat x = static_cast<GLfloat>(hx);
            const GLfloat y = static_cast<GLfloat>(hy);
            glBegin(GL_QUADS);
            glTexCoord2f(0.0f, 0.0f);
            glVertex3f(-x, -y, 0.0f);
            glTexCoord2f(1.0f, 0.0f);
            glVertex3f(x, -y, 0.0f);
            glTexCoord2f(1.0f, 1.0f);
            glVertex3f(x, y, 0.0f);
            glTexCoord2f(0.0f, 1.0f);
            glVertex3f(-x, y, 0.0f);
            glEnd();
        }
    } else if (v < 0.0) {
        ImageSlotIndex = -v - 1.0; // the next evaluation writes the field afresh
        const int32_t k = TruncInt(ImageSlotIndex);
        if (k < RenderTargetCount) {
            glBindTexture(GL_TEXTURE_2D, RenderTargets[k]);
            glScaled(Scale, Scale, 0.0);
            const double su = static_cast<double>(p.ViewWidth) / p.TextureWidth;
            const double sv = static_cast<double>(p.ViewHeight) / p.TextureHeight;
            glBegin(GL_QUADS);
            glTexCoord2d(0.0, 0.0);
            glVertex2d(-1.0, -r);
            glTexCoord2d(su, 0.0);
            glVertex2d(1.0, -r);
            glTexCoord2d(su, sv);
            glVertex2d(1.0, r);
            glTexCoord2d(0.0, sv);
            glVertex2d(-1.0, r);
            glEnd();
        }
    }
    glDisable(GL_BLEND);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Image Slot Index", &ImageSlotIndex, 0, 0, 16)
        .Add("Center X", &CenterX, -1, 0, 1)
        .Add("Center Y", &CenterY, -1, 0, 1)
        .Add("Rotation", &Rotation, -360, 0, 360)
        .Add("Scale", &Scale, 0, 1, 2)
        .Add("Alpha", &Alpha, 0, 1, 1)
        .Add("Blend SRC Index", &BlendSRCIndex, 0, 1, 8)
        .Add("Blend DST Index", &BlendDSTIndex, 0, 1, 7);
}

} // namespace

void RegisterGFXModule01()
{
    RegisterEffect("GFX Module 01", &Render, &DefineFields);
    EffectInitAdd(&LoadImageSlots);
}

void ReloadImageSlots()
{
    for (const ImageSlot& slot : ImageSlots)
        if (slot.texture != 0)
            glDeleteTextures(1, &slot.texture);
    LoadImageSlots();
}

} // namespace quv
