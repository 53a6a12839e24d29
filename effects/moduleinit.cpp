#include "effects/moduleinit.h"

#include "engine/_effecthandle.h"
#include "engine/_effectinit.h"
#include "engine/debuglog.h"
#include "engine/random.h"
#include "effects/effectdocs.h"
#include "effects/image/_rendertargets.h"
#include "effects/state/_MusicSpeed.h"
#include "effects/blob/_blobstuff02.h"
#include "effects/blob/_blobstuff01.h"
#include "effects/sprites/_kod.h"
#include "effects/image/_rgbhoffset01.h"
#include "effects/image/_SideNoise01.h"
#include "effects/sprites/_GFX_Module_01.h"
#include "effects/image/_RenderTargetShow.h"
#include "effects/image/_RenderTargetCopy.h"
#include "effects/image/_blur.h"
#include "effects/image/_RGBnoise.h"
#include "effects/image/_washvertical.h"
#include "effects/image/_blurvertical.h"
#include "effects/image/_blurhorizontal.h"
#include "effects/image/_blur01.h"
#include "effects/image/_ColorFade.h"
#include "effects/image/_RenderTargetShowBlend.h"
#include "effects/image/_kaleido01.h"
#include "effects/geometry/_fa6.h"
#include "effects/geometry/_fa.h"
#include "effects/geometry/_kockakarikacso.h"
#include "effects/geometry/_kockakarika.h"
#include "effects/geometry/_mengerfetis01.h"
#include "effects/geometry/_CsavarodosKockaCucc.h"
#include "effects/state/_OpenGLPushMatrix.h"
#include "effects/state/_OpenGLPopMatrix.h"
#include "effects/state/_OpenGLScaleXYZ.h"
#include "effects/state/_OpenGLScale.h"
#include "effects/state/_OpenGLRotate.h"
#include "effects/state/_OpenGLMove.h"
#include "effects/state/_OpenGLFOV.h"
#include "effects/state/_OpenGLLight.h"
#include "effects/state/_OpenGLCamera.h"
#include "effects/state/_OpenGLClear.h"

namespace quv {

void InitialiseModules()
{
    ClearEffectClassList();
    ClearEffectInitList();
    DebugLog("***openglcanvas");
    RandSeed = 0;

    RegisterMusicSpeed();
    RegisterBlobStuff02();
    RegisterBlobStuff01();
    RegisterCsillagkod();
    RegisterRenderTargets();
    RegisterRGBHorizontalOffset01();
    RegisterSideNoise01();
    RegisterGFXModule01();
    RegisterRenderTargetShow();
    RegisterRenderTargetCopy();
    RegisterBlur();
    RegisterRGBNoise();
    RegisterWashVertical();
    RegisterBlurVertical();
    RegisterBlurHorizontal();
    RegisterBlur01();
    RegisterColorFade();
    RegisterRenderTargetShowBlend();
    RegisterKaleido01();
    RegisterFa6();
    RegisterFa();
    RegisterKockaKarikaCso();
    RegisterKockaKarika();
    RegisterMengerFetis01();
    RegisterCsavarodosKockaCucc();
    RegisterOpenGLPushMatrix();
    RegisterOpenGLPopMatrix();
    RegisterOpenGLScaleXYZ();
    RegisterOpenGLScale();
    RegisterOpenGLRotate();
    RegisterOpenGLMove();
    RegisterOpenGLFOV();
    RegisterOpenGLLight();
    RegisterOpenGLCamera();
    RegisterOpenGLClear();
    DescribeEffectClasses();
}

} // namespace quv
