#!/usr/bin/env bash
# Installation test:
#  1. `cmake --install` into a temporary prefix holds every file, the desktop
#     entry validates, the MIME package compiles, the icons have their sizes,
#     the man pages render without warnings and the bash completion completes;
#  2. the Debian package (cpack) installs, asks before granting the capture
#     capabilities, grants them only when the answer is yes, and is purged
#     without leaving a file behind. This part needs root and dpkg and is
#     skipped with a message without them (CI runs as root).
#   install_test.sh BUILD_DIR GUI_BUILT(0|1)
set -euo pipefail
build=$1
gui=${2:-0}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# --- 1. cmake --install ----------------------------------------------------
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; exit 1; }

expected=(
  bin/brimcast-cli
  share/applications/brimcast.desktop
  share/mime/packages/brimcast.xml
  share/icons/hicolor/scalable/apps/brimcast.svg
  share/man/man1/brimcast-cli.1.gz
  share/man/man1/brimcast.1.gz
  share/bash-completion/completions/brimcast-cli
)
sizes=(16 22 24 32 48 64 128 256)
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x${s}/apps/brimcast.png"); done
[ "$gui" = 1 ] && expected+=(bin/brimcast)
for f in "${expected[@]}"; do
  [ -s "$prefix/$f" ] || fail "cmake --install did not install $f"
done
[ -x "$prefix/bin/brimcast-cli" ] && "$prefix/bin/brimcast-cli" --help >/dev/null \
  && pass "installed brimcast-cli runs" || fail "installed brimcast-cli does not run"

if command -v desktop-file-validate >/dev/null; then
  if out=$(desktop-file-validate "$prefix/share/applications/brimcast.desktop" 2>&1) && [ -z "$out" ]; then
    pass "desktop-file-validate accepts brimcast.desktop"
  else
    fail "desktop-file-validate: $out"
  fi
else
  fail "desktop-file-validate is missing (scripts/install-deps.sh installs desktop-file-utils)"
fi

# The MIME package compiles and names both list types.
if command -v update-mime-database >/dev/null; then
  update-mime-database "$prefix/share/mime" 2>/dev/null
  for t in 'application/x-brimcast-kvx:\*\.kvx' 'application/x-brimcast-qsd:\*\.qsd'; do
    grep -q "$t" "$prefix/share/mime/globs2" && pass "MIME glob $t" || fail "MIME glob $t missing"
  done
  # A list file is recognised by its contents too.
  python3 - "$prefix/share/mime/magic" <<'PY' || fail "kvx magic missing"
import sys
data = open(sys.argv[1], 'rb').read()
sys.exit(0 if b'[50:application/x-brimcast-kvx]' in data and b'0.1b\x00' in data else 1)
PY
fi

# Each PNG is the size its folder names.
for s in "${sizes[@]}"; do
  dims=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8]==b"\x89PNG\r\n\x1a\n" else "bad")' \
    "$prefix/share/icons/hicolor/${s}x${s}/apps/brimcast.png")
  [ "$dims" = "${s}x${s}" ] || fail "icon ${s}x${s} is $dims"
done

for page in brimcast brimcast-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] && pass "man page $page renders cleanly" || fail "man page $page: $warnings"
done

