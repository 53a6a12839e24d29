// "Music Speed": draws nothing; sets the music's playback rate to a keyframed percentage of its
// load-time rate in every frame the instance is active. The picture follows, the music being
// the clock.

#include "effects/state/_MusicSpeed.h"

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"
#include "engine/musicclock.h"

namespace quv {

namespace {

double Percent = 0.0;

void Render()
{
    MusicSetSpeed(Percent);
}

void DefineFields(FieldNode*& head)
{
    FieldListBuilder(head).Add("Percent", &Percent, 0, 100, 100);
}

} // namespace

void RegisterMusicSpeed()
{
    RegisterEffect("Music Speed", &Render, &DefineFields);
}

} // namespace quv
