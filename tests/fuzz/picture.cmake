# Random bytes as a picture file of any registered extension (and some that
# are not), loaded through the picture layer.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  client_fuzz_target(fuzz_picture ${CMAKE_CURRENT_SOURCE_DIR}/picture_fuzz.cpp imaging)
  add_dependencies(fuzz_picture jpeg2000_codec)
  target_compile_definitions(fuzz_picture PRIVATE CLIENT_PROGRAM_DIR="${CLIENT_PROGRAM_DIR}")
endif()
