// The effect reference: every field of every type described, docs/effects.md current, and the
// loose type lookup of `quvtool fields`.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "effects/moduleinit.h"
#include "tools/effectreference.h"

namespace quv {
namespace {

TEST(EffectReference, EveryTypeAndEveryFieldIsDescribedInOrder)
{
    InitialiseModules();
    size_t types = 0;
    for (EffectClass* c = EffectClassList; c != nullptr; c = c->next, ++types) {
        const std::string type = ClassName(*c);
        SCOPED_TRACE(type);
        ASSERT_NE(c->doc, nullptr);
        EXPECT_EQ(type, c->doc->type);
        for (const char* line : {c->doc->draws, c->doc->leaves}) {
            EXPECT_GT(std::string(line).size(), 5u);
            EXPECT_EQ(std::string(line).find('\n'), std::string::npos);
        }
        FieldNode* head = nullptr;
        c->DefineFields(head);
        size_t i = 0;
        for (FieldNode* n = head; n != nullptr; n = n->next, ++i) {
            ASSERT_LT(i, c->doc->fields.size()) << "undescribed field " << FieldName(*n->field);
            EXPECT_EQ(FieldName(*n->field), c->doc->fields[i].name);
            const std::string description = c->doc->fields[i].description;
            EXPECT_FALSE(description.empty());
            EXPECT_EQ(description.find_first_of("\n|"), std::string::npos) << description;
        }
        EXPECT_EQ(i, c->doc->fields.size()) << "described fields the type does not have";
    }
    EXPECT_EQ(types, 34u);
    FreeEffectFields();
}

TEST(EffectReference, CommittedDocsMatchTheRegistry)
{
    InitialiseModules();
    std::ifstream in(std::string(QUV_SOURCE_DIR) + "/docs/effects.md", std::ios::binary);
    ASSERT_TRUE(in) << "docs/effects.md is missing";
    const std::string committed((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
    EXPECT_TRUE(committed == FormatEffectReference())
        << "docs/effects.md is out of date: run scripts/make-docs";
    FreeEffectFields();
}

TEST(EffectReference, TypesAreFoundIgnoringCaseOrSuggested)
{
    InitialiseModules();
    const EffectClass* blur = FindEffectTypeIgnoringCase("blur 01");
    ASSERT_NE(blur, nullptr);
    EXPECT_EQ(ClassName(*blur), "Blur 01");
    const EffectClass* menger = FindEffectTypeIgnoringCase("MENGERF\xC3\xA9TIS 01");
    ASSERT_NE(menger, nullptr);
    EXPECT_EQ(ClassName(*menger), "MengerF\xE9tis 01");
    EXPECT_EQ(FindEffectTypeIgnoringCase("blur 1"), nullptr);
    EXPECT_EQ(FindEffectTypeIgnoringCase("\xE4\xB8\xAD"), nullptr);

    EXPECT_EQ(ClosestEffectTypeName("blur 1"), "Blur 01");
    EXPECT_EQ(ClosestEffectTypeName("opengl clera"), "OpenGL Clear");
    EXPECT_EQ(ClosestEffectTypeName("Menger"), "MengerF\xC3\xA9tis 01");
    EXPECT_EQ(ClosestEffectTypeName("kocka karika cs"), "Kocka Karika Cso");

    // The table gives the bounds and default as DefineFields declares them, in text-form names.
    const std::string table =
        FormatFieldTable(*FindEffectTypeIgnoringCase("rgb horizontal offset 01"));
    EXPECT_NE(table.find("\n\"Factor\"               0      0        32     how far the red"),
              std::string::npos)
        << table;
    EXPECT_NE(table.find("\n\"-#2\"  "), std::string::npos) << table;
    FreeEffectFields();
}

} // namespace
} // namespace quv
