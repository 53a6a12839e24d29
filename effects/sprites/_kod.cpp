// "Csillagkod": a cloud of 513 star sprites scattered in a sphere around the origin of the
// current modelview, drawn with a brightening blend. The layout is fixed (the shared generator is
// reseeded with 0 in every Render); the fields give its size and brightness. Reads the star
// texture "gfx/stars1.tga", loaded once at start-up.

#include "effects/sprites/_kod.h"

#include <GL/gl.h>

#include "effects/sprites/TGATexture.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_effectinit.h"
#include "engine/random.h"

namespace quv {

namespace {

double ScaleFactor = 0.0;
double Alpha = 0.0;

uint32_t StarTexture = 0;

constexpr int StarCount = 513;

void LoadStarTexture()
{
    StarTexture = 0;
    LoadTgaTexture("gfx/stars1.tga", StarTexture);
}

// Sets: lighting off, depth writes off, blending (ONE, ONE_MINUS_SRC_COLOR), texturing on with
// the star texture bound, depth test on, colour (Alpha x 4), RandSeed 0 before the stars.
// Leaves: that, with blending off and depth writes on again; the matrices as they were; RandSeed
// where 2565 draws from 0 take it, the same in every frame.
void Render()
{
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, StarTexture);
    glEnable(GL_DEPTH_TEST);
    const GLfloat alpha = static_cast<GLfloat>(Alpha);
    glColor4f(alpha, alpha, alpha, alpha);
    RandSeed = 0;
    for (int star = 0; star < StarCount; ++star) {
        glPushMatrix();
        glScaled(ScaleFactor, ScaleFactor, ScaleFactor);
        // Three angles in hundredths of a degree, drawn in this order.
        glRotatef(static_cast<GLfloat>(Random(36000) / 100.0), 1.0f, 0.0f, 0.0f);
        glRotatef(static_cast<GLfloat>(Random(36000) / 100.0), 0.0f, 1.0f, 0.0f);
        glRotatef(static_cast<GLfloat>(Random(36000) / 100.0), 0.0f, 0.0f, 1.0f);
        // Squaring the distance crowds the stars towards the centre.
        const double distance = Random(1000) / 1000.0;
        glTranslatef(0.0f, 0.0f, static_cast<GLfloat>(distance * distance * 150.0));
        const GLfloat size = static_cast<GLfloat>(Random(100000) / 1000.0);
        glScalef(size, size, 1.0f);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(-0.5f, -0.5f, 0.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(0.5f, -0.5f, 0.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(0.5f, 0.5f, 0.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(-0.5f, 0.5f, 0.0f);
        glEnd();
        glPopMatrix();
    }
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Scale factor", &ScaleFactor, 0, 0, 100)
        .Add("Alpha", &Alpha, 0, 0, 1);
}

} // namespace

void RegisterCsillagkod()
{
    RegisterEffect("Csillagkod", &Render, &DefineFields);
    EffectInitAdd(&LoadStarTexture);
}

void ReloadStarTexture()
{
    if (StarTexture != 0)
        glDeleteTextures(1, &StarTexture);
    LoadStarTexture();
}

} // namespace quv
