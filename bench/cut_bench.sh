#!/usr/bin/env bash
# The ASF cut: cuts a range of about 1 GB out of a generated file with the
# cut alone (cut_bench, the core without the CLI's libraries) and with
# `brimcast-cli cut`, and copies the same number of bytes with `cp` on the
# same disk, in the same run, the three taking turns; prints the wall time,
# CPU time, throughput and peak resident memory of each (the run of median
# wall time of RUNS runs).
#   bench/cut_bench.sh [BUILD_DIR] [RANGE_MB] [RUNS]
# TMPDIR chooses the disk (default /tmp). Needs: cut_bench and brimcast-cli
# built, ffmpeg, ffprobe, /usr/bin/time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
range_mb=${2:-1024}
runs=${3:-5}
cli="$build/src/cli/brimcast-cli"
core="$build/bench/cut_bench"
if ! "$cli" cut --help > /dev/null 2>&1 || [ ! -x "$core" ]; then
  echo "build them first: cmake --build $build --target brimcast-cli cut_bench" >&2
  exit 2
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/brimcast-cut-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The source: a 20-second piece of 640x480 WMV2 with WMA2 (about 6.6 Mbit/s,
# 3200-byte packets) joined to itself until it holds the range and 20 % more.
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25 \
  -f lavfi -i sine=frequency=440:sample_rate=44100 -t 20 \
  -c:v wmv2 -q:v 2 -g 50 -c:a wmav2 -b:a 128k -ac 2 -packet_size 3200 -f asf "$work/piece.asf"
piece=$(stat -c %s "$work/piece.asf")
copies=$(( (range_mb * 1048576 * 6 / 5 + piece - 1) / piece ))
for _ in $(seq "$copies"); do echo "file 'piece.asf'"; done > "$work/list.txt"
ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$work/list.txt" -c copy -packet_size 3200 \
  -f asf "$work/source.asf"
rm "$work/piece.asf"
size=$(stat -c %s "$work/source.asf")
duration=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$work/source.asf")
# The range: from 10 s on, as many seconds as hold RANGE_MB at the average rate.
read -r from to < <(awk -v d="$duration" -v s="$size" -v mb="$range_mb" \
  'BEGIN { secs = int(mb * 1048576 / (s / d)); print 10, 10 + secs - 1 }')

cut_once() {
  /usr/bin/time -f "%e %U %S %M" -a -o "$work/cli.time" \
    "$cli" cut -q --force "$work/source.asf" --from "$from" --to "$to" -o "$work/cut.asf" > /dev/null
}
core_once() {
  /usr/bin/time -f "%e %U %S %M" -a -o "$work/core.time" \
    "$core" "$work/source.asf" "$from" "$to" "$work/cut.asf" > /dev/null
}
cp_once() {
  rm -f "$work/copy.bin"
  /usr/bin/time -f "%e %U %S %M" -a -o "$work/cp.time" cp "$work/same-bytes.bin" "$work/copy.bin"
}
core_once
bytes=$(stat -c %s "$work/cut.asf")
# cp copies the same number of bytes, read from the same disk.
head -c "$bytes" "$work/source.asf" > "$work/same-bytes.bin"
: > "$work/core.time"
for _ in $(seq "$runs"); do
  rm -f "$work/cut.asf"; sync; core_once
  rm -f "$work/cut.asf"; sync; cut_once
  sync; cp_once
done
median() { sort -n "$1" | awk -v m=$(( (runs + 1) / 2 )) 'NR == m'; }
printf "source %d MB, %.0f s; range %s to %s s; %s runs\n" "$(( size / 1048576 ))" "$duration" "$from" "$to" "$runs"
printf "%-22s %9s %8s %8s %8s %9s\n" what MB wall_s cpu_s MB/s peak_MB
row() {  # row LABEL NAME
  read -r w u s r < <(median "$work/$2.time")
  awk -v l="$1" -v b="$bytes" -v w="$w" -v u="$u" -v s="$s" -v r="$r" 'BEGIN {
    printf "%-22s %9.1f %8.2f %8.2f %8.1f %9.1f\n", l, b / 1048576, w, u + s, b / 1048576 / w, r / 1024 }'
}
row "cut (core)" core
row "brimcast-cli cut" cli
row "cp (same bytes)" cp
read -r cw _ _ crss < <(median "$work/core.time")
read -r lw _ _ lrss < <(median "$work/cli.time")
read -r pw _ _ _ < <(median "$work/cp.time")
awk -v cw="$cw" -v lw="$lw" -v pw="$pw" -v cr="$crss" -v lr="$lrss" 'BEGIN {
  printf "throughput / cp: cut %.2f, brimcast-cli cut %.2f (goal >= 0.80)\n", pw / cw, pw / lw
  printf "peak memory: cut %.1f MB, brimcast-cli cut %.1f MB (goal < 16)\n", cr / 1024, lr / 1024 }'
