# Packs the portable ZIP, byte for byte the same for the same inputs: the files in the given order, each
# with the source date and fixed permissions, and none of the owner or access-time fields of the packer.
#   cmake -DZIP=zip -DFILES="a;b;c" -DEPOCH=<seconds> -DWORK=<scratch folder> -DOUTPUT=<archive> -P make_zip.cmake
cmake_minimum_required(VERSION 3.21)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(names)
foreach(input IN LISTS FILES)
  get_filename_component(name "${input}" NAME)
  file(COPY_FILE "${input}" "${WORK}/${name}")
  file(CHMOD "${WORK}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  execute_process(COMMAND touch -d "@${EPOCH}" "${WORK}/${name}" COMMAND_ERROR_IS_FATAL ANY)
  list(APPEND names "${name}")
endforeach()

# -X leaves out the extra fields (owner, access and change times), -D the folder entries; a ZIP holds
# local times, so the time zone is fixed.
file(REMOVE "${OUTPUT}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP} -X -D -q "${OUTPUT}" ${names}
  WORKING_DIRECTORY "${WORK}" COMMAND_ERROR_IS_FATAL ANY)
