#include "shell/key_mappings_window.h"

Tfmkeymappings::Tfmkeymappings() {
  setObjectName("fmkeymappings");
  setWindowTitle("Key Mappings");
}
