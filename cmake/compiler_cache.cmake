# Compiles through ccache when it is there. The cache stays in the user's cache folder
# (ccache's own default), and paths are made relative to the source tree, with the build
# folder left out of the key, so a fresh clone in another folder hits what an earlier one
# compiled. Nor is the locale in the key: ccache keys by it by default, as it may change the
# compiler's messages, but it never changes an object, and a build in another locale (a
# package's second build, scripts/lib/reproducible.sh) hits too.
if(NOT QUORVALE_CCACHE OR CMAKE_CXX_COMPILER_LAUNCHER)
  return()
endif()
find_program(QUORVALE_CCACHE_PROGRAM ccache)
if(NOT QUORVALE_CCACHE_PROGRAM)
  return()
endif()
set(CMAKE_CXX_COMPILER_LAUNCHER
  ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1
  CCACHE_SLOPPINESS=locale
  ${QUORVALE_CCACHE_PROGRAM})
