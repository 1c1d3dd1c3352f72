# Makes the finished stage's paths those of FINAL, the folder it is about to be moved to,
# and drops libtool's archives (they only repeat those paths). The files that name the
# stage are the build's text files: the -config scripts, pkg-config's and Boost's CMake
# files. Fails when any other file still names the stage, as it would not work from FINAL.
#   cmake -D STAGE=DIR -D FINAL=DIR -P relocate.cmake
cmake_minimum_required(VERSION 3.25)
file(GLOB libtool_archives "${STAGE}/lib/*.la")
if(libtool_archives)
  file(REMOVE ${libtool_archives})
endif()
file(GLOB_RECURSE text_files "${STAGE}/bin/*-config" "${STAGE}/lib/pkgconfig/*.pc"
  "${STAGE}/lib/cmake/*.cmake")
foreach(file IN LISTS text_files)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" content)
  string(FIND "${content}" "${STAGE}" at)
  if(at GREATER_EQUAL 0)
    file(RELATIVE_PATH name "${STAGE}" "${file}")
    message(STATUS "Relocating ${name}")
    string(REPLACE "${STAGE}" "${FINAL}" content "${content}")
    file(WRITE "${file}" "${content}")
  endif()
endforeach()
execute_process(COMMAND grep -rl -F "${STAGE}" "${STAGE}" OUTPUT_VARIABLE naming_stage)
if(naming_stage)
  message(FATAL_ERROR "These files name the temporary folder ${STAGE}: ${naming_stage}")
endif()
