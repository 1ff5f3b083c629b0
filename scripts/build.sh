#!/usr/bin/env bash
# Configures and builds one build tree.
#   scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
# BRIMCAST_DEB_FLAGS=1 compiles with Debian's flags from dpkg-buildflags
# (optimisation, stack protector, FORTIFY_SOURCE, format checks, PIE, full
# RELRO, immediate binding) and no build type of CMake's own, as the Debian
# package is built; the test tree uses them too, so the tests run the code the
# package ships and its warnings fail the build.
# With ccache installed, compiles go through it: later runs and other
# checkouts reuse what an earlier build compiled.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
jobs=$(nproc 2>/dev/null || echo 2)
args=()
if command -v ccache >/dev/null 2>&1 && [ "${BRIMCAST_CCACHE:-1}" != "0" ]; then
  args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths below the checkout's parent are hashed relative to the build
  # folder, so clones and worktrees at other places share the cache.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$PWD")}
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
fi
if [ "${BRIMCAST_DEB_FLAGS:-0}" = "1" ]; then
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  eval "$(dpkg-buildflags --export=sh)"
  # CMake reads no CPPFLAGS: the preprocessor's flags go with the compiler's.
  # Given on the command line, they also reach a tree configured before.
  args+=(-DCMAKE_BUILD_TYPE=None "-DCMAKE_C_FLAGS=$CPPFLAGS $CFLAGS" "-DCMAKE_CXX_FLAGS=$CPPFLAGS $CXXFLAGS"
         "-DCMAKE_EXE_LINKER_FLAGS=$LDFLAGS" "-DCMAKE_SHARED_LINKER_FLAGS=$LDFLAGS")
fi
cmake -S . -B "$dir" -G Ninja "${args[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$jobs"
