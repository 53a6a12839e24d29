// "OpenGL Clear": clears colour and depth to a keyframed colour and puts back the base state the
// other effects expect at the start of a scene.

#include "effects/state/_OpenGLClear.h"

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "effects/glview.h"

namespace quv {

namespace {

double Red = 0.0;
double Green = 0.0;
double Blue = 0.0;
double Alpha = 0.0;

void Render()
{
    ClearScene(Red, Green, Blue, Alpha);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head)
        .Add("Red", &Red, 0, 0, 1)
        .Add("Green", &Green, 0, 0, 1)
        .Add("Blue", &Blue, 0, 0, 1)
        .Add("Alpha", &Alpha, 0, 0, 1);
}

} // namespace

void RegisterOpenGLClear()
{
    RegisterEffect("OpenGL Clear", &Render, &DefineFields);
}

} // namespace quv
