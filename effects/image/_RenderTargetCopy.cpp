// "RenderTarget Copy": copies the picture drawn so far in the frame into one pool texture,
// starting at the view's lower-left pixel, without changing the picture. Reads "Destination",
// the view and texture sizes of DemoParameters.

#include "effects/image/_RenderTargetCopy.h"

#include <GL/gl.h>

#include "effects/image/_rendertargets.h"
#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_DemoParameters.h"

namespace quv {

namespace {

double Destination = 0.0;

// Sets: nothing lasting but the binding. Leaves: both matrices as they were, GL_MODELVIEW
// selected, GL_TEXTURE_2D disabled, the pool texture bound. An index outside the pool binds
// texture 0 and copies nothing, so no texture receives an image it was not meant to hold.
void Render()
{
    const tDemoParameters& p = DemoParameters;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, p.ViewWidth, 0.0, p.ViewHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, RenderTargetName(Destination));
    if (IsRenderTargetIndex(Destination))
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, p.ViewportX, p.ViewportY, p.TextureWidth,
                         p.TextureHeight, 0);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head).Add("Destination", &Destination, 0, 0, 8);
}

} // namespace

void RegisterRenderTargetCopy()
{
    RegisterEffect("RenderTarget Copy", &Render, &DefineFields);
}

} // namespace quv
