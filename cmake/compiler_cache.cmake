# Compiles through ccache when it is there. The cache stays in the user's cache folder
# (ccache's own default), and paths are made relative to the source tree, with the build
# folder left out of the key, so a fresh clone in another folder hits what an earlier one
# compiled. Nor is the locale in the key: ccache keys by it by default, as it may change the
# compiler's messages, but it never changes an object, and a build in another locale (a
# package's second build, scripts/lib/reproducible.sh) hits too. A header whose size, mtime
# and ctime are those the cache saw (the system's, Boost's, GoogleTest's) is taken as
# unchanged without being read again: a write changes the ctime, so an edited header is read.
# The settings reach ccache through env, which costs a millisecond a compile where
# `cmake -E env` costs thirty: with every object in the cache, that is most of a build.
if(NOT QUORVALE_CCACHE OR CMAKE_CXX_COMPILER_LAUNCHER)
  return()
endif()
find_program(QUORVALE_CCACHE_PROGRAM ccache)
find_program(QUORVALE_ENV_PROGRAM env)
if(NOT QUORVALE_CCACHE_PROGRAM OR NOT QUORVALE_ENV_PROGRAM)
  return()
endif()
set(CMAKE_CXX_COMPILER_LAUNCHER
  ${QUORVALE_ENV_PROGRAM} CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=1
  CCACHE_SLOPPINESS=locale,file_stat_matches
  ${QUORVALE_CCACHE_PROGRAM})
