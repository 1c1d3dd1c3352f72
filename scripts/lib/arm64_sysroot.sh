# The arm64 build's sysroot: Debian's own arm64 libraries and headers, for the release this
# machine runs, unpacked into a folder kept in a cache outside the tree. Source this file;
# `arm64_sysroot` is the entry point. Neither the machine's apt nor its dpkg is touched: apt
# runs with a configuration, lists, cache and package database of its own.
#
# The sysroot holds the packages' files as they install, absolute .so links made relative,
# and var/lib/dpkg: a package database of what was unpacked, where it lies, for
# dpkg-shlibdeps (--admindir) to name the arm64 packages a program needs.

arm64_triplet=aarch64-linux-gnu
arm64_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
arm64_sysroot_script=$arm64_tree/scripts/lib/arm64_sysroot.sh
arm64_tool_packages=(crossbuild-essential-arm64 qemu-user-static)

declare -F ensure_packages >/dev/null || source "$arm64_tree/scripts/lib/common.sh"

# What the cross build links against: the programs' libraries (the -dev packages that
# scripts/run installs on this machine), the C library and the suites' own; apt adds
# everything they depend on.
arm64_sysroot_packages() {
  local package
  for package in "${play_packages[@]}"; do
    [[ $package == lib*-dev ]] && echo "$package"
  done
  echo libc6-dev libgtest-dev libboost-chrono-dev
}

# Makes sure the sysroot for this release and package list exists, building it when it does
# not, and prints its path. Progress goes to stderr; on failure one line says why, and it
# returns non-zero.
arm64_sysroot() {
  if ! ensure_packages "${arm64_tool_packages[@]}" >&2; then
    echo "arm64 sysroot: could not install ${arm64_tool_packages[*]}" >&2
    return 1
  fi
  local cache key
  cache=$(arm64_sysroot_cache)
  key=$(arm64_sysroot_key)
  if [ ! -d "$cache/$key" ]; then
    # A bash of its own, so that errexit holds in the build whatever the caller tests.
    bash -euo pipefail -c 'source "$1"; arm64_sysroot_build "$2" "$3"' arm64-sysroot \
      "$arm64_sysroot_script" "$cache" "$key" >&2 || return 1
  fi
  echo "$cache/$key"
}

# The folder above the sysroots: $QUORVALE_ARM64_SYSROOT_CACHE, else the user's cache.
arm64_sysroot_cache() {
  echo "${QUORVALE_ARM64_SYSROOT_CACHE:-$quorvale_cache/arm64-sysroot}"
}

# The release, then a hash of what the sysroot is made from: the release, the package list
# and the functions that build it, as bash reads them (an edited comment changes nothing).
arm64_sysroot_key() {
  local release hash
  release=$(release_codename)
  hash=$({
    echo "$release"
    arm64_sysroot_packages
    declare -f arm64_sysroot_build arm64_sysroot_apt arm64_sysroot_unpack
  } | sha256sum | cut -c 1-16)
  echo "$release-$hash"
}

# --- The build, in a bash of its own (arm64_sysroot) ---

