#pragma once
// The toolkit's colour value, shared by the engine, the client and the
// windows: 0x00BBGGRR, or 0x80000000 | index for a window-system colour.

#include <cstdint>

using TColor = std::int32_t;
