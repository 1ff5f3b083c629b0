#!/usr/bin/env bash
# Builds the Debian package of Brimcast: a build in build-release/ (without
# the tests) with Debian's flags from dpkg-buildflags, then cpack. Prints the
# path of the .deb.
#   scripts/package.sh [extra cmake arguments...]
#   e.g. -DBRIMCAST_MAINTAINER="Name <address>" names the package's maintainer
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${BRIMCAST_SKIP_INSTALL:-0}" != "1" ]; then
  bash scripts/install-deps.sh build >/dev/null
fi
dir=build-release
BRIMCAST_DEB_FLAGS=1 bash scripts/build.sh "$dir" -DBUILD_TESTING=OFF -DBRIMCAST_WERROR=ON "$@"
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$PWD/$dir"/brimcast_*.deb
