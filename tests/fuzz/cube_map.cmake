# Random bytes as a cube-map image file: six length-prefixed BMP pictures.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  client_fuzz_target(fuzz_cube_map ${CMAKE_CURRENT_SOURCE_DIR}/cube_map_fuzz.cpp engine imaging)
  target_compile_definitions(fuzz_cube_map PRIVATE CLIENT_PROGRAM_DIR="${CLIENT_PROGRAM_DIR}")
endif()
