# The Windows build's libraries, cross-compiled for x86_64-w64-mingw32 once and kept in a
# cache outside the tree. Source this file; `windows_deps_prefix` is the entry point.
#
# The prefix holds
#   include/         SDL/ (SDL's, SDL_image's and SDL_gfx's headers), boost/, libpng16/, zlib
#   lib/             libSDL.dll.a, libSDLmain.a, libSDL_image.a, libSDL_gfx.a, libpng16.a,
#                    libz.a, libboost_{thread,chrono,system}.a, pkgconfig/, cmake/ (Boost's)
#   bin/             SDL.dll, sdl-config
#   src/             SDL's source archive and our patches to it: SDL.dll is LGPL
#   share/licenses/  every library's licence text
# All of it is built by Debian's mingw-w64 for msvcrt, its default C runtime.

windows_deps_host=x86_64-w64-mingw32
windows_deps_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
windows_deps_script=$windows_deps_tree/scripts/lib/windows_deps.sh
windows_deps_pins=$windows_deps_tree/packaging/windows/sources.sha256
windows_deps_patches=$windows_deps_tree/packaging/windows/patches
windows_deps_sdl_archive=SDL-1.2-1af51022.tar.gz
windows_deps_sdl_image_archive=SDL_image-1.2-2ffb2e3e.tar.gz
windows_deps_sdl_gfx_archive=SDL_gfx-2.0.27.tar.gz
windows_deps_packages=(gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev libz-mingw-w64-dev libboost-tools-dev
  make pkg-config patch xz-utils)
# Debian sources come from bookworm whatever this machine runs, so the pinned hashes hold on
# every release.
windows_deps_debian_uri=http://deb.debian.org/debian
windows_deps_debian_suite=bookworm

declare -F ensure_packages >/dev/null || source "$windows_deps_tree/scripts/lib/common.sh"

# Makes sure the prefix for the current sources, patches, this script and cross compiler
# exists, building it when it does not, and prints its path. Progress goes to stderr; on
# failure one line says why, and it returns non-zero.
windows_deps_prefix() {
  if ! ensure_packages "${windows_deps_packages[@]}" >&2; then
    echo "Windows dependencies: could not install ${windows_deps_packages[*]}" >&2
    return 1
  fi
  local cache key
  cache=$(windows_deps_cache)
  key=$(windows_deps_key)
  if [ ! -d "$cache/$key" ]; then
    # A bash of its own, so that errexit holds in the build whatever the caller tests.
    bash -euo pipefail -c 'source "$1"; windows_deps_build "$2" "$3"' windows-deps \
      "$windows_deps_script" "$cache" "$key" >&2 || return 1
  fi
  echo "$cache/$key"
}

# windows_deps_sdl_source PREFIX: prints SDL's exact source archive kept in the prefix, then
# each of our patches to it, a path a line: what a package of SDL.dll ships beside it.
windows_deps_sdl_source() {
  local file
  [ -f "$1/src/$windows_deps_sdl_archive" ] || return 1
  for file in "$1/src/$windows_deps_sdl_archive" "$1"/src/SDL-1.2-*.patch; do
    [ -e "$file" ] && echo "$file"
  done
  return 0
}

# The folder above the prefixes: $QUORVALE_WINDOWS_DEPS_CACHE, else the user's cache.
windows_deps_cache() {
  echo "${QUORVALE_WINDOWS_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvale/windows-deps}"
}

# The folder holding the upstream archives.
windows_deps_third_party() {
  if [ -n "${QUORVALE_THIRD_PARTY:-}" ]; then
    echo "$QUORVALE_THIRD_PARTY"
  elif [ -d "$windows_deps_tree/../shared/third_party" ]; then
    (cd "$windows_deps_tree/../shared/third_party" && pwd)
  else
    echo "$windows_deps_tree/../shared/third_party"
  fi
}

# What the prefix is built from: the pins, our patches, this script, and the cross compiler
# (its version line, and the Debian packages' versions, which that line does not show).
windows_deps_key() {
  local patch
  {
    cat "$windows_deps_pins"
    for patch in "$windows_deps_patches"/*.patch; do
      [ -e "$patch" ] || continue
      echo "${patch##*/}"
      cat "$patch"
    done
    cat "$windows_deps_script"
    "$windows_deps_host-g++-posix" --version | sed -n 1p
    dpkg-query -W g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libboost-tools-dev
  } | sha256sum | cut -c 1-16
}

# The pinned lines: hash, file, origin.
windows_deps_pinned() { grep -v -e '^#' -e '^[[:space:]]*$' "$windows_deps_pins"; }

