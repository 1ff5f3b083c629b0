#!/usr/bin/env bash
# Installation test (install_test.sh BUILD_DIR GUI_BUILT(0|1)):
#  1. `cmake --install` into a temporary prefix holds every file; the desktop entry validates, the MIME
#     package compiles and the man pages render cleanly;
#  2. the Debian package installs, grants the capture capability to the helper alone and only when the
#     user says yes (then only root and the group brimcast-capture may run it), and is purged without a
#     file left; the group goes only when the package made it. Needs root and dpkg (CI runs as root).
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

expected=(bin/brimcast-cli libexec/brimcast/brimcast-capture share/applications/brimcast.desktop
  share/mime/packages/brimcast.xml share/icons/hicolor/scalable/apps/brimcast.svg share/man/man1/brimcast-cli.1.gz
  share/man/man1/brimcast.1.gz share/bash-completion/completions/brimcast-cli)
for s in 16 22 24 32 48 64 128 256; do expected+=("share/icons/hicolor/${s}x${s}/apps/brimcast.png"); done
[ "$gui" = 1 ] && expected+=(bin/brimcast)
for f in "${expected[@]}"; do
  [ -s "$prefix/$f" ] || fail "cmake --install did not install $f"
done
[ -x "$prefix/bin/brimcast-cli" ] && "$prefix/bin/brimcast-cli" --help >/dev/null \
  && pass "installed brimcast-cli runs" || fail "installed brimcast-cli does not run"
# The installed CLI finds the installed helper: it lists the adapters.
"$prefix/bin/brimcast-cli" capture --list-interfaces 2>/dev/null | grep -q '^lo	' \
  && pass "installed brimcast-cli lists adapters through its helper" \
  || fail "installed brimcast-cli does not list adapters through $prefix/libexec/brimcast/brimcast-capture"

out=$(desktop-file-validate "$prefix/share/applications/brimcast.desktop" 2>&1) && [ -z "$out" ] \
  && pass "desktop-file-validate accepts brimcast.desktop" || fail "desktop-file-validate: $out"

# The MIME package compiles and names both list types.
update-mime-database "$prefix/share/mime" 2>/dev/null
for t in 'application/x-brimcast-kvx:\*\.kvx' 'application/x-brimcast-qsd:\*\.qsd'; do
  grep -q "$t" "$prefix/share/mime/globs2" || fail "MIME glob $t missing"
done

for page in brimcast brimcast-cli; do
  warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] && pass "man page $page renders cleanly" || fail "man page $page: $warnings"
done

