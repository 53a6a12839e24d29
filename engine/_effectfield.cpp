#include "engine/_effectfield.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace quv {

namespace {
// Deques keep every element's address stable while the lists link them by pointer.
std::deque<EffectField> fieldStore;
std::deque<FieldNode> nodeStore;
} // namespace

EffectField* NewEffectField(std::string_view name, double* target, double lower, double def,
                            double upper)
{
    EffectField& field = fieldStore.emplace_back();
    std::memcpy(field.name.data(), name.data(), std::min<size_t>(name.size(), field.name.size()));
    field.lowerBound = lower;
    field.defaultValue = def;
    field.upperBound = upper;
    field.target = target;
    return &field;
}

FieldNode* NewFieldNode(EffectField* field)
{
    FieldNode& node = nodeStore.emplace_back();
    node.field = field;
    return &node;
}

void FreeEffectFields()
{
    fieldStore.clear();
    nodeStore.clear();
}

std::string FieldName(const EffectField& field)
{
    const char* begin = field.name.data();
    return std::string(begin, strnlen(begin, field.name.size()));
}

FieldListBuilder& FieldListBuilder::Add(std::string_view name, double* target, double lower,
                                        double def, double upper)
{
    FieldNode* node = NewFieldNode(NewEffectField(name, target, lower, def, upper));
    *tail_ = node;
    tail_ = &node->next;
    return *this;
}

} // namespace quv
