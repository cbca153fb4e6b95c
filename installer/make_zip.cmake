# Packs the portable ZIP, byte for byte the same for the same inputs: the files in the given order, then the
# pointer gallery in a folder Pointers, each with the source date and fixed permissions, and none of the owner
# or access-time fields of the packer.
#   cmake -DZIP=zip -DFILES="a;b;c" -DPOINTERS="p;q" -DEPOCH=<seconds> -DWORK=<scratch folder>
#         -DOUTPUT=<archive> -P make_zip.cmake
cmake_minimum_required(VERSION 3.21)

include(${CMAKE_CURRENT_LIST_DIR}/stage_files.cmake)
tobrik_stage_files("${WORK}" "${EPOCH}" names ${FILES})
tobrik_stage_files("${WORK}/Pointers" "${EPOCH}" pointers ${POINTERS})
list(TRANSFORM pointers PREPEND Pointers/)
list(APPEND names ${pointers})

# -X leaves out the extra fields (owner, access and change times), -D the folder entries; a ZIP holds
# local times, so the time zone is fixed.
file(REMOVE "${OUTPUT}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP} -X -D -q "${OUTPUT}" ${names}
  WORKING_DIRECTORY "${WORK}" COMMAND_ERROR_IS_FATAL ANY)
