# The material library's stored form, with the pictures it embeds decoded
# through the image library's formats.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  client_fuzz_target(fuzz_material_library ${CMAKE_CURRENT_SOURCE_DIR}/material_library_fuzz.cpp engine imaging)
  target_compile_definitions(fuzz_material_library PRIVATE CLIENT_PROGRAM_DIR="${CLIENT_PROGRAM_DIR}")
endif()
