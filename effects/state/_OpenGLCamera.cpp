// "OpenGL Camera": draws nothing; multiplies a look-at view transform into the current matrix.
// Reads its nine fields (eye, target and up vector).

#include "effects/state/_OpenGLCamera.h"

#include <GL/glu.h>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv {

namespace {

double EyeX = 0.0;
double EyeY = 0.0;
double EyeZ = 0.0;
double TargetX = 0.0;
double TargetY = 0.0;
double TargetZ = 0.0;
double UpX = 0.0;
double UpY = 0.0;
double UpZ = 0.0;

// Sets nothing but the current matrix, which is left multiplied by the view (no mode change, no
// identity load, no push), so the camera composes with every transform before it in the frame.
void Render()
{
    gluLookAt(EyeX, EyeY, EyeZ, TargetX, TargetY, TargetZ, UpX, UpY, UpZ);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Eye X", &EyeX, -100, 0, 100)
        .Add("Eye Y", &EyeY, -100, 0, 100)
        .Add("Eye Z", &EyeZ, -100, 0, 100)
        .Add("Target X", &TargetX, -100, 0, 100)
        .Add("Target Y", &TargetY, -100, 0, 100)
        .Add("Target Z", &TargetZ, -100, 0, 100)
        .Add("Up X", &UpX, -1, 0, 1)
        .Add("Up Y", &UpY, -1, 1, 1)
        .Add("Up Z", &UpZ, -1, 0, 1);
}

} // namespace

void RegisterOpenGLCamera()
{
    RegisterEffect("OpenGL Camera", &Render, &DefineFields);
}

} // namespace quv
