# Checks tobrik_msi_version (installer/msi_version.cmake) across its limits. Each version is converted in a
# cmake process of its own, as a configure would, so a refusal shows as that process's failure.
#   cmake -P msi_version_test.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../installer/msi_version.cmake)
if(DEFINED VERSION)
  tobrik_msi_version(converted ${VERSION})
  message(STATUS "${converted}")
  return()
endif()

# VERSION=INSTALLER-VERSION, or VERSION= for one that has none. 2.0.0.1000 would install as 2.0.1.0 does.
foreach(case IN ITEMS 2.0.0.1=2.0.1 2.0.1.0=2.0.1000 2.0.65.535=2.0.65535 255.255.0.999=255.255.999
                      2.0.0.1000= 2.0.65.536= 256.0.0.1=)
  string(REGEX REPLACE "=.*" "" version ${case})
  string(REGEX REPLACE ".*=" "" expected ${case})
  execute_process(COMMAND ${CMAKE_COMMAND} -DVERSION=${version} -P ${CMAKE_CURRENT_LIST_FILE}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE error)
  if(expected AND NOT (status EQUAL 0 AND output STREQUAL "-- ${expected}\n"))
    message(SEND_ERROR "${version}: expected ${expected}, got status ${status}: ${output}${error}")
  elseif(NOT expected AND (status EQUAL 0 OR NOT error MATCHES "255\\.255\\.65\\.535"))
    message(SEND_ERROR "${version}: expected a refusal naming the limits 255.255.65.535, got status ${status}: "
                       "${output}${error}")
  endif()
endforeach()
