// Random bytes as a cube-map image file: six length-prefixed BMP pictures.
// The image loads or raises a clear error that leaves its faces as they
// were, never crashes, hangs or leaks.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/texture_image.h"
#include "tests/fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::PictureFormatsWithPlugins();
  fuzz::InputFile file("cub", data, size);
  TGLCubeMapImage image;
  try {
    image.LoadFromFile(file.Name());
  } catch (const Exception&) {
    // A failed load keeps the faces it had: none.
    for (int face = 0; face < 6; ++face)
      if (!image.GetPicture(static_cast<TGLCubeMapTarget>(face)).GetEmpty()) std::abort();
    return 0;
  }
  if (image.FacesMatch() && image.GetWidth() > 0) {
    // Touch each face as the upload would.
    for (GLenum target = GL_TEXTURE_CUBE_MAP_POSITIVE_X; target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z; ++target)
      (void)image.GetBitmap32(target);
  }
  return 0;
}
