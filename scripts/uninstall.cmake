# Takes away what `cmake --install` put in place: every file of its
# manifest, then those folders the install made (noted by
# scripts/install-folders.cmake) that are empty now. A folder that was there
# before the install, or that holds anything else, stays.
# The manifest's paths leave out the DESTDIR the install ran under, noted
# in DESTDIR_FILE: an install staged under one is taken away there, never
# from the prefix itself.
# Usage: cmake -DMANIFEST=install_manifest.txt -DMADE_FOLDERS=install_folders.txt
#          -DDESTDIR_FILE=install_destdir.txt -P uninstall.cmake
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} is missing; it is written by cmake --install.")
endif()
if(NOT EXISTS "${DESTDIR_FILE}")
  message(FATAL_ERROR "Cannot uninstall: ${DESTDIR_FILE} is missing; it is written by cmake --install. "
                      "Install again, then uninstall.")
endif()
file(READ "${DESTDIR_FILE}" destdir)

file(STRINGS "${MANIFEST}" installed)
set(removed 0)
set(failed 0)
foreach(path IN LISTS installed)
  if(NOT IS_ABSOLUTE "${path}")
    message(WARNING "Left alone: ${path} is not an absolute path")
    continue()
  endif()
  set(file "${destdir}${path}")
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
  # A folder that still holds something (another install's files, the
  # user's) stays noted, to be taken away once it is empty.
  set(still_there)
  foreach(folder IN LISTS folders)
    if(IS_DIRECTORY "${folder}" AND NOT IS_SYMLINK "${folder}")
      # rmdir removes a folder only while it is empty.
      execute_process(COMMAND rmdir "${folder}" RESULT_VARIABLE kept OUTPUT_QUIET ERROR_QUIET)
      if(kept EQUAL 0)
        message(STATUS "Removed the empty folder ${folder}")
      else()
        list(APPEND still_there "${folder}")
      endif()
    endif()
  endforeach()
  if(still_there)
    list(JOIN still_there "\n" text)
    file(WRITE "${MADE_FOLDERS}" "${text}\n")
  else()
    file(REMOVE "${MADE_FOLDERS}")
  endif()
endif()
if(failed GREATER 0)
  message(FATAL_ERROR "${failed} installed files could not be removed")
endif()
