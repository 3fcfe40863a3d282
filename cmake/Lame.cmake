# LAME for the Windows build: cross-compiled from Debian's source package, which scripts/setup
# unpacks into build/cache, and linked statically into ca.dll.
include(ExternalProject)
file(GLOB _lame_dirs LIST_DIRECTORIES true "${CMAKE_SOURCE_DIR}/build/cache/lame-*")
list(FILTER _lame_dirs EXCLUDE REGEX "\\.(tar|dsc|orig)")
set(LAME_SOURCE_DIR "" CACHE PATH "unpacked Debian source of LAME (apt-get source lame)")
if(NOT LAME_SOURCE_DIR)
  list(GET _lame_dirs 0 _first)
  set(LAME_SOURCE_DIR "${_first}")
endif()
if(NOT EXISTS "${LAME_SOURCE_DIR}/configure")
  message(FATAL_ERROR "LAME source not found under build/cache: run scripts/setup first")
endif()

set(_lame_prefix ${CMAKE_BINARY_DIR}/lame)
ExternalProject_Add(lame_build
  SOURCE_DIR ${LAME_SOURCE_DIR}
  BINARY_DIR ${_lame_prefix}/build
  INSTALL_DIR ${_lame_prefix}/install
  CONFIGURE_COMMAND ${LAME_SOURCE_DIR}/configure --host=x86_64-w64-mingw32
    --prefix=<INSTALL_DIR> --enable-static --disable-shared --disable-frontend
    --disable-decoder --disable-gtktest --disable-dependency-tracking
    CC=x86_64-w64-mingw32-gcc-posix "CFLAGS=-O2"
  BUILD_COMMAND make -C libmp3lame -j2
  INSTALL_COMMAND make -C libmp3lame install
    COMMAND ${CMAKE_COMMAND} -E copy ${LAME_SOURCE_DIR}/include/lame.h <INSTALL_DIR>/include/lame/lame.h
  BUILD_BYPRODUCTS <INSTALL_DIR>/lib/libmp3lame.a
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

file(MAKE_DIRECTORY ${_lame_prefix}/install/include/lame)
add_library(mp3lame STATIC IMPORTED GLOBAL)
set_target_properties(mp3lame PROPERTIES
  IMPORTED_LOCATION ${_lame_prefix}/install/lib/libmp3lame.a
  INTERFACE_INCLUDE_DIRECTORIES ${_lame_prefix}/install/include)
add_dependencies(mp3lame lame_build)
