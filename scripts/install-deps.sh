#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and benchmarking
# Brimcast needs. README, CI and newcomers all use this one list.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential g++ cmake ninja-build pkg-config git
  clang libclang-rt-14-dev llvm
  # core libraries
  libcurl4-openssl-dev libpcap-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  python3 ffmpeg time procps iproute2 libcap2-bin curl
  # desktop integration: MIME defaults, desktop entry checks, the package
  xdg-utils desktop-file-utils shared-mime-info bash-completion man-db dpkg-dev debconf
  # desktop front end, profile store and player
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libqt6opengl6-dev libgl-dev libmpv-dev dbus-daemon
  xvfb xauth
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

export DEBIAN_FRONTEND=noninteractive
# A package run that was cut off (a closed session, a killed shell) leaves
# dpkg half-configured and every later apt-get refuses to start: finish it.
$SUDO dpkg --configure -a
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${PACKAGES[@]}"
