// "OpenGL FOV": draws nothing; re-establishes the perspective projection with a keyframed
// vertical field of view. Reads "FOV" and the screen size in DemoParameters.

#include "effects/state/_OpenGLFOV.h"

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/_DemoParameters.h"
#include "effects/glview.h"

namespace quv {

namespace {

double FOV = 0.0;

// Sets the projection (perspective of FOV degrees, the fixed demo aspect, near 1, far 1250) and
// the 4:3 viewport. Leaves GL_MODELVIEW selected with the identity, which discards any camera or
// transform applied earlier in the frame.
void Render()
{
    SetPerspective(DemoParameters.ScreenWidth, DemoParameters.ScreenHeight,
                   static_cast<float>(FOV));
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head).Add("FOV", &FOV, 0, 90, 180);
}

} // namespace

void RegisterOpenGLFOV()
{
    RegisterEffect("OpenGL FOV", &Render, &DefineFields);
}

} // namespace quv
