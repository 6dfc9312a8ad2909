# BMP, JPEG and JPEG 2000 (through the codec plug-in loader) on random bytes,
# and the plug-in container conversion on random container fields. libFuzzer
# needs clang: with another compiler the target is left out.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  client_fuzz_target(fuzz_imaging ${CMAKE_CURRENT_SOURCE_DIR}/imaging_fuzz.cpp imaging)
  add_dependencies(fuzz_imaging jpeg2000_codec)
  target_compile_definitions(fuzz_imaging PRIVATE CLIENT_PROGRAM_DIR="${CLIENT_PROGRAM_DIR}")
endif()
