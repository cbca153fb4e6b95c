# Checks that the 32-bit suite drives the release's own bytes: the packages it installs are the ones whose
# SHA-256 the release recorded in SHA256SUMS, and the program its tests start is the TobrikMouse.exe inside
# those packages and inside the release's ZIP.
#   cmake -DMSIEXTRACT=msiextract -DPROGRAM=<started TobrikMouse.exe> -DPACKAGES=<installed .msi;...>
#         -DRELEASE=<scripts/release's folder> -DZIP=<the release's ZIP> -P check_release_bytes.cmake
cmake_minimum_required(VERSION 3.21)

# recorded_sha256(OUT NAME): the SHA-256 that SHA256SUMS holds for the file NAME.
function(recorded_sha256 out name)
  file(STRINGS "${RELEASE}/SHA256SUMS" lines REGEX "^[0-9a-f]+  ${name}$")
  if(NOT lines MATCHES "^([0-9a-f]+)  ")
    message(FATAL_ERROR "${RELEASE}/SHA256SUMS has no line for ${name}")
  endif()
  set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

# expect_same_sha256(WHAT FILE EXPECTED)
function(expect_same_sha256 what file expected)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${what}: there is no ${file}")
  endif()
  file(SHA256 "${file}" actual)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "${what}: ${file} has SHA-256 ${actual}, not the release's ${expected}")
  endif()
endfunction()

file(SHA256 "${PROGRAM}" program_sha256)
set(work "${CMAKE_CURRENT_BINARY_DIR}/release-bytes")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}/zip")
set(copies "${work}/zip/TobrikMouse.exe")
foreach(package IN LISTS PACKAGES)
  get_filename_component(package_name "${package}" NAME)
  recorded_sha256(package_sha256 "${package_name}")
  expect_same_sha256("the installed package" "${package}" ${package_sha256})
  execute_process(COMMAND ${MSIEXTRACT} -C "${work}/${package_name}" "${package}" OUTPUT_QUIET
                  COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB_RECURSE in_msi "${work}/${package_name}/*/TobrikMouse.exe")
  list(APPEND copies "${in_msi}")
  string(APPEND installed " ${package_name} ${package_sha256}")
endforeach()
get_filename_component(zip_name "${ZIP}" NAME)
recorded_sha256(zip_sha256 "${zip_name}")
expect_same_sha256("the release's ZIP" "${ZIP}" ${zip_sha256})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${ZIP}" WORKING_DIRECTORY "${work}/zip" COMMAND_ERROR_IS_FATAL ANY)
foreach(copy IN LISTS copies)
  expect_same_sha256("the program the tests start" "${copy}" ${program_sha256})
endforeach()
file(REMOVE_RECURSE "${work}")
message(STATUS "the tests start TobrikMouse.exe ${program_sha256}, found in ${zip_name}, and install"
               "${installed}")
