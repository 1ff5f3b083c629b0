#!/usr/bin/env bash
# Builds the Debian package of Brimcast: a release build in build-release/
# (without the tests), then cpack. Prints the path of the .deb.
#   scripts/package.sh [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${BRIMCAST_SKIP_INSTALL:-0}" != "1" ]; then
  bash scripts/install-deps.sh >/dev/null
fi
dir=build-release
bash scripts/build.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "$@"
(cd "$dir" && cpack -G DEB >/dev/null)
ls "$PWD/$dir"/brimcast_*.deb