# windows_deps_pinned_files PREFIX: the pinned file names that begin with PREFIX.
windows_deps_pinned_files() {
  windows_deps_pinned | awk -v p="$1" 'index($2, p) == 1 { print $2 }'
}

# windows_deps_pin_line FILE: "SHA-256 HASH, ORIGIN" of a pinned file.
windows_deps_pin_line() {
  windows_deps_pinned | awk -v f="$1" '$2 == f { hash = $1; $1 = $2 = ""; sub(/^ +/, "");
    print "SHA-256 " hash ", " $0; exit }'
}

# windows_deps_check FILE: fails, saying so in one line, unless FILE has its pinned hash.
windows_deps_check() {
  local file=$1 name expected actual
  name=${file##*/}
  expected=$(windows_deps_pinned | awk -v f="$name" '$2 == f { print $1 }')
  actual=$(sha256sum "$file" | cut -d ' ' -f 1)
  [ -n "$expected" ] && [ "$actual" = "$expected" ] && return 0
  echo "Windows dependencies: $file has SHA-256 $actual but ${expected:-no hash} is pinned;" \
    "if this archive is the one to build from, put its hash in packaging/windows/sources.sha256" >&2
  return 1
}

# --- The build, in a bash of its own (windows_deps_prefix) ---

# windows_deps_build CACHE KEY: builds the prefix in a temporary folder beside CACHE/KEY and
# moves it there once complete, so an interrupted build leaves no half prefix behind.
windows_deps_build() {
  local cache=$1 key=$2
  mkdir -p "$cache"
  # One build at a time; whoever waited may find the prefix made meanwhile.
  exec 9>"$cache/.lock"
  flock 9
  [ -d "$cache/$key" ] && return 0
  # Left by an interrupted build: none runs, as this one holds the lock.
  rm -rf "$cache"/.building-*

  windows_deps_work=$cache/.building-$key
  windows_deps_stage=$windows_deps_work/prefix
  windows_deps_downloads=$cache/downloads
  windows_deps_logs=$cache/logs/$key
  trap 'rm -rf "$windows_deps_work"' EXIT
  rm -rf "$windows_deps_logs"
  mkdir -p "$windows_deps_stage" "$windows_deps_downloads" "$windows_deps_logs"

  exec 3>&2
  windows_deps_build_pid=$BASHPID
  windows_deps_step_name="checking the sources"
  set -E
  trap windows_deps_failed ERR

  windows_deps_check_upstream
  windows_deps_fetch_debian libpng1.6
  windows_deps_fetch_debian boost1.74

  # Our own tools first, then only the prefix's: no library of this machine may leak in.
  export PATH=$windows_deps_stage/bin:$PATH
  export PKG_CONFIG=pkg-config PKG_CONFIG_LIBDIR=$windows_deps_stage/lib/pkgconfig
  unset PKG_CONFIG_PATH PKG_CONFIG_SYSROOT_DIR
  local start=$SECONDS
  windows_deps_step zlib windows_deps_zlib
  windows_deps_step libpng windows_deps_libpng
  windows_deps_step SDL windows_deps_sdl
  windows_deps_step SDL_image windows_deps_sdl_image
  windows_deps_step SDL_gfx windows_deps_sdl_gfx
  windows_deps_step Boost windows_deps_boost
  windows_deps_step "the prefix" windows_deps_finish "$cache/$key"
  mv -T "$windows_deps_stage" "$cache/$key"
  echo "Windows dependencies: built in $((SECONDS - start)) s into $cache/$key" >&3
}

# windows_deps_step NAME FUNCTION [ARG...]: runs one part of the build with its output in
# its own log.
windows_deps_step() {
  local name=$1 start=$SECONDS
  shift
  windows_deps_step_name=$name
  windows_deps_step_log=$windows_deps_logs/${name// /-}.log
  echo "Windows dependencies: building $name" >&3
  "$@" >"$windows_deps_step_log" 2>&1
  echo "Windows dependencies: $name done in $((SECONDS - start)) s" >&3
}

# The one line a failed step leaves: which step, the last thing its log says, and the log.
windows_deps_failed() {
  local status=$?
  [ "$BASHPID" = "$windows_deps_build_pid" ] || exit "$status"
  local last=""
  [ -n "${windows_deps_step_log:-}" ] && [ -f "$windows_deps_step_log" ] &&
    last=$( (grep -i -E 'error|fatal' "$windows_deps_step_log" ||
      grep -v '^[[:space:]]*$' "$windows_deps_step_log") | tail -n 1 | cut -c 1-200)
  echo "Windows dependencies: $windows_deps_step_name failed${last:+: $last}${windows_deps_step_log:+ (log: $windows_deps_step_log)}" >&3
  exit "$status"
}

# Every upstream archive is there and has its pinned hash, before anything is built.
windows_deps_check_upstream() {
  local folder name missing=()
  folder=$(windows_deps_third_party)
  for name in "$windows_deps_sdl_archive" "$windows_deps_sdl_image_archive" \
    "$windows_deps_sdl_gfx_archive"; do
    [ -f "$folder/$name" ] || missing+=("$name ($(windows_deps_pin_line "$name"))")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local list
    list=$(printf '; %s' "${missing[@]}")
    echo "Windows dependencies: missing in $folder (set QUORVALE_THIRD_PARTY to the folder" \
      "that has them): ${list#; }" >&3
    exit 1
  fi
  for name in "$windows_deps_sdl_archive" "$windows_deps_sdl_image_archive" \
    "$windows_deps_sdl_gfx_archive"; do
    windows_deps_check "$folder/$name" 2>&3 || exit 1
  done
}

# apt-get with a configuration of its own: bookworm's deb-src only, lists and cache in the
# download folder; the machine's sources, lists and cache stay untouched.
windows_deps_apt() {
  local apt=$windows_deps_downloads/apt
  mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial"
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  [ -f /usr/share/keyrings/debian-archive-keyring.pgp ] &&
    keyring=/usr/share/keyrings/debian-archive-keyring.pgp
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
    "$windows_deps_debian_uri" "$windows_deps_debian_suite" "$keyring" \
    >"$apt/sources/windows-deps.sources"
  local options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources"
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o Acquire::Languages=none)
  # apt's own download user cannot enter root's home; what it fetches is checked against
  # our pins anyway.
  [ "$(id -u)" -eq 0 ] && options+=(-o APT::Sandbox::User=root)
  apt-get "${options[@]}" "$@"
}

# windows_deps_fetch_debian PACKAGE: the pinned files of a Debian source package, in the
# download folder with their pinned hashes; downloaded when missing or altered.
windows_deps_fetch_debian() {
  local package=$1 files file dsc version log
  files=$(windows_deps_pinned_files "${package}_")
  dsc=$(grep '\.dsc$' <<<"$files")
  version=${dsc#"${package}_"}
  version=${version%.dsc}
  for file in $files; do
    if [ -f "$windows_deps_downloads/$file" ] &&
      ! windows_deps_check "$windows_deps_downloads/$file" 2>/dev/null; then
      rm -f "$windows_deps_downloads/$file"
    fi
  done
  for file in $files; do
    [ -f "$windows_deps_downloads/$file" ] && continue
    log=$windows_deps_logs/download-$package.log
    echo "Windows dependencies: downloading $package $version from Debian $windows_deps_debian_suite" >&3
    if ! { windows_deps_apt update && (cd "$windows_deps_downloads" &&
      windows_deps_apt source --download-only "$package=$version"); } >"$log" 2>&1; then
      echo "Windows dependencies: could not download $package $version from Debian" \
        "$windows_deps_debian_suite ($(grep -E '^(E|W):' "$log" | tail -n 1));" \
        "if $windows_deps_debian_suite moved on, pin its files in packaging/windows/sources.sha256" >&3
      exit 1
    fi
    break
  done
  for file in $files; do
    windows_deps_check "$windows_deps_downloads/$file" 2>&3 || exit 1
  done
}

# windows_deps_unpack ARCHIVE: unpacks into the work folder; prints the top folder's path.
windows_deps_unpack() {
  local top
  top=$(tar -tf "$1" | sed -n '1s,/.*,,p')
  tar -xf "$1" -C "$windows_deps_work"
  echo "$windows_deps_work/$top"
}

# windows_deps_our_patches DIR NAME: applies packaging/windows/patches/NAME-*.patch to DIR.
windows_deps_our_patches() {
  local patch
  for patch in "$windows_deps_patches/$2"-*.patch; do
    [ -e "$patch" ] || continue
    echo "Applying ${patch##*/}"
    patch -d "$1" -p1 -f --no-backup-if-mismatch <"$patch"
  done
}

# windows_deps_debian_patches DIR DEBIAN_TARBALL [SKIP...]: applies the Debian package's
# patch series to DIR, but for the patches named in SKIP and those for files DIR does not
# hold (parts of the source left unpacked).
windows_deps_debian_patches() {
  local dir=$1 tarball=$2 patches name missing
  shift 2
  patches=$windows_deps_work/debian-${tarball##*/}
  mkdir -p "$patches"
  tar -xf "$tarball" -C "$patches" debian/patches
  while read -r name _; do
    case $name in '' | '#'*) continue ;; esac
    if [[ " $* " == *" $name "* ]]; then
      echo "Leaving out Debian's $name"
      continue
    fi
    # A patch's files, first folder dropped; new files count as present.
    missing=$(awk '/^--- / { old = $2 } /^\+\+\+ / { new = $2; sub(/^[^\/]*\//, "", new);
      if (old != "/dev/null") print new }' "$patches/debian/patches/$name" |
      while read -r file; do [ -e "$dir/$file" ] || echo "$file"; done)
    if [ -n "$missing" ]; then
      echo "Leaving out Debian's $name: for parts not unpacked"
      continue
    fi
    echo "Applying Debian's $name"
    patch -d "$dir" -p1 -f --no-backup-if-mismatch <"$patches/debian/patches/$name"
  done <"$patches/debian/patches/series"
}

# windows_deps_configure [OPTION...]: an autotools configure for the cross compiler and the
# prefix being built.
windows_deps_configure() {
  ./configure --host="$windows_deps_host" --prefix="$windows_deps_stage" \
    --disable-dependency-tracking \
    CC="$windows_deps_host-gcc-posix" CFLAGS=-O2 \
    CPPFLAGS="-I$windows_deps_stage/include" LDFLAGS="-L$windows_deps_stage/lib" "$@"
}

# windows_deps_license LIBRARY FILE...: keeps a library's licence texts in the prefix.
windows_deps_license() {
  mkdir -p "$windows_deps_stage/share/licenses/$1"
  cp "${@:2}" "$windows_deps_stage/share/licenses/$1/"
}

# zlib: Debian's mingw-w64 build, copied in (the static library only, so nothing can pick
# its DLL by mistake).
windows_deps_zlib() {
  local sysroot=/usr/$windows_deps_host version
  mkdir -p "$windows_deps_stage/include" "$windows_deps_stage/lib/pkgconfig"
  cp "$sysroot/include/zlib.h" "$sysroot/include/zconf.h" "$windows_deps_stage/include/"
  cp "$sysroot/lib/libz.a" "$windows_deps_stage/lib/"
  version=$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' "$sysroot/include/zlib.h")
  cat >"$windows_deps_stage/lib/pkgconfig/zlib.pc" <<EOF
prefix=$windows_deps_stage
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library
Version: $version
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
EOF
  windows_deps_license zlib /usr/share/doc/libz-mingw-w64-dev/copyright
}

# libpng, static, from Debian's source with Debian's fixes; not Debian's multiarch change to
# libpng-config, which drops the -L a prefix of its own needs.
windows_deps_libpng() {
  local orig debian dir
  orig=$windows_deps_downloads/$(windows_deps_pinned_files libpng1.6_ | grep '\.orig\.')
  debian=$windows_deps_downloads/$(windows_deps_pinned_files libpng1.6_ | grep '\.debian\.')
  dir=$(windows_deps_unpack "$orig")
  windows_deps_debian_patches "$dir" "$debian" libpng-config.patch
  cd "$dir" || return
  windows_deps_configure --disable-shared --enable-static
  # The library without its tools (pngfix, png-fix-itxt).
  make -j2 bin_PROGRAMS=
  make install bin_PROGRAMS=
  windows_deps_license libpng "$dir/LICENSE"
}

# SDL 1.2 as SDL.dll with its import library and the static SDLmain; stdout and stderr stay
# on the console instead of going to stdout.txt and stderr.txt.
windows_deps_sdl() {
  local archive dir
  archive=$(windows_deps_third_party)/$windows_deps_sdl_archive
  dir=$(windows_deps_unpack "$archive")
  windows_deps_our_patches "$dir" SDL-1.2
  cd "$dir" || return
  windows_deps_configure --enable-shared --disable-static --disable-stdio-redirect
  make -j2
  make install
  # Its exact source and our patches, for whoever ships SDL.dll.
  mkdir -p "$windows_deps_stage/src"
  cp "$archive" "$windows_deps_patches"/SDL-1.2-*.patch "$windows_deps_stage/src/"
  windows_deps_license SDL "$dir/COPYING"
}

# SDL_image, static, with the two kinds of picture the programs read, PNG and BMP (a
# server's --map may be either), PNG linked to our static libpng rather than loaded as a DLL.
windows_deps_sdl_image() {
  local dir format formats=(gif jpg lbm pcx pnm tga tif xcf xpm xv webp) disable=()
  dir=$(windows_deps_unpack "$(windows_deps_third_party)/$windows_deps_sdl_image_archive")
  windows_deps_our_patches "$dir" SDL_image
  for format in "${formats[@]}"; do disable+=(--disable-"$format"); done
  cd "$dir" || return
  windows_deps_configure --disable-shared --enable-static --disable-sdltest \
    --enable-png --disable-png-shared "${disable[@]}"
  # The library alone: `make install` would build showimage too.
  make -j2 libSDL_image.la
  make install-libLTLIBRARIES install-libSDL_imageincludeHEADERS install-pkgconfigDATA
  windows_deps_license SDL_image "$dir/COPYING"
}

# SDL_gfx, static. Its MMX code is 32-bit x86 assembly, which x86_64 cannot assemble.
windows_deps_sdl_gfx() {
  local dir
  dir=$(windows_deps_unpack "$(windows_deps_third_party)/$windows_deps_sdl_gfx_archive")
  windows_deps_our_patches "$dir" SDL_gfx
  cd "$dir" || return
  windows_deps_configure --disable-shared --enable-static --disable-sdltest --disable-mmx
  make -j2
  make install
  windows_deps_license SDL_gfx "$dir/COPYING" "$dir/LICENSE"
}

# Boost: all headers, and Thread with what it links (Chrono, System) as static libraries,
# built by Debian's b2. Thread uses the Win32 API (threadapi=win32): Boost's pthread
# variant on Windows wants the pthreads-win32 library, which we do not have.
windows_deps_boost() {
  local orig debian dir parts
  orig=$windows_deps_downloads/$(windows_deps_pinned_files boost1.74_ | grep '\.orig\.')
  debian=$windows_deps_downloads/$(windows_deps_pinned_files boost1.74_ | grep '\.debian\.')
  # The headers and the three libraries' build files: a small part of a large archive.
  parts=(boost/Jamroot boost/boostcpp.jam boost/LICENSE_1_0.txt 'boost/tools/boost_install/*'
    'boost/libs/config/checks/*' 'boost/libs/headers/build/*' 'boost/libs/*/include/*')
  local library
  for library in thread chrono system; do
    parts+=("boost/libs/$library/build/*" "boost/libs/$library/src/*")
  done
  tar -xf "$orig" -C "$windows_deps_work" --wildcards "${parts[@]}"
  dir=$windows_deps_work/boost
  windows_deps_debian_patches "$dir" "$debian"
  cat >"$windows_deps_work/user-config.jam" <<EOF
using gcc : mingw : $windows_deps_host-g++-posix :
  <archiver>$windows_deps_host-ar <ranlib>$windows_deps_host-ranlib <rc>$windows_deps_host-windres ;
EOF
  local options=(-q -j2 --ignore-site-config --user-config="$windows_deps_work/user-config.jam"
    --build-dir="$windows_deps_work/boost-build" --prefix="$windows_deps_stage" --layout=system
    --with-thread --with-chrono --with-system toolset=gcc-mingw target-os=windows
    address-model=64 architecture=x86 threadapi=win32 variant=release link=static
    runtime-link=shared threading=multi)
  cd "$dir" || return
  # The unpacked source keeps each library's headers in its own folder: gather them into
  # boost/ first, as the libraries' sources include them from there.
  b2 "${options[@]}" headers
  b2 "${options[@]}" install
  windows_deps_license Boost "$dir/LICENSE_1_0.txt"
}

# windows_deps_finish FINAL: makes the staged prefix's paths those of FINAL, where it is
# about to be moved, and drops libtool's archives (they only repeat those paths).
windows_deps_finish() {
  local old new file
  rm -f "$windows_deps_stage"/lib/*.la
  old=$(printf '%s' "$windows_deps_stage" | sed 's/[][\.*^$|]/\\&/g')
  new=$(printf '%s' "$1" | sed 's/[\&|]/\\&/g')
  { grep -rlI -F "$windows_deps_stage" "$windows_deps_stage" || true; } | while read -r file; do
    echo "Relocating ${file#"$windows_deps_stage"/}"
    sed -i "s|$old|$new|g" "$file"
  done
  # A binary file naming the temporary folder would not work from the final one.
  if grep -rl -F "$windows_deps_stage" "$windows_deps_stage"; then
    echo "These files name the temporary folder $windows_deps_stage"
    return 1
  fi
}
