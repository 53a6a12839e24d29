#pragma once
// The caps on fields that set how much work a frame does. A loop count taken from a demo file
// would otherwise let one key (a "Detail " of 1e9, a blur "Factor" of inf) hold a frame for
// minutes, so each effect that loops over a field's value draws values beyond its cap as the cap.
// The table is here, below the effects, so that the checks of `quvplayer dump --check` and
// `quvtool compile` name the same caps the effects apply. A cap bounds one instance; the loops of
// all instances in a frame also share one work allowance (engine/framebudget.h).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quv {

// "Kaleido 01" draws (6 d + 1) x (3 d + 1) hexagons for a "Detail " of d, each of them a pushed
// matrix and a fan of eight vertices. At 128 that is 296,065 hexagons (under a second a frame on
// llvmpipe at 640 x 480), each under two pixels across at 480 lines: the picture is already a
// fine noise of cells. There is no exact cap, since every step of Detail moves every cell, so
// this one is chosen for the frame time.
constexpr double KaleidoDetailCap = 128.0;

// The blurs run trunc(sqrt(Factor / 640 x view width)) passes, each drawing three or nine
// half-view quads. 16384 is 128 passes on a 640-wide view (under a second a frame on llvmpipe):
// by then the moving taps have travelled 128 half-view pixels, 256 view pixels, and the picture is
// a flat wash. No pass count leaves every pixel unchanged for all views: the moving taps must
// first leave the half-size texture, which grows with the view, and then the centre tap alone
// must fade every value to 0, which a weight of 1/2 need not do under 8-bit rounding; "Blur"'s
// stretching taps never leave at all. So the cap is chosen for the frame time.
constexpr double BlurFactorCap = 16384.0;

// Caps the geometry effects have always applied to their truncated counts (see their modules).
constexpr int32_t MengerLevelCap = 6;
constexpr int32_t TreeDepthCap = 12;
constexpr int32_t RingCubeCap = 65536;

struct FieldCap {
    const char* type;  // the effect type, bytes as in the demo file
    const char* field; // the field name, bytes as in the demo file
    double cap;
    // The effect truncates the value toward zero before capping it; the check compares the
    // truncated value, so that 6.5 is not reported against a cap of 6.
    bool truncated;
};

// Every capped field, in registration order of their effects.
std::span<const FieldCap> FieldCaps();

// The cap of the named field, or nullptr when it has none.
const FieldCap* FindFieldCap(std::string_view type, std::string_view field);

// For a key value beyond its field's cap: "EFFECT (label "LABEL") field "FIELD": key value V is
// above the cap C; it is drawn as C". Names and labels are passed through as given (Windows-1252
// from a demo file); nullopt for a value within the cap, a NaN or a field without a cap.
std::optional<std::string> FieldCapProblem(std::string_view type, std::string_view label,
                                           std::string_view field, double value);

} // namespace quv
