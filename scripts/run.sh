#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (unless BRIMCAST_SKIP_INSTALL=1), builds
# Brimcast and runs its main job on an embedded sample: a sample ASF file is
# made with ffmpeg and shown with `brimcast-cli info`.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${BRIMCAST_SKIP_INSTALL:-0}" != "1" ]; then
  bash scripts/install-deps.sh
fi
bash scripts/build.sh build

work=${BRIMCAST_DEMO_DIR:-$(mktemp -d /tmp/brimcast-demo-XXXXXX)}
mkdir -p "$work"
sample="$work/sample.asf"
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25 \
  -f lavfi -i sine=frequency=440:sample_rate=44100 -t 10 \
  -c:v wmv2 -b:v 500k -c:a wmav2 -b:a 64k -packet_size 3200 -f asf "$sample"
echo "== brimcast-cli info $sample"
./build/src/cli/brimcast-cli info "$sample"
