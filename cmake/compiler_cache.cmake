# Compiles through ccache when it is there. The cache stays in the user's cache folder
# (ccache's own default), and paths are made relative to the source tree, with the build
# folder left out of the key, so a fresh clone in another folder hits what an earlier one
# compiled.
if(NOT QUORVALE_CCACHE OR CMAKE_CXX_COMPILER_LAUNCHER)
  return()
endif()
find_program(QUORVALE_CCACHE_PROGRAM ccache)
if(NOT QUORVALE_CCACHE_PROGRAM)
  return()
endif()
set(CMAKE_CXX_COMPILER_LAUNCHER
  ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1
  ${QUORVALE_CCACHE_PROGRAM})
