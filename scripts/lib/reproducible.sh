# The packages rebuilt bit for bit: reprotest builds them twice from a copy of the tree, the
# second time in another folder, at another date and time, in another time zone and locale,
# with another umask, home and PATH and variables of its own in the environment, and
# compares the two byte for byte. A difference fails the stage with the start of diffoscope's
# report, which names the file and the field. The first build's Debian packages are checked
# once (the second's, the same bytes, would pass or fail alike) and are the ones the later
# stages install: they go to dist/. The Windows package is built once by the Windows stage,
# which needs it, and once more here to compare. Sourced after common.sh, windows_deps.sh,
# windows_package.sh and arm64_sysroot.sh.

reproducible_packages=(reprotest diffoscope-minimal faketime unzip)

# What reprotest varies: all it can on one machine as root, less the variations that need
# more than that (file order: FUSE; user and group: a second user; host and domain names: a
# namespace of their own), the processor count (both builds take the two cores the machine
# has) and the kernel (a 32-bit personality, which the cross compilers do not take).
reproducible_variations=+all,-fileordering,-user_group,-domain_host,-num_cpus,-kernel

# tree_copy FOLDER: the files of the tree that git does not ignore, as they stand, edits
# and new files included, copied to FOLDER; what a build of the tree is made from.
tree_copy() {
  mkdir -p "$1"
  (cd "$tree_top" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ ! -e "$file" ] || printf '%s\0' "$file"; done |
    tar -c --null -T - | tar -x -C "$1")
}

# rebuilt_by_reprotest WORK ARTIFACTS CONTROL KIND...: scripts/package of each KIND (amd64,
# arm64, windows) built by reprotest from a copy of the tree in WORK, varied, and the
# ARTIFACTS compared byte for byte with those of CONTROL, a folder laid out as reprotest
# keeps a build (CONTROL/source-root/dist/...), or, where CONTROL is "", of a first build
# of reprotest's own. Both builds read this machine's caches (compiler, Windows libraries,
# arm64 sysroot) by their paths, whatever their home, and take their time stamps from this
# tree's commit. reprotest keeps the builds in WORK/store.
# ccache keeps the real time in the varied build. Under the faked clock (faketime, a year
# on) every file in the cache's temporary folder looks hours old, and each ccache call
# deletes them all: the files of compiles that other stages run beside this one, which then
# fail over to compiling without the cache (8 to 10 s each, for the largest test files).
# The compilers ccache starts still run under the faked clock.
rebuilt_by_reprotest() {
  local work=$1 artifacts=$2 control=$3 command kind status=0
  shift 3
  tree_copy "$work/source"
  command="export SOURCE_DATE_EPOCH=$(source_date_epoch) QUORVALE_CCACHE=ON"
  command+=" CCACHE_DIR=$(ccache -k cache_dir) FAKETIME_SKIP_CMDS=ccache"
  command+=" QUORVALE_WINDOWS_DEPS_CACHE=$(windows_deps_cache)"
  command+=" QUORVALE_ARM64_SYSROOT_CACHE=$(arm64_sysroot_cache)"
  for kind in "$@"; do
    command+=" && scripts/package --unchecked ${kind#amd64}"
  done
  reprotest ${control:+--control-build "$control"} --variations="$reproducible_variations" \
    --store-dir "$work/store" -c "$command" "$work/source" "$artifacts" \
    >"$work/reprotest.log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    if [ -s "$work/store/experiment-1.diffoscope.out" ]; then
      head -n 40 "$work/store/experiment-1.diffoscope.out"
      echo "Packages rebuilt: the second build differs from the first (diffoscope, above)"
    else
      tail -n 30 "$work/reprotest.log"
      echo "Packages rebuilt: reprotest failed with status $status before comparing"
    fi
    return 1
  fi
  echo "Packages rebuilt bit for bit ($*), under: $reproducible_variations"
  sed 's/^/  /' "$work/store/SHA256SUMS"
}

# run_reproducibility_stage KIND...: the Debian packages of each KIND (amd64, arm64) built
# twice by reprotest and compared; the first build's go to dist/, checked.
run_reproducibility_stage() {
  local work status=0
  skip_unless_root_or_sudo "building the packages"
  ensure_packages "${reproducible_packages[@]}"
  work=$(mktemp -d)
  rebuilt_by_reprotest "$work" "dist/*.deb dist/SHA256SUMS" "" "$@" || status=$?
  [ "$status" -ne 0 ] || no_machine_paths "$work/store/control/source-root/dist" "$work" ||
    status=$?
  if [ "$status" -eq 0 ]; then
    # reprotest keeps only what it compares: not the .buildinfo records, which differ
    # between the builds. One left in dist/ by another build would describe that build.
    local deb
    mkdir -p dist
    for deb in "$work/store/control/source-root/dist/"*.deb; do
      rm -f "dist/$(basename "$deb" .deb).buildinfo"
      cp "$deb" dist/
      tests/package/check_package.sh "dist/${deb##*/}" || status=$?
    done
    write_checksums
  fi
  rm -rf "$work"
  return "$status"
}

# rebuild_windows_package: the Windows package that `scripts/package windows` left in dist/
# (the zip, the installer, SDL's source and our patch) built again by reprotest and compared
# with it.
rebuild_windows_package() {
  local work list files status=0
  ensure_packages "${reproducible_packages[@]}"
  work=$(mktemp -d)
  list=$(windows_package_files)
  mapfile -t files <<<"$list"
  mkdir -p "$work/control/source-root/dist"
  cp "${files[@]}" "$work/control/source-root/dist/"
  rebuilt_by_reprotest "$work" "${files[*]}" "$work/control" windows || status=$?
  [ "$status" -ne 0 ] || no_machine_paths "$work/control/source-root/dist" "$work" || status=$?
  rm -rf "$work"
  return "$status"
}

# no_machine_paths DIST WORK: no file that the packages in DIST install or unpack names a
# folder of the machine that built them: the tree, the home and the caches the builds read
# there, or WORK, where they were built. Both builds of the stage read the same caches, so
# comparing them cannot see those.
no_machine_paths() {
  local unpacked=$2/unpacked package status=0
  for package in "$1"/*.deb "$1"/*.zip; do
    [ -e "$package" ] || continue
    mkdir -p "$unpacked/${package##*/}"
    case $package in
      *.deb) dpkg-deb -x "$package" "$unpacked/${package##*/}" ;;
      *.zip) unzip -q "$package" -d "$unpacked/${package##*/}" ;;
    esac || {
      echo "Packages rebuilt: cannot unpack ${package##*/}"
      return 1
    }
  done
  grep -raoF -e "$tree_top" -e "$HOME/" -e "$2" -e "$(arm64_sysroot_cache)" \
    -e "$(windows_deps_cache)" "$unpacked" >"$2/machine_paths" || status=$?
  if [ "$status" -gt 1 ]; then
    echo "Packages rebuilt: cannot search the unpacked packages for this machine's folders"
    return 1
  fi
  if [ "$status" -eq 0 ]; then
    sort -u "$2/machine_paths" | head -n 5 | sed "s:^$unpacked/::"
    echo "Packages rebuilt: files in them name folders of the machine that built them (above)"
    return 1
  fi
  echo "No file in the packages names a folder of the machine that built them"
}
