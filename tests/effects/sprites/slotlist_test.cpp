#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "effects/sprites/slotlist.h"

namespace quv {
namespace {

std::vector<std::string> Lines(std::string_view text)
{
    return ParseSlotList(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

TEST(SlotList, LinesAsRead)
{
    EXPECT_TRUE(Lines("").empty());
    EXPECT_EQ(Lines("a.tga"), std::vector<std::string>{"a.tga"});
    EXPECT_EQ(Lines("a.tga\n"), std::vector<std::string>{"a.tga"});
    // Empty lines keep the numbering; CR LF ends a line like LF; blanks stay.
    EXPECT_EQ(Lines("a.tga\r\n\r\n c.tga \r\nd.tga\r"),
              (std::vector<std::string>{"a.tga", "", " c.tga ", "d.tga"}));
    EXPECT_EQ(Lines("\n\n"), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(Lines("x\ry\n"), std::vector<std::string>{"x\ry"}); // a lone CR is no line end
}

TEST(SlotList, ReadsAtMost64Lines)
{
    std::string text;
    for (int i = 0; i < 70; ++i)
        text += "image" + std::to_string(i) + ".tga\r\n";
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 64u);
    EXPECT_EQ(lines[0], "image0.tga");
    EXPECT_EQ(lines[63], "image63.tga");
}

} // namespace
} // namespace quv
