#include "client/mud.h"

// The weather sounds come with the sound output of the platform; until it is
// there the machine counts as having no wave-output device, so the three
// emitters stay nil and no sound file is read.
void TMud::SetUpSounds(TGLSoundLibrary*) {}
