# Every third-party library of the project, found once here.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL)
pkg_check_modules(GLU REQUIRED IMPORTED_TARGET glu)
find_package(JPEG REQUIRED)
pkg_check_modules(OPENJP2 REQUIRED IMPORTED_TARGET libopenjp2)
pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
pkg_check_modules(LIBXSLT REQUIRED IMPORTED_TARGET libxslt)
pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
# libsndfile reads and writes MP3 from 1.1 on. An older one builds, but the
# wing beats (an MP3 file) stay silent, the sample world's generator cannot
# write them and the MP3 tests fail.
if(SNDFILE_VERSION VERSION_LESS 1.1)
  message(WARNING "libsndfile ${SNDFILE_VERSION} found: MP3 needs libsndfile 1.1 or later "
                  "(Debian 12 has 1.2); MP3 sounds will not play.")
endif()
if(NOT CLIENT_BUILD_FUZZ)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets OpenGL Test)
endif()
if(CLIENT_BUILD_TESTS AND NOT CLIENT_BUILD_FUZZ)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(CLIENT_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
