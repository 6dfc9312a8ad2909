# Copies the sample world (when the tree has one) into the program folder,
# only the files that changed.
if(EXISTS "${SOURCE}")
  file(GLOB_RECURSE entries RELATIVE "${SOURCE}" "${SOURCE}/*")
  foreach(entry ${entries})
    get_filename_component(folder "${DESTINATION}/${entry}" DIRECTORY)
    file(MAKE_DIRECTORY "${folder}")
    file(COPY_FILE "${SOURCE}/${entry}" "${DESTINATION}/${entry}" ONLY_IF_DIFFERENT)
  endforeach()
endif()
