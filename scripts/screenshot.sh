#!/usr/bin/env bash
# Takes docs/screenshot.png: the brimcast window with a list of a dozen rows,
# under a virtual X server (Xvfb), with settings and data in a throw-away
# folder. Needs a build tree (scripts/build.sh).
#   scripts/screenshot.sh [BUILD_DIR] [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/screenshot.png}
program="$build/src/app/brimcast"
[ -x "$program" ] || { echo "no $program: build first (scripts/build.sh)" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing: bash scripts/install-deps.sh" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/conf/Brimcast" "$work/data" "$work/run" "$work/Videos"
chmod 700 "$work/run"

# The first row is a local recording, which the window plays as it opens
# the list: every other address is a made-up one under .example that
# nothing reaches.
mkdir -p "$work/Videos/Brimcast"
local="$work/Videos/Brimcast/morning-news.asf"
ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 8 -c:v wmv2 -b:v 400k -c:a wmav2 -b:a 64k -f asf "$local"

# A list file of twelve rows in the list-file format: a 224-byte header,
# then one 584-byte record per row (title, address, time and size texts).
python3 - "$work/sample.kvx" "$local" <<'PY'
import os, struct, sys
local = sys.argv[2]

def field(text, size):
    data = text.encode("utf-8")[: size - 1]
    return data + b"\0" * (size - len(data))

rows = [
    ("Morning News", local, "0:00:08", "%dK" % (os.path.getsize(local) // 1024)),
    ("Classical Hour", "mms://radio.example/classic/live", "", ""),
    ("Jazz Session 12", "http://radio.example/jazz/session12.wma", "1:02:03", "58212K"),
    ("Evening Report", "mms://media.example/news/evening.asf", "0:31:07", "27330K"),
    ("Lecture: Networks", "rtsp://campus.example/lectures/networks-03.wmv", "1:15:20", "301230K"),
    ("Weather", "mmst://media.example/weather/today.asf", "0:04:12", "3921K"),
    ("Concert Live", "mms://live.example/concert", "", ""),
    ("Drama Episode 7", "http://vod.example/drama/ep07.wmv", "0:52:18", "412870K"),
    ("Interview", "/home/user/Videos/Brimcast/interview.wmv", "0:18:55", "96K"),
    ("Sports Highlights", "mms://media.example/sports/highlights.asf", "0:09:30", "48120K"),
    ("Podcast 42", "http://cast.example/podcast/042.wma", "0:41:09", "38410K"),
    ("Kids Corner", "mms://media.example/kids/corner.wmv", "0:22:47", "171250K"),
]
with open(sys.argv[1], "wb") as f:
    f.write(field("0.1b", 10) + field("mms", 5) + field("Stations", 109)
            + field("", 30) + field("", 30) + b"\0" * 40)
    for title, address, time, size in rows:
        f.write(field("Brimcast", 50) * 2 + field(title, 50) + field(address, 275)
                + field(time, 10) + field(size, 53) + field("", 96))
PY

env -u DBUS_SESSION_BUS_ADDRESS HOME="$work" XDG_CONFIG_HOME="$work/conf" \
  XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x800x24" \
  "$program" --screenshot "$work/shot.png" /Open "$work/sample.kvx" 2>/dev/null
mkdir -p "$(dirname "$out")"
cp "$work/shot.png" "$out"
echo "wrote $out"
