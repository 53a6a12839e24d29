// What each effect type draws, the GL state it leaves, and a line on each of its fields: the
// text of `quvtool fields` and docs/effects.md, attached to the registry at start-up.
//
// Sections, each a table of field descriptions, then the table of types:
//   Scene state   clear, matrices, camera, projection, lights, music
//   Image         the full-screen image effects
//   Sprites       images and the star field
//   Geometry      cubes, rings, Menger, trees
//   Blobs         the two blob effects
//   Types         what each type draws and the state it leaves, with its field table

#include "effects/effectdocs.h"

#include <cassert>

#include "engine/_effecthandle.h"

namespace quv {

namespace {

// [SECTION] Scene state: clear, matrices, camera, projection, lights, music

constexpr FieldDoc OpenGLClearFields[] = {
    {"Red", "red of the colour the screen is cleared to"},
    {"Green", "green of the clear colour"},
    {"Blue", "blue of the clear colour"},
    {"Alpha", "alpha of the clear colour (what later blends with destination alpha see)"},
};

constexpr FieldDoc MatrixFields[] = {
    {"Matrix", "not read: the effect always acts on the current matrix stack"},
};

constexpr FieldDoc OpenGLRotateFields[] = {
    {"Rotate X", "turn about x in degrees, applied first"},
    {"Rotate Y", "turn about y in degrees, after x"},
    {"Rotate Z", "turn about z in degrees, after y"},
};

constexpr FieldDoc OpenGLMoveFields[] = {
    {"Move X", "translation along x of everything drawn after it"},
    {"Move Y", "translation along y"},
    {"Move Z", "translation along z (negative moves away from the default camera)"},
};

constexpr FieldDoc OpenGLScaleFields[] = {
    {"Scale factor", "uniform scale of everything drawn after it; a negative value -s scales by "
                     "1/s"},
};

constexpr FieldDoc OpenGLScaleXYZFields[] = {
    {"Scale X", "scale along x of everything drawn after it"},
    {"Scale Y", "scale along y"},
    {"Scale Z", "scale along z"},
};

constexpr FieldDoc OpenGLCameraFields[] = {
    {"Eye X", "x of the eye the view looks from"},
    {"Eye Y", "y of the eye"},
    {"Eye Z", "z of the eye"},
    {"Target X", "x of the point the view looks at"},
    {"Target Y", "y of the point looked at"},
    {"Target Z", "z of the point looked at"},
    {"Up X", "x of the up direction (which way is the top of the screen)"},
    {"Up Y", "y of the up direction"},
    {"Up Z", "z of the up direction"},
};

constexpr FieldDoc OpenGLFOVFields[] = {
    {"FOV", "vertical field of view in degrees: lower zooms in, higher widens"},
};

constexpr FieldDoc OpenGLLightFields[] = {
    {"Light Number", "which of the eight lights (0-7) to set; outside that range only lighting "
                     "is switched on"},
    {"Enabled", "1 switches the light on with the values below; anything else switches it off"},
    {"Pos X", "x of the light's position, through the transforms before it in the frame"},
    {"Pos Y", "y of the light's position"},
    {"Pos Z", "z of the light's position"},
    {"Ambient R", "red of the light's ambient colour, lighting every face alike"},
    {"Ambient G", "green of the ambient colour"},
    {"Ambient B", "blue of the ambient colour"},
    {"Ambient A", "alpha of the ambient colour"},
    {"Diffuse R", "red of the light's diffuse colour, brightest on faces turned to it"},
    {"Diffuse G", "green of the diffuse colour"},
    {"Diffuse B", "blue of the diffuse colour"},
    {"Diffuse A", "alpha of the diffuse colour"},
};

constexpr FieldDoc MusicSpeedFields[] = {
    {"Percent", "playback rate of the music, in percent of its normal rate; the picture slows "
                "with it"},
};

// [SECTION] Full-screen image effects

constexpr FieldDoc BlurFields[] = {
    {"Factor", "strength: more passes spread the picture further (0 leaves it sharp); the "
               "fraction cross-fades between the last two passes"},
};

constexpr FieldDoc ColorFadeFields[] = {
    {"Factor", "how much of the colour covers the picture; scales all four components"},
    {"Red", "red of the covering colour"},
    {"Green", "green of the covering colour"},
    {"Blue", "blue of the covering colour"},
    {"Alpha", "opacity of the covering colour (times Factor)"},
};

constexpr FieldDoc RGBNoiseFields[] = {
    {"Red Intensity", "not read"},
    {"Green Intensity", "not read"},
    {"Blue Intensity", "not read"},
    {"Alpha", "not read"},
    {"Red Offset", "not read"},
    {"Green Offset", "not read"},
    {"Blue Offset", "not read"},
    {"Scale X", "grain scale; writes the \"Factor\" of \"Blur\", which the noise reads"},
    {"Scale Y", "the same variable as \"Scale X\", written after it"},
};

constexpr FieldDoc RenderTargetCopyFields[] = {
    {"Destination", "pool texture (0-7) that receives the picture drawn so far; outside the pool "
                    "nothing is copied"},
};

constexpr FieldDoc RenderTargetShowFields[] = {
    {"Source", "pool texture (0-7) to add over the view; outside the pool a plain quad of the "
               "Alpha grey"},
    {"Alpha", "brightness of the added texture"},
    {"Clear", "1 or more clears the window to black first, so only the texture shows"},
    {"BlendMode Source", "not read: the texture is always added"},
    {"BlendMode Destination", "not read"},
};

constexpr FieldDoc RenderTargetShowBlendFields[] = {
    {"Source", "pool texture (0-7) to draw over the view; outside the pool a plain quad"},
    {"Alpha", "colour and alpha the texture is multiplied by"},
    {"Clear", "1 or more clears the window to black first"},
    {"BlendMode Source", "source blend factor by index: 0 ZERO, 1 ONE, 2 DST_COLOR, "
                         "3 ONE_MINUS_DST_COLOR, 4 SRC_ALPHA, 5 ONE_MINUS_SRC_ALPHA, 6 DST_ALPHA, "
                         "7 ONE_MINUS_DST_ALPHA, 8 SRC_ALPHA_SATURATE; ONE outside"},
    {"BlendMode Destination", "destination blend factor by index: 0 ZERO, 1 ONE, 2 SRC_COLOR, "
                              "3 ONE_MINUS_SRC_COLOR, 4 SRC_ALPHA, 5 ONE_MINUS_SRC_ALPHA, "
                              "6 DST_ALPHA, 7 ONE_MINUS_DST_ALPHA; ONE outside"},
};

constexpr FieldDoc Kaleido01Fields[] = {
    {"Rendertarget Source", "pool texture (0-7) the hexagons are cut from"},
    {"TexturePoint X1", "texture x of the triangle corner at each hexagon's centre"},
    {"TexturePoint Y1", "texture y of the centre corner"},
    {"TexturePoint X2", "texture x of the corner at the odd hexagon corners"},
    {"TexturePoint Y2", "texture y of the odd-corner point"},
    {"TexturePoint X3", "texture x of the corner at the even hexagon corners"},
    {"TexturePoint Y3", "texture y of the even-corner point"},
    {"Detail ", "hexagon size: radius 1/Detail with the view 2 units high; 0 or below draws "
                "nothing"},
    {"Scale X", "horizontal stretch of every hexagon"},
    {"Scale Y", "vertical stretch of every hexagon"},
};

constexpr FieldDoc RGBHorizontalOffset01Fields[] = {
    {"Rendertarget Source", "pool texture (0-7) that is split into its colour channels"},
    {"Factor", "how far the red copy moves left and the blue copy right"},
    {"Factor 1", "not read"},
    {"-", "not read"},
    {"-", "not read"},
};

constexpr FieldDoc SideNoise01Fields[] = {
    {"Rendertarget Source", "pool texture (0-7) drawn in jittering strips"},
    {"Phase 1", "shifts the two sine waves that shape the jitter down the strips"},
    {"Factor 1", "jitter amplitude: how far the strip edges are pulled in"},
    {"-", "not read"},
    {"-", "not read"},
};

// [SECTION] Sprites

constexpr FieldDoc GFXModule01Fields[] = {
    {"Image Slot Index", "image 0-63 from gfx/gfxslots; -1 to -8 show render target 0-7 over the "
                         "view instead"},
    {"Center X", "x of the quad's centre (-1 left edge to 1 right edge)"},
    {"Center Y", "y of the quad's centre (0 the middle; the view is 1.5 units high)"},
    {"Rotation", "turn of the quad in degrees, counter-clockwise"},
    {"Scale", "size: an image's half-width is Scale x pixel width / 2048; a render target is "
              "scaled by it"},
    {"Alpha", "colour and alpha the quad is multiplied by"},
    {"Blend SRC Index", "source blend factor by index, as \"RenderTarget Show with Blend\""},
    {"Blend DST Index", "destination blend factor by index, as \"RenderTarget Show with Blend\""},
};

constexpr FieldDoc CsillagkodFields[] = {
    {"Scale factor", "size of the star cloud (and of each star); 0 collapses it"},
    {"Alpha", "brightness of the stars"},
};

// [SECTION] Geometry

constexpr FieldDoc FaFields[] = {
    {"wtf", "not read"},
    {"Cube Size Min", "bend: how far each fork leans out, times the level factor"},
    {"Cube Size Max", "twist: degrees each fork turns about its own axis"},
    {"Cube Number", "depth of the tree (levels of forking, drawn up to 12)"},
    {"Angle Y", "not read"},
    {"Angle Z", "not read"},
    {"Phase", "base of the level factor: segment length and lean grow or shrink by it per level"},
};

constexpr FieldDoc Fa6Fields[] = {
    {"Level", "depth of each tree (levels of forking, drawn up to 12)"},
    {"Phase", "base of the level factor: segment length and lean change by it per level"},
    {"Kihajlas", "bend: how far each fork leans out, times the level factor"},
    {"Rotation", "twist: degrees each fork turns about its own axis"},
    {"Blending", "not read"},
};

constexpr FieldDoc KockaKarikaFields[] = {
    {"Cube Number", "cubes on the ring"},
    {"Cube Size Min", "not read"},
    {"Cube Size Max", "not read"},
    {"Cube Rotation", "tumble: scales each cube's random turn (0 keeps them square to the ring)"},
    {"Circle Radius", "radius of the ring"},
    {"Section Phase", "not read"},
    {"Section Width", "not read"},
    {"Section Attenuation", "not read"},
};

constexpr FieldDoc KockaKarikaCsoFields[] = {
    {"Cube Number", "cubes on the ring"},
    {"Tunnel Strech", "length of the tunnel: each cube is lifted along y by a random 0-128, cut "
                      "off at this value"},
    {"Cube Size Max", "not read"},
    {"Cube Rotation", "tumble: scales each cube's random turn (0 keeps them square to the ring)"},
    {"Circle Radius", "radius of the tunnel"},
    {"Section Phase", "not read"},
    {"Section Width", "not read"},
    {"Section Attenuation", "not read"},
};

constexpr FieldDoc MengerFetis01Fields[] = {
    {"Menger Level", "depth of the structure (drawn up to 6); the fraction slides the deepest "
                     "face cubes out"},
    {"Rotate Level", "not read"},
    {"Random seed", "not read"},
    {"Cube Number", "not read"},
    {"Angle Y", "not read"},
    {"Angle Z", "not read"},
    {"Phase", "not read"},
    {"Rotate 1", "degrees the face cubes of the first subdivision turn about y and z (the -z one "
                 "about x too)"},
    {"Rotate 2", "the same turn for the face cubes of the second subdivision"},
    {"Rotate 3", "the same turn for the third subdivision"},
    {"Rotate 4", "the same turn for the fourth subdivision"},
    {"Rotate 5", "the same turn for the fifth subdivision"},
};

constexpr FieldDoc CsavarodosKockaCuccFields[] = {
    {"wtf", "not read"},
    {"Cube Size Min", "the largest turn of each box about its own axis (the column is rebuilt "
                      "when it changes)"},
    {"Cube Size Max", "not read"},
    {"Cube Number", "not read"},
    {"Angle Y", "not read"},
    {"Angle Z", "not read"},
    {"Phase", "not read"},
};

// [SECTION] Blobs

constexpr FieldDoc BlobStuff01Fields[] = {
    {"Phase", "time along the paths of the charges and of the camera"},
    {"Blob Camera", "not read"},
    {"Cube Size Max", "strength of each charge (the field is strength / distance summed); the "
                      "blob grows with it"},
    {"Cube Number", "level of the field the cubes outline: higher draws a tighter surface"},
    {"Angle Y", "not read"},
    {"Angle Z", "not read"},
    {"valami", "not read"},
};

constexpr FieldDoc BlobStuff02Fields[] = {
    {"Phase", "time along the paths of the charges and of the camera"},
    {"Blob Camera", "not read"},
    {"Cube Size Max", "not read"},
    {"Cube Number", "not read"},
    {"Angle Y", "not read"},
    {"Angle Z", "not read"},
    {"valami", "not read"},
};

// Shared by every effect built on the five-pass blur.
constexpr const char* BlurLeaves =
    "orthographic view projection, identity modelview, lighting off, texturing on, blending on "
    "with ONE, ONE, depth test off if a pass ran, clear colour black, current colour the "
    "cross-fade weight";

const EffectDoc Docs[] = {
    {"Music Speed", "nothing; sets the music's playback rate while it is active", "no GL state",
     MusicSpeedFields},
    {"Blob Stuff 02",
     "six charges moving in three pairs and a 33 x 33 x 33 lattice of coloured lit cubes "
     "outlining a band of their field, some cubes Menger cells; its own camera on their curve",
     "lights 1-4 off, lighting and depth test on, back faces culled, blending and texturing off, "
     "the modelview multiplied by its camera",
     BlobStuff02Fields},
    {"Blob Stuff 01",
     "two charges moving along a closed curve, a 51 x 51 x 51 lattice of white lit cubes "
     "outlining an iso-level of their field, and a red-to-blue line between them; its own "
     "camera on their curve",
     "lights 1 and 2 on (red, blue), light 3 set but off, lighting and depth test on, back faces "
     "culled, blending and texturing off, the modelview multiplied by its camera, colour white",
     BlobStuff01Fields},
    {"Csillagkod",
     "a fixed cloud of 513 textured star sprites in a sphere around the current origin, "
     "brightening what is behind them",
     "lighting off, texturing on with the star texture, depth test on, blending off, depth "
     "writes on, colour Alpha",
     CsillagkodFields},
    {"RGB Horizontal Offset 01",
     "clears the window and adds a pool texture back once per colour channel, red shifted left "
     "and blue right (a colour split)",
     "0-1 orthographic projection, identity modelview, lighting off, texturing on, blending off, "
     "colour blue",
     RGBHorizontalOffset01Fields},
    {"Side Noise 01",
     "a pool texture over the view in 128 strips whose edges jitter sideways, fresh every tick",
     "0-1 orthographic projection, identity modelview, lighting off, texturing on, blending off, "
     "colour white",
     SideNoise01Fields},
    {"GFX Module 01",
     "a textured sprite: one of 64 images from gfx/gfxslots, or a render target, placed, turned, "
     "sized and blended",
     "orthographic projection (x -1 to 1), the sprite's translation and rotation in the "
     "modelview, lighting and depth test off, texturing on, blending off, colour Alpha",
     GFXModule01Fields},
    {"RenderTarget Show",
     "adds a pool texture, scaled by Alpha, over the whole view, optionally on a cleared window",
     "orthographic view projection, identity modelview, lighting off, texturing on, blending "
     "off, colour Alpha",
     RenderTargetShowFields},
    {"RenderTarget Copy", "nothing visible: copies the picture drawn so far into a pool texture",
     "matrices as they were, texturing off, the pool texture bound", RenderTargetCopyFields},
    {"Blur", "blurs the picture so far with 3 x 3 taps whose outer taps stretch with each pass",
     BlurLeaves, BlurFields},
    {"RGB Noise",
     "a flickering grey grain added over the window (it only brightens); the grain scale comes "
     "from \"Blur\"'s Factor",
     "orthographic view projection, identity modelview, lighting, culling and depth test off, "
     "texturing on with the noise texture, blending on with SRC_ALPHA, ONE",
     RGBNoiseFields},
    {"Wash Vertical",
     "blurs the picture so far with three equal vertical taps moving out with each pass",
     BlurLeaves, BlurFields},
    {"Blur Vertical",
     "blurs the picture so far with vertical taps weighted 1/4, 1/2, 1/4 moving out with each "
     "pass",
     BlurLeaves, BlurFields},
    {"Blur Horizontal",
     "blurs the picture so far with horizontal taps weighted 1/4, 1/2, 1/4 moving out with each "
     "pass",
     BlurLeaves, BlurFields},
    {"Blur 01", "blurs the picture so far with a 3 x 3 tap pattern moving out with each pass",
     BlurLeaves, BlurFields},
    {"Color Fade", "a flat colour laid over the whole view with alpha blending (fades to a colour)",
     "orthographic view projection, identity modelview, lighting and texturing off, blending off, "
     "the colour times Factor current",
     ColorFadeFields},
    {"RenderTarget Show with Blend",
     "a pool texture over the whole view with a chosen blend function, optionally on a cleared "
     "window",
     "orthographic view projection, identity modelview, lighting off, texturing on, blending "
     "off, colour Alpha",
     RenderTargetShowBlendFields},
    {"Kaleido 01",
     "a honeycomb of hexagons over the view, each cut from a triangle of a pool texture and "
     "mirrored slice to slice",
     "centred orthographic projection, identity modelview, lighting off, texturing on, blending "
     "off, colour white",
     Kaleido01Fields},
    {"Fa6", "six trees of boxes from the current origin along +-x, +-y and +-z, a star",
     "blending and texturing off, depth test on, back faces culled, lighting untouched, the "
     "modelview unchanged",
     Fa6Fields},
    {"Fa",
     "a tree of square-section boxes growing along +y from the current origin, forking in "
     "three at every level",
     "blending and texturing off, depth test on, back faces culled, lighting untouched, the "
     "modelview unchanged",
     FaFields},
    {"Kocka Karika Cso",
     "a tunnel of tumbling unit cubes on a circle in the x-z plane, each lifted along y at random",
     "lighting and depth test on, back faces culled, blending and texturing off, colour white, "
     "the modelview unchanged",
     KockaKarikaCsoFields},
    {"Kocka Karika", "a flat ring of tumbling unit cubes on a circle in the x-z plane",
     "lighting and depth test on, back faces culled, blending and texturing off, colour white, "
     "the modelview unchanged",
     KockaKarikaFields},
    {"MengerF\xE9tis 01",
     "a recursive cube structure after the Menger sponge: face cubes move out, turn and subdivide "
     "again, joined to the centre by rods",
     "lighting and depth test on, back faces culled, blending and texturing off, colour grey, "
     "the modelview unchanged",
     MengerFetis01Fields},
    {"Csavarodos kockacucc",
     "a twisting column of 1025 slices of four boxes along +z, in rainbow bands fading to white "
     "and back",
     "only the current colour (the last slice's); draws with the state earlier effects left",
     CsavarodosKockaCuccFields},
    {"OpenGL Push Matrix", "nothing; pushes the current matrix stack",
     "the current matrix stack one deeper", MatrixFields},
    {"OpenGL Pop Matrix", "nothing; pops the current matrix stack",
     "the current matrix stack one shallower", MatrixFields},
    {"OpenGL Scale XYZ", "nothing; scales what is drawn after it per axis",
     "the current matrix scaled, GL_NORMALIZE on", OpenGLScaleXYZFields},
    {"OpenGL Scale", "nothing; scales what is drawn after it uniformly",
     "the current matrix scaled, GL_NORMALIZE on", OpenGLScaleFields},
    {"OpenGL Rotate", "nothing; turns what is drawn after it about x, then y, then z",
     "the current matrix turned", OpenGLRotateFields},
    {"OpenGL Move", "nothing; moves what is drawn after it", "the current matrix translated",
     OpenGLMoveFields},
    {"OpenGL FOV", "nothing; sets the perspective projection's vertical field of view",
     "the perspective projection, the 4:3 viewport, GL_MODELVIEW selected with the identity "
     "(earlier cameras and transforms are dropped)",
     OpenGLFOVFields},
    {"OpenGL Light", "nothing; switches one of the eight lights on (position, colours) or off",
     "lighting on, the chosen light on or off", OpenGLLightFields},
    {"OpenGL Camera", "nothing; looks from an eye at a target (a look-at view transform)",
     "the current matrix multiplied by the view", OpenGLCameraFields},
    {"OpenGL Clear", "clears colour and depth to a colour; a scene starts with it",
     "the base state (smooth shading, depth test LEQUAL, colour material), the 90-degree "
     "perspective with identity modelview, lights 0-7 off",
     OpenGLClearFields},
};

} // namespace

void DescribeEffectClasses()
{
    for (const EffectDoc& doc : Docs) {
        EffectClass* effectClass = FindEffectClass(doc.type);
        assert(effectClass != nullptr);
        if (effectClass != nullptr)
            effectClass->doc = &doc;
    }
}

} // namespace quv
