// Random bytes read as a scene object's effects (fire effects bound by
// manager name) and as the cube's "CubeSize" data: each must load or raise
// a clear error, never crash, hang or leak.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/binary_filer.h"
#include "engine/streams.h"
#include "objects/cube.h"
#include "objects/dummy_cube.h"
#include "objects/fire_effect.h"
#include "platform/base/exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A manager the effects can find by name, for the whole run.
  static TGLFireFXManager manager;
  manager.SetName("FireManager");
  {
    TGLDummyCube object;
    TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    try {
      TBinaryReader reader(stream);
      object.GetEffects()->ReadFromFiler(reader);
      for (int i = 0; i < object.GetEffects()->GetCount(); ++i) object.GetEffects()->GetItems(i)->Loaded();
    } catch (const Exception&) {
    }
  }
  TGLCube cube;
  cube.ReadCubeSizeData(std::span<const uint8_t>(data, size));
  return 0;
}
