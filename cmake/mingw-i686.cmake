# Cross build for 32-bit Windows with MinGW-w64 (posix thread model): the shipped program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOBRIK_TRIPLET i686-w64-mingw32)
# The host's Wine is 64-bit only; the 32-bit one lives in the i386 root that scripts/test sets up.
get_filename_component(TOBRIK_WINE32 ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine32 ABSOLUTE)
set(TOBRIK_EMULATOR ${TOBRIK_WINE32} CACHE FILEPATH
  "Command that runs the build's Windows programs for ctest")
# Under the emulator every process start costs seconds and a case runs several times slower: the tests run
# a process per source file, not per case, with longer time-outs (tests/CMakeLists.txt).
set(TOBRIK_TEST_GROUPS ON CACHE BOOL "One test process for the cases of each source file, not one per case")
set(TOBRIK_TEST_TIME_SCALE 5)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
