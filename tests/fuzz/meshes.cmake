# Random bytes as "glsm" mesh files, raw and as patches of a valid file, and
# skinned meshes of sizes from the input. Inputs as long as a file whose
# sizes multiply (200 KB and more), and a resident set that such a file
# would blow up if reading it cost more than its size.
client_fuzz_target(fuzz_meshes ${CMAKE_CURRENT_SOURCE_DIR}/meshes_fuzz.cpp objects
  FLAGS -max_len=262144 -rss_limit_mb=768)
