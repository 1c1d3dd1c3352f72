# zlib from Debian's mingw-w64 package into the stage: its headers, its static library and
# a pkg-config file, with the package's copyright as the licence text.
#   cmake -D SYSROOT=/usr/x86_64-w64-mingw32 -D STAGE=DIR -P install_zlib.cmake
cmake_minimum_required(VERSION 3.25)
file(COPY "${SYSROOT}/include/zlib.h" "${SYSROOT}/include/zconf.h"
  DESTINATION "${STAGE}/include")
file(COPY "${SYSROOT}/lib/libz.a" DESTINATION "${STAGE}/lib")
file(STRINGS "${SYSROOT}/include/zlib.h" version REGEX "^#define ZLIB_VERSION \"")
string(REGEX REPLACE ".*\"(.*)\".*" "\\1" version "${version}")
file(WRITE "${STAGE}/lib/pkgconfig/zlib.pc" "prefix=${STAGE}
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library
Version: ${version}
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
")
file(COPY /usr/share/doc/libz-mingw-w64-dev/copyright DESTINATION "${STAGE}/share/licenses/zlib")
