// Random bytes as a material library's stored form: the materials, their
// colours and the BMP pictures they embed. A library loads or raises a clear
// error, never crashes, hangs or leaks, and what it loaded stores again.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/material_library.h"
#include "engine/streams.h"
#include "tests/fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::PictureFormatsWithPlugins();
  TGLMaterialLibrary library;
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  try {
    library.LoadFromStream(stream);
  } catch (const Exception&) {
    return 0;
  }
  TMemoryStream again;
  library.SaveToStream(again);
  return 0;
}
