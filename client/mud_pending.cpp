// Steps of the client core whose code lands with the object builder and the
// environment. Until then they do nothing; each definition moves to its own
// file (mud_builder.cpp, world_lists.cpp, cell_windows.cpp,
// mud_environment.cpp, mud_progress.cpp) when it is written.
#include "client/mud.h"

void TMud::Update() {}
void TMud::Progress(double) {}
