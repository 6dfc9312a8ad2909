# Random bytes as the settings file: the file's own reading and writing, and
# the settings and key mappings read from it.
if(CLIENT_BUILD_FUZZ)
  if(NOT TARGET shell_core)
    add_subdirectory(${PROJECT_SOURCE_DIR}/shell/core ${CMAKE_BINARY_DIR}/shell_core)
  endif()
  client_fuzz_target(fuzz_ini ${CMAKE_CURRENT_SOURCE_DIR}/ini_fuzz.cpp shell_core
                     FLAGS -dict=${CMAKE_CURRENT_SOURCE_DIR}/ini.dict
                           -seed_inputs=${CMAKE_CURRENT_SOURCE_DIR}/ini_seed.ini)
endif()
