# Builds the Windows Installer package from TobrikMouse.wxs, byte for byte the same for the same inputs:
#   cmake -DWIXL=... -DMSIBUILD=... [-DFAKETIME=...] -DSOURCE=TobrikMouse.wxs -DPROGRAM=TobrikMouse.exe
#         -DBITMAP=Tobrik.bmp -DICON=Tobrik.ico -DPOINTERS="p.bmp;q.bmp" -DVERSION=2.0.0.1 -DMSI_VERSION=2.0.1 -DARCH=x86|x64
#         -DSCOPE=perUser|perMachine -DEPOCH=<seconds> -DWORK=<scratch folder> -DOUTPUT=<package> -P build_msi.cmake
cmake_minimum_required(VERSION 3.21)

# The component that writes the sign-in entry is installed only with AUTOSTART=1, or when an older version
# had made the entry and AUTOSTART=0 does not say otherwise. wixl cannot express a component's condition,
# so it is written into the package's Component table afterwards.
set(autostart_condition [[AUTOSTART="1" OR (PREVIOUSAUTOSTART AND NOT AUTOSTART="0")]])
# The per-user and the machine-wide install are two products to Windows Installer, each with its own
# upgrade code; the per-user one keeps the code of the releases before the machine-wide one existed.
if(SCOPE STREQUAL "perMachine")
  set(upgrade_code 8C209650-A5EB-44B3-A851-E65A08864D11)
else()
  set(upgrade_code 2DCD64B3-0F77-408F-87D8-2B86DD972084)
endif()

if(ARCH STREQUAL "x64")
  set(platform x64)
  set(win64 yes)
else()
  set(platform Intel)
  set(win64 no)
endif()

# wixl finds the files in the folder it runs in; the cabinet takes their dates from the files, so they
# carry the source date, and the local time zone must not matter.
include(${CMAKE_CURRENT_LIST_DIR}/stage_files.cmake)
tobrik_stage_files("${WORK}" "${EPOCH}" names "${PROGRAM}" "${BITMAP}" "${ICON}")
foreach(name IN LISTS names)
  file(SHA256 "${WORK}/${name}" hash)
  string(APPEND inputs "${name}=${hash};")
endforeach()
# The gallery goes into Pointers; its File entries are written for the package source to include.
tobrik_stage_files("${WORK}/Pointers" "${EPOCH}" pointers ${POINTERS})
set(pointer_entries "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Include xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n")
foreach(name IN LISTS pointers)
  file(SHA256 "${WORK}/Pointers/${name}" hash)
  string(APPEND inputs "Pointers/${name}=${hash};")
  string(MAKE_C_IDENTIFIER "Pointer_${name}" id)
  string(APPEND pointer_entries "  <File Id=\"${id}\" Name=\"${name}\" Source=\"Pointers/${name}\" />\n")
endforeach()
file(WRITE "${WORK}/Pointers.wxi" "${pointer_entries}</Include>\n")
file(SHA256 "${SOURCE}" hash)
string(APPEND inputs "source=${hash};condition=${autostart_condition}")

# VERSION is the program's (2.0.0.1), MSI_VERSION the product version it is installed as (packages.cmake).
# Every version is a product of its own, so a newer one upgrades an older one; and every different package
# has a package code of its own. Both come from what they stand for instead of from chance.
string(UUID product_code NAMESPACE ${upgrade_code} NAME "Tobrik Mouse ${VERSION} ${ARCH}" TYPE SHA1 UPPER)
string(UUID package_code NAMESPACE ${product_code} NAME "${inputs}" TYPE SHA1 UPPER)

# wixl stamps the package with the time it runs; faketime makes that the source date. The clock stands still
# there: one that starts at the source date and runs ("@") gave a later second to a wixl that took over a
# second to get there on a busy machine. The cabinet's file dates must stay the staged files' own: newer
# libfaketime (Debian 13) also shifts the times stat reports by the faked clock's offset, which would give
# the files a date that depends on when the build ran.
if(FAKETIME)
  set(ENV{SOURCE_DATE_EPOCH} ${EPOCH})
  string(TIMESTAMP source_date "%Y-%m-%d %H:%M:%S" UTC)
  set(at_source_date NO_FAKE_STAT=1 ${FAKETIME} -f "${source_date}")
endif()
file(REMOVE "${OUTPUT}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${at_source_date}
          ${WIXL} -a ${ARCH} -D Scope=${SCOPE} -D Win64=${win64} -D UpgradeCode=${upgrade_code}
          -D Version=${MSI_VERSION} -D ProgramVersion=${VERSION} -D ProductCode=${product_code}
          -o "${OUTPUT}" "${SOURCE}"
  WORKING_DIRECTORY "${WORK}" COMMAND_ERROR_IS_FATAL ANY)
execute_process(
  COMMAND ${MSIBUILD} "${OUTPUT}"
          -q "UPDATE `Component` SET `Condition` = '${autostart_condition}' WHERE `Component` = 'Autostart'"
          -s "Tobrik Mouse ${VERSION}" "Tobrik Software" "${platform};1033" "{${package_code}}"
  COMMAND_ERROR_IS_FATAL ANY)
