# The telnet codec and the received-text handling on random bytes. The
# window-free shell units are not part of the fuzz build's folders, so they
# are added here. Only the clang fuzz build can link libFuzzer targets.
if(CLIENT_BUILD_FUZZ)
  if(NOT TARGET shell_core)
    add_subdirectory(${PROJECT_SOURCE_DIR}/shell/core ${CMAKE_BINARY_DIR}/shell_core)
  endif()
  client_fuzz_target(fuzz_telnet ${CMAKE_CURRENT_SOURCE_DIR}/telnet_fuzz.cpp shell_core)
endif()
