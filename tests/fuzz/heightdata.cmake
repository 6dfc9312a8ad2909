client_fuzz_target(fuzz_heightdata ${CMAKE_CURRENT_SOURCE_DIR}/heightdata_fuzz.cpp objects)
