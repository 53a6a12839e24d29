#pragma once
// The work one frame of the Timeline may do in the loops whose counts come from the demo file.
// The caps of engine/fieldcaps.h bound one instance (about a second a frame at its cap on
// llvmpipe at 640 x 480), but a file may hold any number of capped instances: 18 "Kaleido 01" at
// the cap would take 18 s a frame. So a frame also has one allowance of work units, shared by
// these loops and drawn from in Timeline order: an instance gets what it asks for while the
// allowance lasts, and once it runs short the instance draws at the count that fits (a coarser
// honeycomb, fewer blur passes), and after it is spent at none. The allowance is twice the work
// of the costliest capped instance, far above what a demo made to be watched does in a frame, so
// such demos draw exactly as without it; only files made to stall the player meet it.
//
// One unit is one "Kaleido 01" hexagon; a blur pass counts as BlurPassWork units, about what it
// costs beside the hexagons at 640 x 480. Outside a frame of the Timeline (an effect drawn on
// its own) there is no allowance.
//
//   BeginFrameWork();  ... each capped loop: n = min(n, what FrameWorkLeft() pays for);
//                      SpendFrameWork(cost of n) ...  EndFrameWork();

#include <cstdint>
#include <optional>
#include <string_view>

namespace quv {

// A blur at its cap (524,288) or two "Kaleido 01" at theirs (296,065 each) fit in it.
constexpr int64_t FrameWorkAllowance = 600'000;

// One pass of a blur ("Blur", "Blur 01", "Blur Horizontal", "Blur Vertical", "Wash Vertical") on a
// 640-wide view, measured against the hexagons at 640 x 480: 128 passes at the cap take about 1.5
// times as long as the Kaleido's cap. On a view W wide a pass weighs sqrt(640 / W) times this, as
// the cap's pass count grows with sqrt(W).
constexpr int64_t BlurPassWork = 4'096;

// A cube of the "MengerF\xE9tis 01" structure and a box of a tree ("Fa", "Fa6": each of the six
// trees of the star draws from the allowance on its own) weigh one unit each: at 640 x 480 a box
// costs about what a hexagon does (a tree's a little more, a Menger cube less). A whole tree at
// the depth cap (797,161 boxes) is more than the allowance, so in a frame of the Timeline a tree
// deeper than 11 draws at the depth the allowance has left; a Menger structure at its cap fits.
int64_t MengerWork(int32_t level);
int64_t TreeWork(int32_t depth);
// The rings ("Kocka Karika", "Kocka Karika Cso") draw their small cubes from a kept mesh: four
// of them weigh one unit.
int64_t RingWork(int32_t cubes);

// The largest count from `wanted` down to 0 whose work (MengerWork, TreeWork) the frame can still
// pay for: `wanted` itself when its work fits (counts of 0 or less included), nullopt when not
// even count 0 fits.
std::optional<int32_t> AffordableCount(int32_t wanted, int64_t (*work)(int32_t));

// The hexagons "Kaleido 01" draws for a "Detail " of d > 0 (rows -3d..3d by columns -1.5d..1.5d,
// truncated); 0 for d <= 0 or NaN.
int64_t KaleidoHexagons(double d);

// The work one key value of a field asks for in a frame on a 640-wide view, its cap applied:
// hexagons for "Kaleido 01"'s "Detail ", passes times BlurPassWork for a blur's "Factor", cubes
// and boxes for the Menger level and the tree depths; 0 for every other field. The check of
// `quvplayer dump --check` adds these up.
int64_t FieldWork(std::string_view type, std::string_view field, double value);

// What one Render of an instance of the type costs besides its capped loops, in the same units
// (at 640 x 480 on llvmpipe a unit is about 3 us, a pass over the whole view about 300). The
// Timeline takes it from the allowance before the instance draws, and skips the instance for
// the frame when the allowance can no longer pay it: a file stacking thousands of full-view
// instances ("Color Fade", 0.9 ms each) would otherwise hold a frame for seconds. The cost is the
// type's dearest Render its fields can make, not its usual one: a "Csillagkod" whose stars are
// scaled to cover the view takes about 110 ms. The transforms, the camera, the lights, the
// matrix stack and "Music Speed" cost 0 and are never skipped: they draw nothing, cost
// microseconds, and the instances after them rely on the state they set. 0 for unknown types.
int64_t InstanceWork(std::string_view type);

// Opens a frame with the whole allowance (EvaluateTimeline, before its first instance).
void BeginFrameWork();
// Closes it: until the next frame, FrameWorkLeft() is unlimited again.
void EndFrameWork();

// The units the frame has left; INT64_MAX outside a frame.
int64_t FrameWorkLeft();
// Takes units from the frame's allowance (never below 0).
void SpendFrameWork(int64_t units);
// The units spent since BeginFrameWork, in and after the frame: for tests and benchmarks.
int64_t FrameWorkSpent();

} // namespace quv
