#!/usr/bin/env bash
# Installs the Debian 12 packages Brimcast needs: the one list that the
# README's commands, CI and newcomers all use.
#   scripts/install-deps.sh [build|test]
# build: what building the programs and the Debian package needs;
# test (the default): that, plus what the tests, the sanitizer and fuzz runs,
# the demo and the benchmarks add.
set -euo pipefail

BUILD_PACKAGES=(
  # toolchain
  build-essential g++ cmake ninja-build pkg-config ccache
  # core libraries
  libcurl4-openssl-dev libpcap-dev
  # desktop front end, profile store and player
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libqt6opengl6-dev libgl-dev libmpv-dev
  # the Debian package: dpkg-shlibdeps and dpkg-buildflags (dpkg-dev), cpack's
  # file check (file), the maintainer scripts (debconf)
  dpkg-dev file debconf
)
TEST_PACKAGES=(
  git
  # fuzz targets and sanitizer runtimes
  clang libclang-rt-14-dev llvm
  # unit tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # fake servers, sample media, process and network tools of the tests
  python3 ffmpeg time procps iproute2 libcap2-bin curl
  # desktop integration and package checks
  xdg-utils desktop-file-utils shared-mime-info bash-completion man-db lintian
  # the window's tests: a session bus, a virtual X server, a font Qt can use
  dbus-daemon xvfb xauth fonts-dejavu-core
  # scheduled recordings: systemd-analyze reads calendar times and checks units
  systemd
)

case "${1:-test}" in
  build) PACKAGES=("${BUILD_PACKAGES[@]}") ;;
  test) PACKAGES=("${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
  *) echo "usage: $0 [build|test]" >&2; exit 2 ;;
esac

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

export DEBIAN_FRONTEND=noninteractive
# A package run that was cut off (a closed session, a killed shell) leaves
# dpkg half-configured and every later apt-get refuses to start: finish it.
$SUDO dpkg --configure -a
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${PACKAGES[@]}"
