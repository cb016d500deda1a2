#!/usr/bin/env bash
# Proves the README's two commands on a bare Debian 12: a minbase bookworm root made with
# debootstrap, the committed sources copied in, and then, on one fresh copy of the root,
#   scripts/run.sh   (installs, builds, starts the game: its window must appear, and a close
#                     request as a window manager sends it must end the game with status 0)
#   scripts/test.sh  (installs, builds, runs every test: all must run and pass)
# and on a second fresh copy the same two the other way round. Nothing is installed into a root
# before the first command runs: the X server and the tools that watch the game's window run
# outside the root, and the game reaches that X server through its socket, so a package the
# scripts forget to install shows up as a failure.
#
# Usage (as root): scripts/fresh-check.sh [--prepare]
#   --prepare        only build the cached root tarball, then stop
#   FG_REF=<commit>  the sources to check (default HEAD; uncommitted changes are not seen)
#   FG_FRESH_CACHE   where the root tarball is kept (default /var/cache/fenzogobbix-fresh);
#                    delete it to start from a new debootstrap
#   FG_FRESH_WORK    where the roots are unpacked (default /var/tmp)
#   FG_FRESH_KEEP=1  keep the unpacked roots afterwards for a look inside
# Takes long: the first debootstrap, then two full installs and builds. CI does not run it.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
ref=${FG_REF:-HEAD}
cache=${FG_FRESH_CACHE:-/var/cache/fenzogobbix-fresh}
arch=$(dpkg --print-architecture)
tarball=$cache/bookworm-minbase-$arch.tar
helper=$src/tests/xsession.py

