// The interactive player: launcher, GL window, music and the Play sequence.

#include <cstdio>

#include "platform/commands.h"

namespace quv {

int RunPlayer(int, char**)
{
    std::fputs("quvplayer: the interactive player is not built yet; try 'quvplayer render'\n",
               stderr);
    return 1;
}

} // namespace quv
