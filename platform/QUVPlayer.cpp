// Program entry: the player, the headless renderer and the demo inspector.

#include <cstdio>

#include "engine/moduleinit.h"

int main(int, char**)
{
    quv::InitialiseModules();
    std::puts("quvplayer: not built yet");
    return 0;
}
