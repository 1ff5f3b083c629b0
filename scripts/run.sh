#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (unless BRIMCAST_SKIP_INSTALL=1), builds
# Brimcast and runs its main job on an embedded default: a sample stream is
# made with ffmpeg, served on loopback by the fake media server (MMS over
# HTTP), recorded with `brimcast-cli record`, and the recording is shown with
# `brimcast-cli info`.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${BRIMCAST_SKIP_INSTALL:-0}" != "1" ]; then
  bash scripts/install-deps.sh
fi
# The same tree and flags as scripts/test.sh: running both builds once.
BRIMCAST_DEB_FLAGS=1 bash scripts/build.sh build -DBRIMCAST_WERROR=ON
cli=./build/src/cli/brimcast-cli

work=${BRIMCAST_DEMO_DIR:-$(mktemp -d /tmp/brimcast-demo-XXXXXX)}
mkdir -p "$work"
sample="$work/sample.asf"
echo "== making a 20-second sample stream with ffmpeg"
ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25 \
  -f lavfi -i sine=frequency=440:sample_rate=44100 -t 20 \
  -c:v wmv2 -b:v 500k -c:a wmav2 -b:a 64k -packet_size 3200 -f asf "$sample"

echo "== serving it on loopback (MMS over HTTP, paced at 4x real time)"
python3 -u tests/servers/mmsh_server.py --port 0 --file "$sample" --rate 4 --lifetime 120 \
  > "$work/server.out" &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  grep -q '^PORT ' "$work/server.out" 2>/dev/null && break
  sleep 0.1
done
port=$(sed -n 's/^PORT //p' "$work/server.out" | head -n 1)
[ -n "$port" ] || { echo "the fake media server did not start" >&2; exit 1; }

# An http:// address of an ASF stream is tried with MMS over HTTP first.
echo "== brimcast-cli record http://127.0.0.1:$port/sample.asf"
# A private settings file, so the demo leaves the user's own alone.
export XDG_CONFIG_HOME="$work/config"
"$cli" record --if-exists overwrite -d "$work/recordings" "http://127.0.0.1:$port/sample.asf"
recording="$work/recordings/sample.asf"

echo "== brimcast-cli info $recording"
"$cli" info "$recording"
