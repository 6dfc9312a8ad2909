# Packed pictures and world descriptions into the client core's creation on
# the stored scene (window-free shell units added as for the telnet target).
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  if(NOT TARGET shell_core)
    add_subdirectory(${PROJECT_SOURCE_DIR}/shell/core ${CMAKE_BINARY_DIR}/shell_core)
  endif()
  client_fuzz_target(fuzz_mud ${CMAKE_CURRENT_SOURCE_DIR}/mud_fuzz.cpp shell_core)
  target_compile_definitions(fuzz_mud PRIVATE CLIENT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
