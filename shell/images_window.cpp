#include "shell/images_window.h"

Tfmimages::Tfmimages() {
  setObjectName("fmimages");
  setWindowTitle("Images");
}
