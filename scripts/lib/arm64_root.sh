# An arm64 Debian root on this machine, its programs run through qemu: what
# `scripts/test-release --arch arm64` sources after arm64_tests.sh. Needs root.

arm64_root_mirror=http://deb.debian.org/debian

# arm64_debootstrap RELEASE DIR: a minimal arm64 root of the release: the packages unpacked
# here, then set up inside it, through qemu.
arm64_debootstrap() {
  debootstrap --arch=arm64 --foreign --variant=minbase "$1" "$2" "$arm64_root_mirror"
  chroot "$2" /debootstrap/debootstrap --second-stage
}

# The arm64 package that `scripts/test-release RELEASE` built in its root (dist/RELEASE/),
# installed in the fresh arm64 root, played and purged there (tests/package/install_test.sh).
# Uses test-release's root, suite, name and in_root.
arm64_package_round_trip() {
  local deb
  deb=dist/$suite/$(debian_package_file arm64)
  if [ ! -f "$deb" ]; then
    echo "scripts/test-release: no $deb, which scripts/test-release $suite builds" >&2
    return 1
  fi
  cp "$deb" "$root/root/"
  echo "== $name: the arm64 package installed, played and purged"
  in_root "tests/package/install_test.sh /root/${deb##*/}"
}