# --- 2. the Debian package -------------------------------------------------
deb_test() {
  if [ "$(id -u)" -ne 0 ] || ! command -v dpkg >/dev/null || ! command -v cpack >/dev/null; then
    echo "SKIPPED: the .deb install test needs root, dpkg and cpack (CI runs as root)"; return
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

  # The package is fit for a Debian archive: lintian finds no error and no
  # warning (informational tags are left to a reader of its output).
  tags=$(lintian --allow-root --tag-display-limit 0 "$deb" 2>&1 | grep -E '^[EW]: ' || true)
  [ -z "$tags" ] && pass "lintian finds no error or warning" || fail "lintian: $tags"

  dpkg_retry() {
    local i out
    for i in $(seq 1 60); do
      out=$(DEBIAN_FRONTEND=noninteractive dpkg "$@" 2>&1) && return 0
      case "$out" in *lock*) sleep 5 ;; *) break ;; esac
    done
    echo "$out"; return 1
  }
  # The answer to the capture question; with "now" the package is reconfigured with it.
  answer() {
    echo "brimcast brimcast/allow-capture boolean $1" | debconf-set-selections
    [ -z "${2:-}" ] || DEBIAN_FRONTEND=noninteractive dpkg-reconfigure brimcast >/dev/null 2>&1 || fail "dpkg-reconfigure failed"
  }
  helper=/usr/libexec/brimcast/brimcast-capture
  group=brimcast-capture
  # The capabilities of the package's files ("file caps" lines) and the helper's owner and mode.
  expect_state() {  # CAPS MODE WHEN
    local caps mode
    caps=$(dpkg -L brimcast | while read -r f; do if [ -f "$f" ]; then getcap "$f"; fi; done)
    [ "$caps" = "$1" ] && pass "$3: capabilities '$caps'" || fail "$3: capabilities '$caps', not '$1'"
    mode=$(stat -c '%U:%G %a' "$helper")
    [ "$mode" = "$2" ] && pass "$3: the helper is $mode" || fail "$3: the helper is $mode, not $2"
  }
  # The first bytes the helper writes when nobody runs it, with the group's
  # id among nobody's groups (member=1) or without. A shell of nobody's runs
  # it, so that the file's own mode and capability decide, not setpriv's.
  helper_as_nobody() {
    local groups=--clear-groups
    [ "$1" = 1 ] && groups=--groups=$(getent group "$group" | cut -d: -f3)
    { timeout 5 setpriv --reuid=65534 --regid=65534 "$groups" sh -c 'exec "$@"' sh "$helper" $2 2>/dev/null \
        | head -c 6 | od -An -c | tr -s ' '; } || true
  }
  if getent group "$group" >/dev/null; then
    echo "SKIPPED: the group $group exists on this machine; the test does not touch it"; return
  fi

  answer false
  dpkg_retry -i "$deb" || { fail "dpkg -i failed"; dpkg_retry --purge brimcast >/dev/null || true; return; }
  /usr/bin/brimcast-cli --help >/dev/null || fail "/usr/bin/brimcast-cli does not run"
  expect_state "" "root:root 755" "without the opt-in"

  # Opting in: the helper alone gets cap_net_raw, and only the group's
  # members may run it; a member's helper opens the loopback adapter.
  answer true now
  getent group "$group" >/dev/null && pass "opt-in made the group $group" || fail "opt-in made no group $group"
  expect_state "$helper cap_net_raw=ep" "root:$group 750" "with the opt-in"
  if command -v setpriv >/dev/null; then
    got=$(helper_as_nobody 0 --list)
    [ -z "$got" ] && pass "a user outside $group cannot run the helper" || fail "a non-member ran the helper: $got"
    got=$(helper_as_nobody 1 --list)
    [ "$got" = " R 001 \\0 \\0 \\0 001" ] && pass "a member's helper holds the capability" \
      || fail "a member's helper says: '$got'"
    got=$(helper_as_nobody 1 "--interface lo")
    case "$got" in " H"*) pass "a member captures on lo through the helper" ;;
      *) fail "a member's capture on lo gave: '$got'" ;; esac
  fi

  # Opting out takes the capability away; the group stays until purge.
  answer false now
  expect_state "" "root:root 755" "after opting out"

  files=$(dpkg -L brimcast | while read -r f; do if [ -f "$f" ]; then echo "$f"; fi; done)
  dpkg_retry --purge brimcast >/dev/null || fail "dpkg --purge failed"
  dpkg-query -W -f='${Status}' brimcast 2>/dev/null | grep -q 'installed' && fail "brimcast still installed after purge"
  left=$(for f in $files /var/lib/brimcast; do if [ -e "$f" ]; then echo "$f"; fi; done)
  [ -z "$left" ] && pass "purge removed every file" || fail "left after purge: $left"
  debconf-show brimcast 2>/dev/null | grep -q allow-capture && fail "the debconf question survived the purge"
  getent group "$group" >/dev/null && fail "purge left the group $group it made" || pass "purge removed the group it made"

  # A group the package did not make survives the purge.
  addgroup --quiet --system "$group"
  answer true
  dpkg_retry -i "$deb" >/dev/null || fail "dpkg -i with an existing group failed"
  mode=$(stat -c '%U:%G %a' "$helper" 2>&1) || true
  [ "$mode" = "root:$group 750" ] || fail "with an existing group the helper is $mode"
  dpkg_retry --purge brimcast >/dev/null || fail "dpkg --purge failed"
  getent group "$group" >/dev/null && pass "purge kept a group it did not make" || fail "purge removed a group it did not make"
  delgroup --quiet --system "$group" >/dev/null 2>&1 || groupdel "$group" 2>/dev/null || true
}
deb_test

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "install test passed"
