# Cross-compiles for 64-bit ARM Linux (arm64 Debian: the Raspberry Pi 4 and 5, ARM boards and
# laptops) with Debian's aarch64-linux-gnu compilers, against the sysroot of Debian's arm64
# packages that scripts/lib/arm64_sysroot.sh makes: -DQUORVALE_ARM64_SYSROOT=DIR, or the
# environment variable of that name.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${CMAKE_LIBRARY_ARCHITECTURE}-gcc)
set(CMAKE_CXX_COMPILER ${CMAKE_LIBRARY_ARCHITECTURE}-g++)

if(NOT QUORVALE_ARM64_SYSROOT AND DEFINED ENV{QUORVALE_ARM64_SYSROOT})
  set(QUORVALE_ARM64_SYSROOT "$ENV{QUORVALE_ARM64_SYSROOT}")
endif()
set(QUORVALE_ARM64_SYSROOT "${QUORVALE_ARM64_SYSROOT}" CACHE PATH
  "Sysroot of Debian's arm64 packages (scripts/lib/arm64_sysroot.sh prints it)")
if(NOT IS_DIRECTORY "${QUORVALE_ARM64_SYSROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}")
  message(FATAL_ERROR "No arm64 sysroot at '${QUORVALE_ARM64_SYSROOT}': pass "
    "-DQUORVALE_ARM64_SYSROOT=DIR, DIR being what arm64_sysroot prints "
    "(scripts/lib/arm64_sysroot.sh)")
endif()
# try_compile's projects read this file again and need the sysroot too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVALE_ARM64_SYSROOT)

# Libraries, headers and CMake packages come from the sysroot only; programs (pkg-config,
# qemu) from this machine.
set(CMAKE_SYSROOT "${QUORVALE_ARM64_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The headers' names that the programs keep (Boost's, in its error locations) are the arm64
# machine's own, /usr/include/..., not this machine's sysroot folder.
foreach(language C CXX)
  set(CMAKE_${language}_FLAGS_INIT "-ffile-prefix-map=${CMAKE_SYSROOT}=")
endforeach()

# pkg-config reads the sysroot's .pc files only, and puts the sysroot before their paths.
set(ENV{PKG_CONFIG_LIBDIR}
  "${CMAKE_SYSROOT}/usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig:${CMAKE_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${CMAKE_SYSROOT}")

# Test programs run under qemu, which finds the loader and libraries in the sysroot.
find_program(QUORVALE_QEMU_AARCH64 qemu-aarch64-static)
if(QUORVALE_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVALE_QEMU_AARCH64} -L ${CMAKE_SYSROOT})
endif()
