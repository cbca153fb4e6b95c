# tobrik_stage_files(WORK EPOCH NAMES_VAR FILE...): copies the files into the fresh folder WORK with fixed
# permissions and the source date, so that a packer reading them there gives the same bytes every time;
# NAMES_VAR gets their names, in the given order. For the package scripts run with cmake -P.
function(tobrik_stage_files work epoch names_var)
  file(REMOVE_RECURSE "${work}")
  file(MAKE_DIRECTORY "${work}")
  set(names)
  foreach(input IN LISTS ARGN)
    get_filename_component(name "${input}" NAME)
    file(COPY_FILE "${input}" "${work}/${name}")
    file(CHMOD "${work}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    execute_process(COMMAND touch -d "@${epoch}" "${work}/${name}" COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND names "${name}")
  endforeach()
  set(${names_var} "${names}" PARENT_SCOPE)
endfunction()
