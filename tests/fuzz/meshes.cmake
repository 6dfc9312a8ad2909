# Random bytes as "glsm" mesh files, raw and as patches of a valid file.
client_fuzz_target(fuzz_meshes ${CMAKE_CURRENT_SOURCE_DIR}/meshes_fuzz.cpp objects)
