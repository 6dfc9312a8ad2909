# Random bytes as the stored parts of drawables: effect collections holding
# fire effects, and the cube's raw size property.
client_fuzz_target(fuzz_objects ${CMAKE_CURRENT_SOURCE_DIR}/objects_fuzz.cpp objects)
