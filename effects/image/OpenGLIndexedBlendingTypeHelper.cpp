#include "effects/image/OpenGLIndexedBlendingTypeHelper.h"

#include <GL/gl.h>

namespace quv {

namespace {

// Exactly the source and destination factors GL 1.1 accepts, in this order.
constexpr uint32_t SourceFactors[9] = {
    GL_ZERO,
    GL_ONE,
    GL_DST_COLOR,
    GL_ONE_MINUS_DST_COLOR,
    GL_SRC_ALPHA,
    GL_ONE_MINUS_SRC_ALPHA,
    GL_DST_ALPHA,
    GL_ONE_MINUS_DST_ALPHA,
    GL_SRC_ALPHA_SATURATE,
};

constexpr uint32_t DestinationFactors[8] = {
    GL_ZERO,      GL_ONE,
    GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
    GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
    GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA,
};

} // namespace

// The range tests treat the index as unsigned, so negative indices fall outside.
uint32_t SourceBlendFactor(int32_t index)
{
    const uint32_t i = static_cast<uint32_t>(index);
    return i < 9 ? SourceFactors[i] : GL_ONE;
}

uint32_t DestinationBlendFactor(int32_t index)
{
    const uint32_t i = static_cast<uint32_t>(index);
    return i < 8 ? DestinationFactors[i] : GL_ONE;
}

} // namespace quv
