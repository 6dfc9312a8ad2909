# Random status lines, whole and cut at every byte, through the received-text
# handling into the status-line parser and the merge into the client states.
if(CLIENT_BUILD_FUZZ)
  if(NOT TARGET shell_core)
    add_subdirectory(${PROJECT_SOURCE_DIR}/shell/core ${CMAKE_BINARY_DIR}/shell_core)
  endif()
  client_fuzz_target(fuzz_status_line ${CMAKE_CURRENT_SOURCE_DIR}/status_line_fuzz.cpp shell_core)
endif()
