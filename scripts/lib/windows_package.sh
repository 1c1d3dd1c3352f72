# The Windows build and its package: the programs cross-built (preset windows), laid out
# as the zip holds them, checked for what they import, zipped, and wrapped in an installer.
# Sourced after common.sh; `package_windows` is what `scripts/package windows` runs.

source scripts/lib/windows_deps.sh

windows_packaging=packaging/windows
# googletest: the preset configures the suites too (built only when asked for).
windows_packages=(cmake ninja-build zip nsis binutils-mingw-w64-x86-64 python3 googletest)

windows_package_name() { echo "quorvale-$(project_version)-windows-x64"; }

# What package_windows leaves in dist/, a path a line: the zip, the installer, and SDL's
# source and our patch to it.
windows_package_files() {
  local name source
  name=$(windows_package_name)
  echo "dist/$name.zip"
  echo "dist/$name-setup.exe"
  for source in $(windows_deps_sdl_source "$(windows_deps_prefix)"); do
    echo "dist/${source##*/}"
  done
}

# windows_build PRESET: configures the configure preset windows (the
# cross compiler, against the dependency prefix) and builds with the build preset PRESET:
# windows (everything, the suites too) or windows-programs. Quiet unless it fails.
windows_build() {
  local deps build log
  build=$(preset_build_dir windows)
  log=$build.log
  deps=$(windows_deps_prefix)
  # A tree configured against another prefix would keep linking that prefix's libraries,
  # which pkg-config found once and CMake keeps in its cache.
  if ! grep -qsx "QUORVALE_WINDOWS_DEPS:PATH=$deps" "$build/CMakeCache.txt"; then
    rm -f "$build/CMakeCache.txt"
  fi
  if ! { QUORVALE_WINDOWS_DEPS=$deps configure_preset windows &&
    cmake --build --preset "$1"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "Windows build: failed; the whole log is $log" >&2
    return 1
  fi
  rm -f "$log"
}

# windows_stage FOLDER DEPS: lays out what the zip holds in FOLDER (made afresh), with the
# libraries and licences of the dependency prefix DEPS.
windows_stage() {
  local stage=$1 deps=$2 program build
  build=$(preset_build_dir windows)
  rm -rf "$stage"
  mkdir -p "$stage/gfx" "$stage/licences"
  # The programs at the top of the folder: the launcher quorvale.exe, the file a player
  # picks, then the game and the server.
  for program in quorvale.exe quorvale-game.exe quorvale-server.exe; do
    x86_64-w64-mingw32-strip -o "$stage/$program" "$build/$program"
  done
  cp "$deps/bin/SDL.dll" "$stage/"
  cp gfx/*.png "$stage/gfx/"
  cp -r "$deps"/share/licenses/. "$stage/licences/"
  sed -n '/^License: Expat$/,$p' debian/copyright | sed '1d; s/^ //; s/^\.$//' \
    >"$stage/licences/Quorvale.txt"
  cp /usr/share/doc/mingw-w64-common/copyright "$stage/licences/mingw-w64-runtime.txt"
  cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licences/gcc-runtime.txt"
  local sources
  sources=$(windows_deps_sdl_source "$deps" | xargs -n1 basename | paste -sd' ' | sed 's/ / and /g')
  sed -e "s/@VERSION@/$(project_version)/" -e "s/@SDL_SOURCE@/$sources/" \
    "$windows_packaging/README.txt.in" | sed 's/$/\r/' >"$stage/README.txt"
}

# windows_dll_imports BINARY: the DLLs that BINARY imports, in lower case, a line each;
# fails when objdump cannot read it.
windows_dll_imports() {
  local headers
  headers=$(x86_64-w64-mingw32-objdump -p "$1") || return
  sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort
}

# windows_check_imports FOLDER: every DLL that a program or library in FOLDER imports is
# shipped there or is one of Windows' own (packaging/windows/system_dlls.txt).
windows_check_imports() {
  local stage=$1 binary dll imports status=0 allowed
  allowed=$({ grep -v '^#' "$windows_packaging/system_dlls.txt"; ls "$stage"; } | tr 'A-Z' 'a-z')
  for binary in "$stage"/*.exe "$stage"/*.dll; do
    imports=$(windows_dll_imports "$binary")
    for dll in $imports; do
      if ! grep -qx "$dll" <<<"$allowed"; then
        echo "$(basename "$binary") imports $dll, which is neither shipped nor Windows' own" >&2
        status=1
      fi
    done
  done
  return $status
}

# windows_imports FOLDER: what each program and library in FOLDER imports, a line each.
windows_imports() {
  local binary imports
  for binary in "$1"/*.exe "$1"/*.dll; do
    imports=$(windows_dll_imports "$binary")
    echo "$(basename "$binary"): $(paste -sd' ' <<<"$imports")"
  done
}

# windows_zip FOLDER ZIP: the folder zipped, the same bytes from the same commit: its entries
# in one order, each with the commit's time (in UTC: zip keeps local times) and the mode a
# fresh checkout gives it, and no owner or extra time fields (-X).
windows_zip() {
  local folder=$1 zip=$PWD/$2
  chmod -R u=rwX,go=rX "$folder"
  find "$folder" -exec touch -h -d "@$(source_date_epoch)" {} +
  (cd "$folder/.." && find "$(basename "$folder")" | LC_ALL=C sort | TZ=UTC zip -qX9 "$zip" -@)
}

# The uninstaller's list: every file the installer puts in place, then every folder,
# deepest first, so that uninstalling leaves nothing of ours behind.
windows_uninstall_list() {
  local stage=$1
  (cd "$stage" && find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|^|  Delete "$INSTDIR\\|; s|$|"|')
  (cd "$stage" && find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|^|  RMDir "$INSTDIR\\|; s|$|"|')
}

# Builds dist/NAME.zip and dist/NAME-setup.exe, with SDL's source and our patch beside them.
package_windows() {
  ensure_packages "${windows_packages[@]}"
  windows_build windows-programs
  local name stage deps
  name=$(windows_package_name)
  stage=$(preset_build_dir windows)/package/$name
  deps=$(windows_deps_prefix)
  windows_stage "$stage" "$deps"
  windows_check_imports "$stage"
  mkdir -p dist
  rm -f "dist/$name.zip" "dist/$name-setup.exe"
  windows_zip "$stage" "dist/$name.zip"
  windows_uninstall_list "$stage" >"$stage/../uninstall_files.nsh"
  cp "$windows_packaging/quorvale.ico" "$stage/../"
  makensis -V2 -DPRODUCT="$PWD/$(preset_build_dir windows)/product.nsh" -DSTAGE="$PWD/$stage" \
    -DOUTFILE="$PWD/dist/$name-setup.exe" "$windows_packaging/installer.nsi" >/dev/null || {
    echo "Windows package: makensis failed" >&2
    return 1
  }
  windows_deps_sdl_source "$deps" | xargs -I{} install -m 644 {} dist/
  echo "Built dist/$name.zip ($(stat -c %s "dist/$name.zip") bytes) and" \
    "dist/$name-setup.exe ($(stat -c %s "dist/$name-setup.exe") bytes); SDL's source beside them"
  windows_imports "$stage"
}
