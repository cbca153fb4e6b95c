# Included by the top CMakeLists.txt. The release packages beside the program: the portable ZIP (target
# package_zip) and the Windows Installer package (target package_msi), both the same bytes from the same
# commit. Their dates are the last commit's (SOURCE_DATE_EPOCH if set). The tools come from Debian's zip, wixl, msitools and faketime; without faketime
# the installer package carries the time it was built.
find_program(TOBRIK_ZIP zip)
find_program(TOBRIK_WIXL wixl)
find_program(TOBRIK_MSIBUILD msibuild)
find_program(TOBRIK_FAKETIME faketime)

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(TOBRIK_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE TOBRIK_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT TOBRIK_SOURCE_DATE_EPOCH)
    set(TOBRIK_SOURCE_DATE_EPOCH 315532800) # 1980-01-01, the earliest date a ZIP or a cabinet holds
  endif()
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TOBRIK_PACKAGE_ARCH x64)
  set(TOBRIK_PACKAGE_SUFFIX -win64)
else()
  set(TOBRIK_PACKAGE_ARCH x86)
  set(TOBRIK_PACKAGE_SUFFIX -win32)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/msi_version.cmake)

# tobrik_add_msi(TARGET OUTPUT VERSION SCOPE): a target that builds the installer package of this build's
# program (TOBRIK_PROGRAM_FILE: built here, or the release's) with the given four-field version, per user
# (SCOPE perUser) or for every user of the machine (perMachine).
function(tobrik_add_msi target output version scope)
  if(NOT TOBRIK_WIXL OR NOT TOBRIK_MSIBUILD)
    message(FATAL_ERROR "${target} needs wixl and msibuild (Debian: wixl msitools)")
  endif()
  tobrik_msi_version(msi_version ${version})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DWIXL=${TOBRIK_WIXL} -DMSIBUILD=${TOBRIK_MSIBUILD} -DFAKETIME=${TOBRIK_FAKETIME}
            -DSOURCE=${CMAKE_SOURCE_DIR}/installer/TobrikMouse.wxs -DPROGRAM=${TOBRIK_PROGRAM_FILE}
            -DBITMAP=${CMAKE_SOURCE_DIR}/res/Tobrik.bmp -DICON=${CMAKE_SOURCE_DIR}/res/Tobrik.ico
            "-DPOINTERS=${TOBRIK_POINTERS}" -DVERSION=${version} -DMSI_VERSION=${msi_version} -DARCH=${TOBRIK_PACKAGE_ARCH}
            -DSCOPE=${scope} -DEPOCH=${TOBRIK_SOURCE_DATE_EPOCH} -DWORK=${CMAKE_BINARY_DIR}/packages/${target} -DOUTPUT=${output}
            -P ${CMAKE_SOURCE_DIR}/installer/build_msi.cmake
    DEPENDS TobrikMouse ${TOBRIK_PROGRAM_FILE}
            ${CMAKE_SOURCE_DIR}/installer/TobrikMouse.wxs ${CMAKE_SOURCE_DIR}/installer/build_msi.cmake
            ${CMAKE_SOURCE_DIR}/installer/stage_files.cmake
            ${CMAKE_SOURCE_DIR}/res/Tobrik.bmp ${CMAKE_SOURCE_DIR}/res/Tobrik.ico ${TOBRIK_POINTERS}
    VERBATIM)
  add_custom_target(${target} DEPENDS ${output})
endfunction()

# The shipped packages are the 32-bit build's; a 64-bit build makes its own for its tests. The machine-wide
# package (target package_msi_machine) carries -machine in its name.
if(TOBRIK_PACKAGE_ARCH STREQUAL x86)
  set(TOBRIK_MSI_SUFFIX "")
else()
  set(TOBRIK_MSI_SUFFIX ${TOBRIK_PACKAGE_SUFFIX})
endif()
set(TOBRIK_MSI_NAME TobrikMouse-${PROJECT_VERSION}${TOBRIK_MSI_SUFFIX}.msi)
set(TOBRIK_MACHINE_MSI_NAME TobrikMouse-${PROJECT_VERSION}${TOBRIK_MSI_SUFFIX}-machine.msi)
if(TOBRIK_WIXL AND TOBRIK_MSIBUILD)
  tobrik_add_msi(package_msi ${CMAKE_BINARY_DIR}/${TOBRIK_MSI_NAME} ${PROJECT_VERSION} perUser)
  tobrik_add_msi(package_msi_machine ${CMAKE_BINARY_DIR}/${TOBRIK_MACHINE_MSI_NAME} ${PROJECT_VERSION} perMachine)
endif()

if(TOBRIK_ZIP)
  set(zip_file ${CMAKE_BINARY_DIR}/TobrikMouse-${PROJECT_VERSION}${TOBRIK_PACKAGE_SUFFIX}.zip)
  set(zip_files ${TOBRIK_PROGRAM_FILE} ${CMAKE_SOURCE_DIR}/res/Tobrik.bmp ${CMAKE_SOURCE_DIR}/README.md)
  add_custom_command(OUTPUT ${zip_file}
    COMMAND ${CMAKE_COMMAND} -DZIP=${TOBRIK_ZIP} "-DFILES=${zip_files}" "-DPOINTERS=${TOBRIK_POINTERS}" -DEPOCH=${TOBRIK_SOURCE_DATE_EPOCH}
            -DWORK=${CMAKE_BINARY_DIR}/packages/zip -DOUTPUT=${zip_file}
            -P ${CMAKE_SOURCE_DIR}/installer/make_zip.cmake
    DEPENDS TobrikMouse ${TOBRIK_PROGRAM_FILE}
            ${CMAKE_SOURCE_DIR}/installer/make_zip.cmake ${CMAKE_SOURCE_DIR}/installer/stage_files.cmake
            ${CMAKE_SOURCE_DIR}/res/Tobrik.bmp ${CMAKE_SOURCE_DIR}/README.md ${TOBRIK_POINTERS}
    VERBATIM)
  add_custom_target(package_zip DEPENDS ${zip_file})
endif()
