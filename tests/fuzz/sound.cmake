client_fuzz_target(fuzz_sound ${CMAKE_CURRENT_SOURCE_DIR}/sound_fuzz.cpp sound)