# The completion completes commands, option values and options.
if [ -r /usr/share/bash-completion/bash_completion ]; then
  complete_words() {
    bash -c '
      source /usr/share/bash-completion/bash_completion
      source "$1"; shift
      COMP_WORDS=("$@"); COMP_CWORD=$(( $# - 1 ))
      COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
      _brimcast_cli brimcast-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
      printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ "$prefix/share/bash-completion/completions/brimcast-cli" "$@"
  }
  got=$(complete_words brimcast-cli c)
  [ "$got" = "capture check cut " ] && pass "completion of commands" || fail "completion of 'c': '$got'"
  got=$(complete_words brimcast-cli --config x.conf record --if-exists r)
  [ "$got" = "rename resume " ] && pass "completion of --if-exists" || fail "completion of --if-exists r: '$got'"
  got=$(complete_words brimcast-cli cut a.asf --f)
  [ "$got" = "--force --from " ] && pass "completion of cut options" || fail "completion of cut --f: '$got'"
else
  fail "bash-completion is missing (scripts/install-deps.sh installs it)"
fi

# --- 2. the Debian package -------------------------------------------------
deb_test() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "SKIPPED: the .deb install test needs root (CI runs as root)"; return
  fi
  if ! command -v dpkg >/dev/null || ! command -v cpack >/dev/null; then
    echo "SKIPPED: the .deb install test needs dpkg and cpack"; return
  fi
  # One package test at a time on this machine.
  exec 9>/tmp/brimcast-deb-test.lock
  flock -w 600 9 || { fail "could not take /tmp/brimcast-deb-test.lock"; return; }
  if dpkg-query -W -f='${Status}' brimcast 2>/dev/null | grep -q 'installed'; then
    echo "SKIPPED: a brimcast package is installed on this machine; the test does not touch it"; return
  fi
  cpack --config "$build/CPackConfig.cmake" -B "$tmp/cpack" >"$tmp/cpack.log" 2>&1 \
    || { cat "$tmp/cpack.log"; fail "cpack failed"; return; }
  deb=$(ls "$tmp"/cpack/brimcast_*.deb 2>/dev/null | head -n 1)
  [ -n "$deb" ] || { fail "cpack made no .deb"; return; }
  pass "cpack made $(basename "$deb")"

  # Every shared library the programs load comes from a package the
  # package depends on; the scripts need debconf and setcap.
  depends=$(dpkg-deb -f "$deb" Depends)
  wanted="debconf libcap2-bin"
  for program in "$prefix"/bin/*; do
    needed=$(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
    for name in $needed; do
      lib=$(ldd "$program" | awk -v n="$name" '$1 == n && $3 ~ /^\// { print $3 }')
      [ -n "$lib" ] || continue
      owner=$(dpkg -S "$(readlink -f "$lib")" 2>/dev/null | head -n 1 | cut -d: -f1) || true
      [ -z "$owner" ] && owner=$(dpkg -S "$lib" 2>/dev/null | head -n 1 | cut -d: -f1) || true
      [ -n "$owner" ] && wanted="$wanted $owner"
    done
  done
  for package in $(echo "$wanted" | tr ' ' '\n' | sort -u); do
    case " $(echo "$depends" | tr ',|' '  ') " in *" $package "*) ;;
      *) fail "Depends lacks $package: $depends" ;; esac
  done
  # The package is fit for a Debian archive: lintian finds no error and no
  # warning (informational tags are left to a reader of its output).
  if command -v lintian >/dev/null; then
    tags=$(lintian --allow-root --tag-display-limit 0 "$deb" 2>&1 | grep -E '^[EW]: ' || true)
    [ -z "$tags" ] && pass "lintian finds no error or warning" || fail "lintian: $tags"
  else
    fail "lintian is missing (scripts/install-deps.sh installs it)"
  fi
  dpkg-deb -c "$deb" >"$tmp/contents"
  for doc in copyright changelog.gz; do
    grep -q "\./usr/share/doc/brimcast/$doc\$" "$tmp/contents" || fail "the package lacks /usr/share/doc/brimcast/$doc"
  done
  grep -q '\./usr/share/applications/brimcast.desktop$' "$tmp/contents" \
    || fail "the package lacks the desktop entry"

  dpkg_retry() {
    local i out
    for i in $(seq 1 60); do
      if out=$(DEBIAN_FRONTEND=noninteractive dpkg "$@" 2>&1); then return 0; fi
      case "$out" in *lock*) sleep 5 ;; *) echo "$out"; return 1 ;; esac
    done
    echo "$out"; return 1
  }
  echo "brimcast brimcast/allow-capture boolean false" | debconf-set-selections
  if ! dpkg_retry -i "$deb"; then
    fail "dpkg -i failed"; dpkg_retry --purge brimcast >/dev/null || true; return
  fi
  pass "dpkg -i installed the package"
  for f in /usr/bin/brimcast-cli /usr/share/applications/brimcast.desktop /usr/share/mime/packages/brimcast.xml \
           /usr/share/man/man1/brimcast-cli.1.gz /usr/share/bash-completion/completions/brimcast-cli; do
    [ -e "$f" ] || fail "installed package lacks $f"
  done
  /usr/bin/brimcast-cli --help >/dev/null || fail "/usr/bin/brimcast-cli does not run"
  caps=$(getcap /usr/bin/brimcast-cli || true)
  [ -z "$caps" ] && pass "no capture capability without the opt-in" || fail "capabilities without opt-in: $caps"

  # Opting in through debconf grants them; opting out takes them away.
  echo "brimcast brimcast/allow-capture boolean true" | debconf-set-selections
  DEBIAN_FRONTEND=noninteractive dpkg-reconfigure brimcast >/dev/null 2>&1 || fail "dpkg-reconfigure failed"
  caps=$(getcap /usr/bin/brimcast-cli || true)
  case "$caps" in *cap_net_admin,cap_net_raw=eip*|*cap_net_raw,cap_net_admin=eip*) pass "opt-in granted $caps" ;;
    *) fail "opt-in did not grant the capabilities: '$caps'" ;; esac
  echo "brimcast brimcast/allow-capture boolean false" | debconf-set-selections
  DEBIAN_FRONTEND=noninteractive dpkg-reconfigure brimcast >/dev/null 2>&1 || fail "dpkg-reconfigure failed"
  caps=$(getcap /usr/bin/brimcast-cli || true)
  [ -z "$caps" ] && pass "opting out removed the capabilities" || fail "capabilities after opting out: $caps"

  files=$(dpkg -L brimcast | while read -r f; do if [ -f "$f" ]; then echo "$f"; fi; done)
  dpkg_retry --purge brimcast >/dev/null || fail "dpkg --purge failed"
  if dpkg-query -W -f='${Status}' brimcast 2>/dev/null | grep -q 'installed'; then
    fail "brimcast still installed after purge"
  fi
  left=$(for f in $files; do if [ -e "$f" ]; then echo "$f"; fi; done)
  [ -z "$left" ] && pass "purge removed every file" || fail "left after purge: $left"
  if debconf-show brimcast 2>/dev/null | grep -q allow-capture; then
    fail "the debconf question survived the purge"
  fi
}
deb_test

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "install test passed"
