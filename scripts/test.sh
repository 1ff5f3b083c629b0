#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (unless BRIMCAST_SKIP_INSTALL=1) and runs
# every test: the full build, then the core's tests under AddressSanitizer +
# UndefinedBehaviorSanitizer and under ThreadSanitizer, then the fuzz targets
# for a bounded number of runs.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${BRIMCAST_SKIP_INSTALL:-0}" != "1" ]; then
  bash scripts/install-deps.sh
fi

jobs=$(nproc 2>/dev/null || echo 2)
ctest_run() {
  ctest --test-dir "$1" --output-on-failure --no-tests=error -j "$jobs" "${@:2}"
}

echo "== full build and tests"
# With the Debian package's flags: its warnings fail the build here too.
BRIMCAST_DEB_FLAGS=1 bash scripts/build.sh build -DBRIMCAST_WERROR=ON
ctest_run build

echo "== core tests under AddressSanitizer + UndefinedBehaviorSanitizer"
bash scripts/build.sh build-asan -DBRIMCAST_CORE_ONLY=ON -DBRIMCAST_SANITIZE=address,undefined \
  -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 ctest_run build-asan

echo "== core tests under ThreadSanitizer"
bash scripts/build.sh build-tsan -DBRIMCAST_CORE_ONLY=ON -DBRIMCAST_SANITIZE=thread \
  -DCMAKE_BUILD_TYPE=Debug
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest_run build-tsan

if [ -d tests/fuzz ]; then
  echo "== fuzz targets (libFuzzer, bounded runs, $jobs at a time)"
  CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DBRIMCAST_CORE_ONLY=ON -DBRIMCAST_FUZZ=ON \
    -DBUILD_TESTING=OFF
  # Each target runs its committed seeds first (from a copy: libFuzzer adds
  # what it finds to the folder), then new inputs until either bound.
  fuzz_one() {
    local target=$1 name log corpus
    name=$(basename "$target")
    log="build-fuzz/$name.log"
    corpus="build-fuzz/corpus/$name"
    rm -rf "$corpus" && mkdir -p "$corpus"
    if [ -d "tests/fuzz/corpus/$name" ]; then
      cp tests/fuzz/corpus/"$name"/* "$corpus"/
    fi
    if "$target" -runs="${BRIMCAST_FUZZ_RUNS:-200000}" -max_total_time="${BRIMCAST_FUZZ_SECONDS:-60}" \
        -max_len=65536 -seed=1 -timeout=25 -artifact_prefix="build-fuzz/$name-" "$corpus" >"$log" 2>&1; then
      echo "-- $name: $(grep -E '^Done' "$log" | tail -n 1)"
    else
      echo "-- $name: FAILED"
      tail -n 60 "$log"
      return 1
    fi
  }
  pids=()
  for target in build-fuzz/tests/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    fuzz_one "$target" &
    pids+=($!)
  done
  failed=0
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  [ "$failed" = 0 ] || { echo "== a fuzz target failed"; exit 1; }
fi
echo "== all tests passed"
