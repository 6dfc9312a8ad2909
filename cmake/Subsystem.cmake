# client_library(NAME [DIR dir] [PUBLIC libs...] [PRIVATE libs...])
# One static library from every .cpp of a folder (globbed, so adding a unit
# needs no edit here). The project root is the include root: units include
# each other as "engine/vector_geometry.h".
function(client_library name)
  cmake_parse_arguments(ARG "" "DIR" "PUBLIC;PRIVATE" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp ${ARG_DIR}/*.c)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC})
  endif()
endfunction()

# client_test_suite(NAME LIBS libs... [GUI])
# One GoogleTest program from every *_test.cpp of the current folder.
function(client_test_suite name)
  cmake_parse_arguments(ARG "GUI" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    CLIENT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    CLIENT_TEST_OUTPUT_DIR="${CMAKE_BINARY_DIR}/test-output"
    CLIENT_PROGRAM_DIR="${CLIENT_PROGRAM_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# client_add_subfolders([EXCLUDE names...])
# Adds every sub-folder that has a CMakeLists.txt, but the excluded ones.
function(client_add_subfolders)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB entries LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT entries)
  foreach(entry ${entries})
    get_filename_component(leaf ${entry} NAME)
    if(leaf IN_LIST ARG_EXCLUDE)
      continue()
    endif()
    if(IS_DIRECTORY ${entry} AND EXISTS ${entry}/CMakeLists.txt)
      add_subdirectory(${entry})
    endif()
  endforeach()
endfunction()
