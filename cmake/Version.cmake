# Hands the project version to the code and the resources, and holds the served version file to it.
set(KAVEL_VERSION_DIR ${CMAKE_BINARY_DIR}/version)
configure_file(${CMAKE_CURRENT_LIST_DIR}/KavelVersion.h.in ${KAVEL_VERSION_DIR}/KavelVersion.h @ONLY)
add_library(kavel_version INTERFACE)
target_include_directories(kavel_version INTERFACE ${KAVEL_VERSION_DIR})

# The version file that server/ ships must list this version, or a released program would be told
# that it is out of date (or never learn of a newer one).
set(_listed "${CMAKE_SOURCE_DIR}/server/www/download/Kavel.txt")
file(READ ${_listed} _text)
if(NOT _text STREQUAL "{version\n${PROJECT_VERSION_MAJOR}\n}\n")
  message(FATAL_ERROR "${_listed} must list version ${PROJECT_VERSION_MAJOR} (the project's major version)")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_listed})
