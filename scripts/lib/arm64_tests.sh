# The arm64 build proven under qemu, on a virtual display of its own: the suites, cross-built
# and run by CTest through qemu (the game among them, in a window, through the end-to-end
# test against the test server); the exact motion and shot results and the turned pictures
# against the x86-64 build's; the arm64 server serving the x86-64 client. Then the arm64
# Debian package, checked. Sourced after common.sh; the x86-64 build (preset default) is
# the one scripts/test made before.

source scripts/lib/arm64_sysroot.sh
source scripts/lib/other_builds.sh

arm64_test_packages=(xvfb x11-utils xdotool imagemagick iproute2)

# Builds the preset arm64 against the sysroot, which it
# exports for the steps after.
arm64_build() {
  QUORVALE_ARM64_SYSROOT=$(arm64_sysroot)
  export QUORVALE_ARM64_SYSROOT
  build_preset arm64
}

# arm64_same_output WHAT MIN_LINES PROGRAM OUT: the program of tests/units from both builds,
# from the tree's top, where gfx/ is; fails unless the two print the same lines.
arm64_same_output() {
  local what=$1 min_lines=$2 program=tests/units/$3 out=$4/${1// /-}
  SDL_VIDEODRIVER=dummy "$(preset_build_dir default)/$program" >"$out-x86-64.txt"
  SDL_VIDEODRIVER=dummy qemu-aarch64-static -L "$QUORVALE_ARM64_SYSROOT" \
    "$(preset_build_dir arm64)/$program" >"$out-arm64.txt"
  same_lines "$what" "$min_lines" "$out-x86-64.txt" "$out-arm64.txt" arm64
}

# The arm64 quorvale-server under qemu serving the x86-64 client, in a network of their
# own; SIGTERM ends it.
arm64_server_serves_client() {
  in_private_network bash -euo pipefail -c 'source scripts/lib/common.sh
    source scripts/lib/other_builds.sh
    other_server_serves_client "$@"' bash "$1" "the arm64 quorvale-server" TERM \
    qemu-aarch64-static -L "$QUORVALE_ARM64_SYSROOT" "$(preset_build_dir arm64)/quorvale-server" \
    --units 6 --record "$1/recorded.rec"
}

# Lets this machine's kernel run arm64 programs through qemu, as the suites' programs that
# start others need: binfmt_misc mounted, qemu-user-static's handler enabled (it opens qemu
# at once, so that a chroot needs no copy of it). Needs root.
arm64_binfmt() {
  ensure_packages qemu-user-static binfmt-support
  if [ ! -e /proc/sys/fs/binfmt_misc/status ]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  arm64_binfmt_enabled || update-binfmts --enable qemu-aarch64
}

arm64_binfmt_enabled() { [ "$(sed -n 1p /proc/sys/fs/binfmt_misc/qemu-aarch64 2>/dev/null)" = enabled ]; }

# The stage of scripts/test: the cross build, its suites under qemu, then the comparisons
# and the server against the x86-64 client. The programs that the suites start run through
# qemu's binfmt handler, which root enables; without it the stage is skipped, in one line.
run_arm64_stage() {
  if [ "$(id -u)" -eq 0 ]; then
    arm64_binfmt >/dev/null
  elif ! arm64_binfmt_enabled; then
    skip_stage "the suites start arm64 programs, which need qemu's binfmt handler: as root," \
      "update-binfmts --enable qemu-aarch64"
  fi
  ensure_packages "${arm64_test_packages[@]}"
  local start=$SECONDS
  arm64_build
  echo "arm64 build: $((SECONDS - start)) s"
  (
    out=$(mktemp -d)
    # errexit holds in this trap: nothing here may fail.
    trap 'rm -rf "$out"' EXIT
    run_suite arm64
    # Every heading x speed and the shot grid: 72,360 steps and more.
    arm64_same_output "exact results" 70000 exact_table "$out"
    # Nine pictures x 360 headings, a line each and one a pixel.
    arm64_same_output "turned pictures" 3000000 turned_pictures "$out"
    arm64_server_serves_client "$out"
  )
}

# The stage of scripts/test for the arm64 package that the rebuild stage built and checked
# (lintian and the package's own checks, in scripts/package arm64): what makes it an arm64
# package. Its programs are aarch64 programs, and each package its Depends names is an
# arm64 package of Debian's, one the sysroot was made of.
run_arm64_package_test() {
  skip_unless_root_or_sudo "building the arm64 package"
  QUORVALE_ARM64_SYSROOT=$(arm64_sysroot)
  local deb root program name architecture
  deb=dist/$(debian_package_file arm64)
  root=$(mktemp -d)
  dpkg-deb -x "$deb" "$root"
  # Every ELF file in it, the game and the server at least, is an aarch64 program.
  local programs=0
  while IFS= read -r -d '' program; do
    [ "$(head -c 4 "$program" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
    aarch64-linux-gnu-readelf -h "$program" | grep -q 'Machine: *AArch64' ||
      { echo "$deb: ${program#"$root"} is not an aarch64 program"; return 1; }
    programs=$((programs + 1))
  done < <(find "$root" -type f -print0)
  [ "$programs" -ge 2 ] || { echo "$deb: $programs ELF programs, not the game and the server"; return 1; }
  rm -rf "$root"
  dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*//; s/[[:space:]]//g' | grep . |
    while read -r name; do
      if ! architecture=$(dpkg-query --admindir="$QUORVALE_ARM64_SYSROOT/var/lib/dpkg" -W \
        -f '${Architecture}' "$name" 2>/dev/null) ||
        { [ "$architecture" != arm64 ] && [ "$architecture" != all ]; }; then
        echo "$deb: Depends names $name, which is no arm64 package of Debian's"
        exit 1
      fi
    done
  echo "$deb: $programs aarch64 programs; Depends: $(dpkg-deb -f "$deb" Depends)"
}
