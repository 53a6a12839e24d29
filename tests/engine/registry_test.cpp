#include <gtest/gtest.h>

#include "engine/_effecthandle.h"
#include "effects/moduleinit.h"

namespace quv {
namespace {

TEST(EffectRegistry, FindsTypesByExactName)
{
    InitialiseModules();
    EffectClass* clear = FindEffectClass("OpenGL Clear");
    ASSERT_NE(clear, nullptr);
    int position = 1;
    for (EffectClass* c = EffectClassList; c != clear; c = c->next)
        ++position;
    EXPECT_EQ(position, 34);
    EXPECT_EQ(clear->next, nullptr);
    EXPECT_EQ(FindEffectClass("opengl clear"), nullptr);
    EXPECT_EQ(FindEffectClass("OpenGL Clear "), nullptr);
    EXPECT_NE(FindEffectClass("MengerF\xE9tis 01"), nullptr);
    EXPECT_EQ(ClassName(*EffectClassList), "Music Speed");
}

} // namespace
} // namespace quv
