// The audio module's one entry point: Pellow loads this library when it first needs a sound.
#include "QtSoundPlayer.h"

extern "C" Q_DECL_EXPORT SoundPlayer* pellowMakeSoundPlayer()
{
    return new QtSoundPlayer;
}
