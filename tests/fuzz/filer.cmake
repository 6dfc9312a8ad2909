client_fuzz_target(fuzz_filer ${CMAKE_CURRENT_SOURCE_DIR}/filer_fuzz.cpp engine)