# arm64_sysroot_build CACHE KEY: downloads the packages and unpacks them into KEY.partial,
# then moves that to KEY once complete, so an interrupted build leaves no half sysroot.
arm64_sysroot_build() {
  local cache=$1 key=$2 release=${2%-*} start=$SECONDS
  mkdir -p "$cache"
  # One build at a time; whoever waited may find the sysroot made meanwhile.
  exec 9>"$cache/.lock"
  flock 9
  [ -d "$cache/$key" ] && return 0
  # apt's lists and downloads too are this build's alone: what it downloads is exactly what
  # the sysroot holds.
  local root=$cache/$key.partial log=$cache/$key.log
  arm64_sysroot_downloads=$cache/$key.apt
  local apt=$arm64_sysroot_downloads
  rm -rf "$root" "$apt"
  mkdir -p "$root"
  trap 'rm -rf "$arm64_sysroot_downloads"' EXIT
  # Any other failure: one line naming the command, once, from this process.
  arm64_sysroot_pid=$BASHPID
  set -E
  trap '[ "$BASHPID" = "$arm64_sysroot_pid" ] &&
    echo "arm64 sysroot: \`$BASH_COMMAND\` failed building $root" >&2' ERR
  echo "arm64 sysroot: downloading Debian $release's arm64 packages" >&2
  local packages
  mapfile -t packages < <(arm64_sysroot_packages | tr ' ' '\n')
  if ! { arm64_sysroot_apt "$apt" "$release" update &&
    arm64_sysroot_apt "$apt" "$release" install --download-only -y "${packages[@]}"; } >"$log" 2>&1; then
    echo "arm64 sysroot: could not download ${packages[*]} for arm64 from Debian $release" \
      "($(grep -E '^(E|W):' "$log" | tail -n 1); log: $log)" >&2
    return 1
  fi
  local debs=("$apt"/cache/archives/*.deb)
  echo "arm64 sysroot: unpacking ${#debs[@]} packages" >&2
  local deb
  for deb in "${debs[@]}"; do
    arm64_sysroot_unpack "$deb" "$root" "$cache/$key" 2>>"$log"
  done
  # The libraries' links point at /usr/lib/...: made relative, they lead into the sysroot.
  local link target
  while IFS= read -r -d '' link; do
    target=$(readlink "$link")
    ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$root$target")" "$link"
  done < <(find "$root" -type l -lname '/*' -print0)
  # A merged /usr's top links, which a system gets from base-files and no unpacked library
  # ships: on Debian 13 every file is under usr/, yet programs ask for their loader at
  # /lib/ld-linux-aarch64.so.1.
  local top
  for top in bin lib sbin; do
    [ -e "$root/$top" ] || [ -L "$root/$top" ] || ln -s "usr/$top" "$root/$top"
  done
  mv -T "$root" "$cache/$key"
  echo "arm64 sysroot: ${#debs[@]} packages in $((SECONDS - start)) s into $cache/$key" >&2
}

# arm64_sysroot_apt APT_DIR RELEASE ARG...: apt-get for arm64 with a configuration of its
# own: the release's Debian sources, and lists, cache and package status in APT_DIR; the machine's sources, lists, cache and dpkg
# database stay untouched.
arm64_sysroot_apt() {
  local apt=$1 release=$2
  shift 2
  mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial"
  touch "$apt/status"
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  [ -f /usr/share/keyrings/debian-archive-keyring.pgp ] &&
    keyring=/usr/share/keyrings/debian-archive-keyring.pgp
  printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n\n' \
    http://deb.debian.org/debian "$release $release-updates" "$keyring" \
    http://deb.debian.org/debian-security "$release-security" "$keyring" \
    >"$apt/sources/arm64.sources"
  local options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources"
    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache"
    -o Dir::State::status="$apt/status" -o APT::Architecture=arm64
    -o APT::Architectures::=arm64 -o APT::Install-Recommends=false
    -o Acquire::Languages=none)
  # apt's own download user cannot enter root's home; apt checks what it fetches against
  # the release's signed lists.
  [ "$(id -u)" -eq 0 ] && options+=(-o APT::Sandbox::User=root)
  apt-get "${options[@]}" "$@"
}

# arm64_sysroot_unpack DEB ROOT FINAL_ROOT: unpacks a package into ROOT and records it in
# ROOT's package database with its files at the paths they have under FINAL_ROOT, where
# ROOT is moved once complete: dpkg-shlibdeps searches the database for a library's real
# path.
arm64_sysroot_unpack() {
  local deb=$1 root=$2 final=$3 db=$2/var/lib/dpkg control
  mkdir -p "$db/info" "$db/updates"
  # Format 1: a Multi-Arch: same package's files are named PACKAGE:ARCH.
  [ -f "$db/info/format" ] || echo 1 >"$db/info/format"
  [ -f "$db/arch" ] || printf 'amd64\narm64\n' >"$db/arch"
  control=$(mktemp -d)
  dpkg-deb -e "$deb" "$control"
  local info
  info=$(awk -F': ' '$1 == "Package" { name = $2 } $1 == "Architecture" { arch = $2 }
    $1 == "Multi-Arch" { same = $2 == "same" } END { print same ? name ":" arch : name }' \
    "$control/control")
  dpkg-deb --fsys-tarfile "$deb" | tar -xv --keep-directory-symlink -C "$root" |
    sed -e 's,^\./,/,' -e 's,/$,,' | awk -v root="$final" '$0 != "" { print root $0 }' \
    >"$db/info/$info.list"
  local part
  for part in shlibs symbols; do
    if [ -f "$control/$part" ]; then cp "$control/$part" "$db/info/$info.$part"; fi
  done
  { cat "$control/control"; echo "Status: install ok installed"; echo; } >>"$db/status"
  rm -rf "$control"
}
