# tobrik_msi_version(OUT VERSION): the installer's product version for the program's four-field VERSION.
# Windows Installer compares only the first three fields of a product version when it looks for an older or
# a newer one, so the third carries the program's last two: major.minor.(patch * 1000 + tweak). 2.0.0.1 is
# installed as 2.0.1, 2.0.0.2 as 2.0.2 and 2.0.1.0 as 2.0.1000; a rise in any field of the program's version
# is a rise of the installer's. That holds while the tweak stays below 1000 and the third field within the
# 65535 Windows Installer allows: patch.tweak up to 65.535, major and minor up to 255.
function(tobrik_msi_version out version)
  if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "the program's version ${version} does not have four fields")
  endif()
  set(major ${CMAKE_MATCH_1})
  set(minor ${CMAKE_MATCH_2})
  math(EXPR build "${CMAKE_MATCH_3} * 1000 + ${CMAKE_MATCH_4}")
  if(major GREATER 255 OR minor GREATER 255 OR CMAKE_MATCH_4 GREATER 999 OR build GREATER 65535)
    message(FATAL_ERROR "the program's version ${version} has no installer version: the limits are "
                        "255.255.65.535, with the last field at most 999")
  endif()
  set(${out} ${major}.${minor}.${build} PARENT_SCOPE)
endfunction()
