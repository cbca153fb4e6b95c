# Fails when a source of the program is newer than the release's program that the tests are to start: that
# release was made before the edit, so testing it would test the sources as they were.
#   cmake -DPROGRAM=<the release's TobrikMouse.exe> "-DSOURCES=<file;...>" -P check_release_age.cmake
file(TIMESTAMP "${PROGRAM}" program_time "%s" UTC)
foreach(source IN LISTS SOURCES)
  file(TIMESTAMP "${source}" source_time "%s" UTC)
  if(source_time GREATER program_time)
    message(FATAL_ERROR "${source} is newer than the release's ${PROGRAM}: run scripts/release again, or "
                        "configure this build with -DTOBRIK_RELEASE_DIR= to test a program built here")
  endif()
endforeach()
