# The Windows build's libraries, cross-compiled for x86_64-w64-mingw32 once by the CMake
# project in packaging/windows/deps and kept in a cache outside the tree, a prefix for each
# key of what it is built from. Source this file; `windows_deps_prefix` is the entry point.

windows_deps_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
windows_deps_project=$windows_deps_tree/packaging/windows/deps
windows_deps_pins=$windows_deps_tree/packaging/windows/sources.sha256
windows_deps_packages=(gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev libz-mingw-w64-dev libboost-tools-dev
  cmake make pkg-config patch xz-utils)

declare -F ensure_packages >/dev/null || source "$windows_deps_tree/scripts/lib/common.sh"

# Makes sure the prefix for the current sources, patches, build and cross compiler exists,
# building it when it does not, and prints its path. Progress goes to stderr; on failure
# one line says why, and it returns non-zero.
windows_deps_prefix() {
  if ! ensure_packages "${windows_deps_packages[@]}" >&2; then
    echo "Windows dependencies: could not install ${windows_deps_packages[*]}" >&2
    return 1
  fi
  local cache key
  cache=$(windows_deps_cache)
  key=$(windows_deps_key)
  [ -d "$cache/$key" ] || windows_deps_build "$cache" "$key" >&2 || return 1
  echo "$cache/$key"
}

# windows_deps_sdl_source PREFIX: prints SDL's exact source archive kept in the prefix, then
# each of our patches to it, a path a line: what a package of SDL.dll ships beside it.
windows_deps_sdl_source() {
  compgen -G "$1/src/SDL-1.2-*.tar.gz" && compgen -G "$1/src/SDL-1.2-*.patch"
  return 0
}

# The folder above the prefixes: $QUORVALE_WINDOWS_DEPS_CACHE, else the user's cache.
windows_deps_cache() {
  echo "${QUORVALE_WINDOWS_DEPS_CACHE:-$quorvale_cache/windows-deps}"
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

# The pinned archives that come from the upstream folder rather than an address.
windows_deps_upstream_archives() {
  awk '!/^#/ && NF >= 3 && $3 !~ /^https?:/ { print $2 }' "$windows_deps_pins"
}

# What the prefix is built from: the pins, our patches, the CMake project, and the cross compiler
# (its version line, and the Debian packages' versions, which that line does not show).
windows_deps_key() {
  (
    cd "$windows_deps_tree" || exit
    find packaging/windows/sources.sha256 packaging/windows/patches packaging/windows/deps \
      -type f | LC_ALL=C sort | while read -r file; do
      echo "$file"
      cat "$file"
    done
    x86_64-w64-mingw32-g++-posix --version | sed -n 1p
    dpkg-query -W g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libboost-tools-dev
  ) | sha256sum | cut -c 1-16
}

# windows_deps_build CACHE KEY: builds the prefix in a folder beside CACHE/KEY and moves it
# there once complete, so an interrupted build leaves no half prefix behind. One build at a
# time; whoever waited may find the prefix made meanwhile. A failed build's folder stays,
# for its logs, until the next build starts.
windows_deps_build() (
  local cache=$1 key=$2 work start=$SECONDS
  mkdir -p "$cache"
  exec 9>"$cache/.lock"
  flock 9
  [ -d "$cache/$key" ] && return 0
  rm -rf "$cache"/.building-*
  work=$cache/.building-$key
  mkdir -p "$work"
  echo "Windows dependencies: building zlib, libpng, SDL, SDL_image, SDL_gfx and Boost (log: $work/build.log)"
  if ! { cmake -G "Unix Makefiles" -S "$windows_deps_project" -B "$work/build" \
    -DQUORVALE_DEPS_STAGE="$work/prefix" -DQUORVALE_DEPS_FINAL="$cache/$key" \
    -DQUORVALE_DEPS_DOWNLOADS="$cache/downloads" \
    -DQUORVALE_THIRD_PARTY="$(windows_deps_third_party)" &&
    cmake --build "$work/build" -j2; } >"$work/build.log" 2>&1; then
    echo "Windows dependencies: $(windows_deps_failure "$work")"
    return 1
  fi
  mv -T "$work/prefix" "$cache/$key"
  rm -rf "$work"
  echo "Windows dependencies: built in $((SECONDS - start)) s into $cache/$key"
)

# windows_deps_failure BUILD_FOLDER: what failed, from the build's log: the library's step
# that make reports and why, from that step's own log; or why CMake stopped.
windows_deps_failure() {
  local failed library step_log
  failed=$(grep -o -m 1 'projects/Stamp/[^]/]*/[^]/]*\] Error' "$1/build.log")
  if [ -z "$failed" ]; then
    echo "$(windows_deps_reason "$1/build.log") (log: $1/build.log)"
    return
  fi
  failed=${failed%] Error}
  library=$(basename "$(dirname "$failed")")
  step_log=$1/build/$failed.log
  echo "$library's ${failed##*/"$library"-} step failed: $(windows_deps_reason "$step_log")" \
    "(log: $step_log)"
}

# windows_deps_reason LOG: why a log's build stopped, in one line: an archive whose hash is
# not the pinned one, else the first error a tool printed, else CMake's first message.
windows_deps_reason() {
  local file
  if grep -q 'does not match expected value' "$1"; then
    file=$(grep -m 1 -A 1 -e '-- SHA256 hash of' "$1" | tail -n 1)
    echo "${file##*/} has SHA-256 $(grep -m 1 "actual: '" "$1" | cut -d "'" -f 2)" \
      "but $(grep -m 1 "expected: '" "$1" | cut -d "'" -f 2) is pinned in packaging/windows/sources.sha256"
  elif grep -v -e '^CMake Error' -e '^--' "$1" | grep -q -i -E 'error|fatal'; then
    grep -v -e '^CMake Error' -e '^--' "$1" | grep -m 1 -i -E 'error|fatal' | cut -c 1-200
  else
    awk '/^CMake Error/ && !on { on = 1; next }
      on && /^  [^ ]/ { sub(/^ +/, ""); out = out (out ? " " : "") $0; next }
      on && out { exit }
      END { print out }' "$1"
  fi
}
