# Cross-compiles for 64-bit Windows with Debian's mingw-w64, against the dependency prefix
# that scripts/lib/windows_deps.sh builds: -DQUORVALE_WINDOWS_DEPS=PREFIX, or the environment
# variable of that name. The -posix compilers: GCC's std::thread and std::mutex need them.
# The C runtime is msvcrt, mingw-w64's default here, as in every library of the prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVALE_MINGW_TARGET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVALE_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVALE_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVALE_MINGW_TARGET}-windres)

if(NOT QUORVALE_WINDOWS_DEPS AND DEFINED ENV{QUORVALE_WINDOWS_DEPS})
  set(QUORVALE_WINDOWS_DEPS "$ENV{QUORVALE_WINDOWS_DEPS}")
endif()
set(QUORVALE_WINDOWS_DEPS "${QUORVALE_WINDOWS_DEPS}" CACHE PATH
  "Prefix of the Windows libraries (scripts/lib/windows_deps.sh prints it)")
if(NOT IS_DIRECTORY "${QUORVALE_WINDOWS_DEPS}/include")
  message(FATAL_ERROR "No Windows dependency prefix at '${QUORVALE_WINDOWS_DEPS}': pass "
    "-DQUORVALE_WINDOWS_DEPS=PREFIX, PREFIX being what windows_deps_prefix prints "
    "(scripts/lib/windows_deps.sh)")
endif()
# try_compile's projects read this file again and need the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVALE_WINDOWS_DEPS)

# Libraries, headers and CMake packages come from the prefix and the mingw-w64 sysroot only;
# programs (pkg-config, wine) from this machine.
set(CMAKE_FIND_ROOT_PATH "${QUORVALE_WINDOWS_DEPS}" /usr/${QUORVALE_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The prefix's include/ and lib/ are what /usr/include and /usr/lib are to a native build:
# <SDL/SDL.h>, <boost/...>, -lSDL.
set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES "${QUORVALE_WINDOWS_DEPS}/include")
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES "${QUORVALE_WINDOWS_DEPS}/include")
# The programs' headers carry no link time (a zero stamp): a build from the same commit
# gives the same bytes. The packaged copies are stripped, and strip stamps them with
# SOURCE_DATE_EPOCH, the commit's time (scripts/package).
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-L${QUORVALE_WINDOWS_DEPS}/lib -Wl,--no-insert-timestamp")
endforeach()

# pkg-config reads the prefix's .pc files only, with the flags of static linking: all but
# SDL is a static library there.
set(ENV{PKG_CONFIG_LIBDIR} "${QUORVALE_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)

# Test programs run under Wine, finding SDL.dll in the prefix. Debian's wine64 package
# installs its loader outside PATH. The path reaches Wine through env, which starts in a
# millisecond where `cmake -E env` takes some forty: once for each test.
find_program(QUORVALE_WINE NAMES wine wine64 PATHS /usr/lib/wine)
find_program(QUORVALE_ENV_PROGRAM env)
if(QUORVALE_WINE AND QUORVALE_ENV_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR
    ${QUORVALE_ENV_PROGRAM} "WINEPATH=Z:${QUORVALE_WINDOWS_DEPS}/bin" ${QUORVALE_WINE})
endif()
