#include "engine/_effectinit.h"

#include <vector>

#include "engine/debuglog.h"

namespace quv {

namespace {
std::vector<EffectInitProc> initList;
} // namespace

void EffectInitAdd(EffectInitProc procedure)
{
    DebugLog("_effectinit: EffectInitAdd");
    initList.push_back(procedure);
}

void EffectInit()
{
    DebugLog("_effectinit: EffectInit");
    for (EffectInitProc procedure : initList)
        procedure();
}

void ClearEffectInitList()
{
    DebugLog("***effectinit");
    initList.clear();
}

} // namespace quv
