# Random bytes as a world description: config.xml loading with the sample
# world's stylesheets, the ground-height list and the room-map reader.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  client_fuzz_target(fuzz_configxml ${CMAKE_CURRENT_SOURCE_DIR}/configxml_fuzz.cpp client)
  target_compile_definitions(fuzz_configxml PRIVATE CLIENT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
