# Process state and the application strings record. Included by app/CMakeLists.txt.
# kavel_appinfo: the scrambled strings record (pure; every build).
# kavel_process: the shell's process handles and the recording mutex (Windows only).
add_library(kavel_appinfo STATIC ${CMAKE_CURRENT_LIST_DIR}/AppInfo.cpp)
target_include_directories(kavel_appinfo PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(kavel_appinfo PRIVATE
  KAVEL_UPDATE_HOST="${KAVEL_UPDATE_HOST}"
  KAVEL_DOWNLOAD_URL="${KAVEL_DOWNLOAD_URL}"
  KAVEL_HELP_URL="${KAVEL_HELP_URL}")
kavel_warnings(kavel_appinfo)

if(KAVEL_WINDOWS)
  add_library(kavel_process STATIC ${CMAKE_CURRENT_LIST_DIR}/ProcessState.cpp)
  target_include_directories(kavel_process PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  kavel_warnings(kavel_process)
endif()