say() { echo "fresh-check: $*"; }
die() { echo "fresh-check: FAIL: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || die "needs root (debootstrap, chroot and mounts)"
commit=$(git -C "$src" rev-parse --verify "$ref^{commit}") || die "no commit $ref"

# ---------------------------------------------------------------- timings
phases=()
phase_name=""
phase_start=0
begin() { phase_name=$1; phase_start=$(date +%s); say "== $1"; }
end() {
  local took=$(($(date +%s) - phase_start))
  phases+=("$(printf '%-40s %4d:%02d%s' "$phase_name" $((took / 60)) $((took % 60)) "${1:-}")")
  phase_name=""
}
report() {
  [ -z "$phase_name" ] || end "  (failed or stopped)"
  [ ${#phases[@]} -gt 0 ] || return 0
  echo "fresh-check: timings (min:s)"
  printf '  %s\n' "${phases[@]}"
}

# ---------------------------------------------------------------- the mirror apt uses here
# The first bookworm "deb" source of this machine, one-line or deb822 style.
mirror() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk '$1 == "deb" { i = 2; if ($2 ~ /^\[/) while ($i !~ /\]$/) i++; if ($2 ~ /^\[/) i++;
                       if ($(i + 1) == "bookworm") { print $i; exit } }' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
         { types = uris = suites = ""
           for (i = 1; i <= NF; i++) {
             if ($i ~ /^Types:/) types = $i; else if ($i ~ /^URIs:/) uris = $i
             else if ($i ~ /^Suites:/) suites = $i
           }
           if (types ~ /[ \t]deb([ \t]|$)/ && suites ~ /[ \t]bookworm([ \t]|$)/) {
             split(uris, u, /[ \t]+/); print u[2]; exit
           } }' "$f"
  done
}

# ---------------------------------------------------------------- mounts, always undone
roots=()
xsession_pid=""
cleanup() {
  local status=$? r m
  if [ -n "$xsession_pid" ] && kill -0 "$xsession_pid" 2>/dev/null; then
    kill "$xsession_pid" 2>/dev/null || true
    wait "$xsession_pid" 2>/dev/null || true
  fi
  for r in "${roots[@]}"; do
    # Deepest first; a lazy unmount as the last resort for a mount still busy.
    for m in $(findmnt -rn -o TARGET | grep -F "$r/" | sort -r); do
      umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || echo "fresh-check: could not unmount $m" >&2
    done
    if findmnt -rn -o TARGET | grep -qF "$r/"; then
      echo "fresh-check: mounts left under $r, not deleting it" >&2
    elif [ "${FG_FRESH_KEEP:-0}" != 1 ]; then
      rm -rf "$r"
    else
      say "kept $r"
    fi
  done
  report
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---------------------------------------------------------------- the cached root
build_tarball() {
  local url tmp
  url=$(mirror | head -n1)
  [ -n "$url" ] || url=http://deb.debian.org/debian
  command -v debootstrap >/dev/null || {
    say "installing debootstrap"
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
  }
  mkdir -p "$cache"
  tmp=$(mktemp -d "${FG_FRESH_WORK:-/var/tmp}/fg-debootstrap.XXXXXX")
  roots+=("$tmp")
  say "debootstrap --variant=minbase bookworm from $url"
  debootstrap --variant=minbase --arch="$arch" bookworm "$tmp" "$url" >"$cache/debootstrap.log" 2>&1 \
    || { tail -n 20 "$cache/debootstrap.log" >&2; die "debootstrap failed (log: $cache/debootstrap.log)"; }
  # No package lists yet, as on a machine just installed: the scripts must fetch them.
  rm -rf "$tmp"/var/lib/apt/lists/* "$tmp"/var/cache/apt/archives/*.deb
  tar -C "$tmp" --numeric-owner -cf "$tarball.part" . && mv "$tarball.part" "$tarball"
  rm -rf "$tmp"
}

begin "root tarball"
if [ -s "$tarball" ]; then
  say "reusing $tarball ($(du -h "$tarball" | cut -f1))"
else
  build_tarball
fi
end
[ "${1:-}" = --prepare ] && exit 0

# ---------------------------------------------------------------- one fresh root
# new_root NAME: unpacks the root, mounts what a booted system has, copies the sources into
# /root/fenzogobbix. Sets `root`.
new_root() {
  root=$(mktemp -d "${FG_FRESH_WORK:-/var/tmp}/fg-fresh-$1.XXXXXX")
  roots+=("$root")
  tar -C "$root" --numeric-owner -xf "$tarball"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mount -t proc proc "$root/proc"
  mount --bind /sys "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  if mountpoint -q /dev/shm; then mount --bind /dev/shm "$root/dev/shm"; fi
  mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
  mkdir -p "$root/root/fenzogobbix"
  git -C "$src" archive "$commit" | tar -C "$root/root/fenzogobbix" -xf -
}

# The environment of a login shell in the root: nothing from this machine's session.
root_path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH="$root_path" TERM=dumb LANG=C.UTF-8 "$@"
}

# run.sh: the game must open its window on an X server, take a close request and end with
# status 0. The X server runs outside the root: X clients reach it through its abstract socket,
# which a chroot shares with this machine, so the root's own /tmp stays its own.
check_run() {
  local log=$root/tmp/run.log status=0
  # The inner shell passes on the DISPLAY the helper chose, and nothing else of this machine.
  # shellcheck disable=SC2016
  /usr/bin/python3 "$helper" run-and-close --window-timeout 3600 --exit-timeout 20 --log "$log" -- \
      /bin/bash -c 'exec chroot "$1" /usr/bin/env -i HOME=/root PATH="$2" TERM=dumb \
                      LANG=C.UTF-8 DISPLAY="$DISPLAY" SDL_AUDIODRIVER=dummy \
                      /bin/bash -c "cd /root/fenzogobbix && exec scripts/run.sh"' \
      _ "$root" "$root_path" &
  xsession_pid=$!
  wait "$xsession_pid" || status=$?
  xsession_pid=""
  if [ "$status" != 0 ]; then
    tail -n 40 "$log" >&2 2>/dev/null || true
    die "scripts/run.sh in a fresh root: status $status"
  fi
}

check_test() {
  local log=$root/tmp/test.log status=0
  in_root /bin/bash -c 'cd /root/fenzogobbix && scripts/test.sh' </dev/null >"$log" 2>&1 || status=$?
  if [ "$status" != 0 ]; then
    tail -n 60 "$log" >&2
    die "scripts/test.sh in a fresh root: status $status"
  fi
  # Every test ran and passed: ctest's own summary, with a count above nought.
  grep -E '^100% tests passed, 0 tests failed out of [1-9][0-9]*' "$log" \
    || { tail -n 30 "$log" >&2; die "scripts/test.sh passed without ctest's summary of passed tests"; }
}

for order in run-first test-first; do
  begin "$order: unpack the root"
  new_root "$order"
  end
  if [ "$order" = run-first ]; then
    begin "$order: scripts/run.sh"; check_run; end
    begin "$order: scripts/test.sh"; check_test; end
  else
    begin "$order: scripts/test.sh"; check_test; end
    begin "$order: scripts/run.sh"; check_run; end
  fi
done
say "both orders passed on a bare bookworm root ($commit)"
