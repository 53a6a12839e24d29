#pragma once
// Maps small integer indices, as animated in effect fields, to GL blend factors. Callers pass
// the truncated field values and hand the two results to glBlendFunc(source, destination).

#include <cstdint>

namespace quv {

// 0 GL_ZERO, 1 GL_ONE, 2 GL_DST_COLOR, 3 GL_ONE_MINUS_DST_COLOR, 4 GL_SRC_ALPHA,
// 5 GL_ONE_MINUS_SRC_ALPHA, 6 GL_DST_ALPHA, 7 GL_ONE_MINUS_DST_ALPHA, 8 GL_SRC_ALPHA_SATURATE;
// any other index (every negative one included) GL_ONE.
uint32_t SourceBlendFactor(int32_t index);

// The same order with the source colour in rows 2 and 3 (GL_SRC_COLOR,
// GL_ONE_MINUS_SRC_COLOR); eight entries, any other index (8 included) GL_ONE.
uint32_t DestinationBlendFactor(int32_t index);

} // namespace quv
