#include "engine/_effecthandle.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace quv {

EffectClass* EffectClassList = nullptr;

namespace {
std::deque<EffectClass> classStore;
} // namespace

void ClearEffectClassList()
{
    EffectClassList = nullptr;
    classStore.clear();
}

void RegisterEffectClass(EffectClass* effectClass)
{
    if (EffectClassList == nullptr) {
        EffectClassList = effectClass;
        return;
    }
    EffectClass* last = EffectClassList;
    while (last->next != nullptr)
        last = last->next;
    last->next = effectClass;
}

EffectClass* RegisterEffect(std::string_view name, RenderProc render, DefineFieldsProc define)
{
    EffectClass& effectClass = classStore.emplace_back();
    std::memcpy(effectClass.name.data(), name.data(),
                std::min<size_t>(name.size(), effectClass.name.size()));
    effectClass.Render = render;
    effectClass.DefineFields = define;
    effectClass.next = nullptr;
    RegisterEffectClass(&effectClass);
    return &effectClass;
}

std::string ClassName(const EffectClass& effectClass)
{
    const char* begin = effectClass.name.data();
    return std::string(begin, strnlen(begin, effectClass.name.size()));
}

EffectClass* FindEffectClass(std::string_view name)
{
    for (EffectClass* c = EffectClassList; c != nullptr; c = c->next) {
        const char* begin = c->name.data();
        if (std::string_view(begin, strnlen(begin, c->name.size())) == name)
            return c;
    }
    return nullptr;
}

} // namespace quv
