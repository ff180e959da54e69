# Takes away what `cmake --install` put in place: every file of its
# manifest, then those folders the install made (noted by
# scripts/install-folders.cmake) that are empty now. A folder that was there
# before the install, or that holds anything else, stays.
# Usage: cmake -DMANIFEST=install_manifest.txt -DMADE_FOLDERS=install_folders.txt -P uninstall.cmake
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} is missing; it is written by cmake --install.")
endif()

file(STRINGS "${MANIFEST}" files)
set(removed 0)
set(failed 0)
foreach(file IN LISTS files)
  if(IS_DIRECTORY "${file}" AND NOT IS_SYMLINK "${file}")
    message(WARNING "Left in place: ${file} is a folder, not an installed file")
  elseif(EXISTS "${file}" OR IS_SYMLINK "${file}")
    file(REMOVE "${file}")
    if(EXISTS "${file}" OR IS_SYMLINK "${file}")
      message(WARNING "Could not remove ${file}")
      math(EXPR failed "${failed} + 1")
    else()
      math(EXPR removed "${removed} + 1")
    endif()
  else()
    message(STATUS "Already gone: ${file}")
  endif()
endforeach()
message(STATUS "Removed ${removed} installed files")

if(EXISTS "${MADE_FOLDERS}")
  file(STRINGS "${MADE_FOLDERS}" folders)
  # A folder sorts after its parent: reversed, every folder comes before it.
  list(SORT folders)
  list(REVERSE folders)
  foreach(folder IN LISTS folders)
    if(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}")
      # rmdir removes a folder only while it is empty.
      execute_process(COMMAND rmdir "${folder}" RESULT_VARIABLE kept OUTPUT_QUIET ERROR_QUIET)
      if(kept EQUAL 0)
        message(STATUS "Removed the empty folder ${folder}")
      endif()
    endif()
  endforeach()
  file(REMOVE "${MADE_FOLDERS}")
endif()
if(failed GREATER 0)
  message(FATAL_ERROR "${failed} installed files could not be removed")
endif()
