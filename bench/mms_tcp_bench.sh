#!/usr/bin/env bash
# MMS over TCP: records an on-demand stream of about SIZE_MB megabytes from
# the fake server over loopback, with our client and with ffmpeg's mmst
# client in the same run, and prints the wall time, CPU seconds per GB and
# peak resident memory of each. Our client (and brimcast-cli record, when
# built) also records a stream a tenth as long, to show that memory does not
# grow with the stream.
#   bench/mms_tcp_bench.sh [BUILD_DIR] [SIZE_MB] [RUNS]
# Each figure is the median of RUNS runs (default 3): a shared machine's
# noise moves single runs by half. TMPDIR=/dev/shm keeps the disk out.
# Needs: the mms_tcp_bench target built (and brimcast-cli, used when its
# record command exists), ffmpeg, python3, /usr/bin/time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
size_mb=${2:-500}
runs=${3:-3}
bench="$build/bench/mms_tcp_bench"
cli="$build/src/cli/brimcast-cli"
if [ ! -x "$bench" ]; then
  echo "build it first: cmake --build $build --target mms_tcp_bench" >&2
  exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/brimcast-mms-bench-XXXXXX")
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The stream: a 20-second piece of 640x480 WMV2 with WMA2 (about 6.6 Mbit/s,
# 3200-byte packets), joined to itself until it has the wanted size.
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25 \
  -f lavfi -i sine=frequency=440:sample_rate=44100 -t 20 \
  -c:v wmv2 -q:v 2 -g 50 -c:a wmav2 -b:a 128k -ac 2 -packet_size 3200 -f asf "$work/piece.asf"
make_stream() {  # make_stream NAME MEGABYTES
  local piece copies
  piece=$(stat -c %s "$work/piece.asf")
  copies=$(( ($2 * 1048576 + piece - 1) / piece ))
  for _ in $(seq "$copies"); do echo "file 'piece.asf'"; done > "$work/$1.txt"
  ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$work/$1.txt" -c copy -packet_size 3200 \
    -f asf "$work/$1.asf"
}
make_stream stream "$size_mb"
make_stream short $(( size_mb / 10 > 0 ? size_mb / 10 : 1 ))

# run_once NAME STREAM CMD...: serves STREAM.asf to one client, runs CMD
# (where @PORT@ stands for the server's port) under /usr/bin/time, and
# appends the client's and the server's figures to NAME.time and NAME.server.
run_once() {
  local name=$1 stream=$2 port=
  shift 2
  /usr/bin/time -f "%e %U %S %M" -a -o "$work/$name.server" \
    python3 tests/servers/mms_server.py --port 0 --file "$work/$stream.asf" --lifetime 900 \
    > "$work/$name.port" &
  server_pid=$!
  for _ in $(seq 100); do
    port=$(sed -n 's/^PORT //p' "$work/$name.port")
    [ -n "$port" ] && break
    sleep 0.1
  done
  [ -n "$port" ] || { echo "the fake server did not start" >&2; exit 1; }
  local args=()
  for a in "$@"; do args+=("${a//@PORT@/$port}"); done
  /usr/bin/time -f "%e %U %S %M" -a -o "$work/$name.time" "${args[@]}" > /dev/null
  wait "$server_pid" || true
  server_pid=
  rm -rf "$work/$name.out.asf" "$work/cli"/*
}

# run NAME STREAM CMD...: run_once RUNS times; keeps the run of median CPU.
run() {
  local name=$1
  for _ in $(seq "$runs"); do run_once "$@"; done
  paste -d' ' "$work/$name.time" "$work/$name.server" |
    awk '{ print $2 + $3, $0 }' | sort -n | awk -v m=$(( (runs + 1) / 2 )) 'NR == m' |
    cut -d' ' -f2- > "$work/$name.median"
}

run ours stream "$bench" "mms://127.0.0.1:@PORT@/stream.asf" "$work/ours.out.asf"
run ffmpeg stream ffmpeg -nostdin -v error -y -i "mmst://127.0.0.1:@PORT@/stream.asf" -c copy \
  -f asf "$work/ffmpeg.out.asf"
run short short "$bench" "mms://127.0.0.1:@PORT@/short.asf" "$work/short.out.asf"
with_cli=0
if [ -x "$cli" ] && "$cli" record --help > /dev/null 2>&1; then
  with_cli=1
  mkdir -p "$work/cli"
  # A profile of its own, so that the user's settings are neither read nor changed.
  run cli stream "$cli" --config "$work/brimcast.conf" record -d "$work/cli" \
    --if-exists overwrite -q "mms://127.0.0.1:@PORT@/stream.asf"
  run clishort short "$cli" --config "$work/brimcast.conf" record -d "$work/cli" \
    --if-exists overwrite -q "mms://127.0.0.1:@PORT@/short.asf"
fi

report() {  # report LABEL NAME STREAM
  local bytes
  bytes=$(stat -c %s "$work/$3.asf")
  read -r wall user sys rss swall suser ssys _ < "$work/$2.median"
  awk -v l="$1" -v b="$bytes" -v w="$wall" -v u="$user" -v s="$sys" -v r="$rss" \
      -v su="$suser" -v ss="$ssys" -v sw="$swall" 'BEGIN {
    gb = b / 1e9
    printf "%-22s %8.1f %7.2f %7.2f %9.2f %9.1f %11.2f\n", l, b / 1048576, w, u + s,
           (u + s) / gb, r / 1024, su + ss
  }'
}
printf "%-22s %8s %7s %7s %9s %9s %11s\n" client MB wall_s cpu_s cpu_s/GB peak_MB server_cpu_s
report "mms_tcp_bench" ours stream
report "ffmpeg -c copy (mmst)" ffmpeg stream
report "mms_tcp_bench (1/10)" short short
if [ "$with_cli" = 1 ]; then
  report "brimcast-cli record" cli stream
  report "brimcast-cli (1/10)" clishort short
fi
read -r _ ou os orss _ < "$work/ours.median"
read -r _ fu fs frss _ < "$work/ffmpeg.median"
awk -v ou="$ou" -v os="$os" -v fu="$fu" -v fs="$fs" -v or="$orss" -v fr="$frss" 'BEGIN {
  printf "CPU per GB, ours / ffmpeg: %.2f   peak memory, ours / ffmpeg: %.2f\n",
         (ou + os) / (fu + fs), or / fr
}'
if [ "$with_cli" = 1 ]; then
  read -r _ cu cs crss _ < "$work/cli.median"
  awk -v cu="$cu" -v cs="$cs" -v fu="$fu" -v fs="$fs" -v cr="$crss" -v fr="$frss" 'BEGIN {
    printf "CPU per GB, brimcast-cli / ffmpeg: %.2f   peak memory, brimcast-cli / ffmpeg: %.2f\n",
           (cu + cs) / (fu + fs), cr / fr
  }'
fi
