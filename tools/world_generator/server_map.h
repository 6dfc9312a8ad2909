#pragma once
// The sample world as tools/demo_server walks it: the ground of every cell,
// the ways out of it, the named places and the undefined area.

#include <string>

#include "tools/world_generator/world_layout.h"

// The table's text ("server-map.txt"); its first lines say how to read it.
std::string ServerMapText(const WorldLayout& world);
