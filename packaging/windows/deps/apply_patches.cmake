# The patch step of a library: a Debian patch series, then our own patch files, applied to
# the unpacked source with patch(1).
#   cmake -D SOURCE=DIR [-D SERIES=DIR] [-D SKIP=NAME;...] [-D PATCHES=FILE;...] -P apply_patches.cmake
# From the series, the patches named in SKIP are left out, and so are those for files the
# source does not hold (parts of a large archive left unpacked).
cmake_minimum_required(VERSION 3.25)

function(apply patch_file)
  execute_process(COMMAND patch -d "${SOURCE}" -p1 -f --no-backup-if-mismatch -i "${patch_file}"
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${patch_file} does not apply to ${SOURCE}")
  endif()
endfunction()

# for_missing_files(VAR PATCH): VAR is true when PATCH changes a file the source lacks; a
# file the patch creates counts as present.
function(for_missing_files var patch_file)
  file(STRINGS "${patch_file}" headers REGEX "^(---|\\+\\+\\+) ")
  set(old "")
  foreach(header IN LISTS headers)
    if(header MATCHES "^--- ([^\t ]+)")
      set(old "${CMAKE_MATCH_1}")
    elseif(header MATCHES "^\\+\\+\\+ [^/\t ]*/([^\t ]+)")
      set(new "${CMAKE_MATCH_1}")
      if(NOT old STREQUAL "/dev/null" AND NOT EXISTS "${SOURCE}/${new}")
        set(${var} TRUE PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  set(${var} FALSE PARENT_SCOPE)
endfunction()

if(SERIES)
  file(STRINGS "${SERIES}/series" series)
  foreach(line IN LISTS series)
    string(REGEX REPLACE "[ \t].*" "" name "${line}")
    if(name STREQUAL "" OR name MATCHES "^#")
      continue()
    endif()
    for_missing_files(missing "${SERIES}/${name}")
    if(name IN_LIST SKIP)
      message(STATUS "Leaving out Debian's ${name}")
    elseif(missing)
      message(STATUS "Leaving out Debian's ${name}: for parts not unpacked")
    else()
      message(STATUS "Applying Debian's ${name}")
      apply("${SERIES}/${name}")
    endif()
  endforeach()
endif()
foreach(patch_file IN LISTS PATCHES)
  get_filename_component(name "${patch_file}" NAME)
  message(STATUS "Applying ${name}")
  apply("${patch_file}")
endforeach()
