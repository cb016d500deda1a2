#!/usr/bin/env bash
# The set-up scripts against stand-ins for apt, sudo, cmake and ctest, which record how they
# were called: what scripts/deps.sh installs and how, with and without root or sudo, and how
# scripts/run.sh and scripts/test.sh share (or not) a build.
set -uo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/fg-setup-scripts.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
checks=0
check() {  # check WHAT COMMAND...: counts, and reports when COMMAND fails
  local what=$1
  shift
  checks=$((checks + 1))
  if ! "$@"; then
    echo "FAIL: $what" >&2
    failures=$((failures + 1))
  fi
}

# A PATH of stand-ins plus the few real tools deps.sh needs (and no sudo unless asked).
# make_path DIR UID ALL_INSTALLED [sudo]
make_path() {
  local dir=$1 uid=$2 installed=$3 t
  mkdir -p "$dir"
  for t in bash env grep cat; do ln -sf "$(command -v "$t")" "$dir/$t"; done
  cat >"$dir/id" <<ID
#!/bin/bash
[ "\${1:-}" = -u ] && echo $uid
ID
  # Either every package is installed, or none is.
  if [ "$installed" = yes ]; then
    printf '#!/bin/bash\necho -n "install ok installed"\n' >"$dir/dpkg-query"
  else
    printf '#!/bin/bash\nexit 1\n' >"$dir/dpkg-query"
  fi
  cat >"$dir/apt-get" <<'APT'
#!/bin/bash
echo "DEBIAN_FRONTEND=${DEBIAN_FRONTEND:-} uid=$(id -u) apt-get $*" >> "$FG_LOG"
APT
  if [ "${4:-}" = sudo ]; then
    # Like sudo: the command runs as root with a reset environment.
    cat >"$dir/sudo" <<SUDO
#!/bin/bash
echo "sudo \$*" >> "\$FG_LOG"
printf '#!/bin/bash\necho 0\n' > "$dir/id"
exec /usr/bin/env -i PATH="\$PATH" FG_LOG="\$FG_LOG" "\$@"
SUDO
  fi
  chmod +x "$dir"/*
}

deps() {  # deps PATHDIR LOG [packages]: runs deps.sh with only the stand-ins on PATH
  local dir=$1 log=$2
  shift 2
  : >"$log"
  env -i PATH="$dir" FG_LOG="$log" /bin/bash "$src/scripts/deps.sh" "$@"
}

# ---- as root, nothing installed: apt-get installs a build tool with the rest, non-interactively
make_path "$work/root" 0 no
deps "$work/root" "$work/root.log" >"$work/root.out" 2>&1
check "deps.sh as root exits 0" [ $? = 0 ]
install=$(grep ' install ' "$work/root.log")
check "apt-get install is run" [ -n "$install" ]
check "a build tool (make or ninja-build) is installed, not left to cmake's recommends: $install" \
  grep -qE ' (make|ninja-build)( |$)' <<<"$install"
for p in cmake g++ pkg-config libsdl2-dev libsdl2-mixer-dev libxmp-dev libstb-dev; do
  check "$p is installed" grep -q " $p\( \|$\)" <<<"$install"
done
check "every apt-get runs with DEBIAN_FRONTEND=noninteractive" \
  bash -c '! grep -v "^DEBIAN_FRONTEND=noninteractive " "$1"' _ "$work/root.log"
check "apt-get update runs before the install" grep -q 'apt-get update' "$work/root.log"

# ---- through sudo: sudo resets the environment, the front end must still reach apt-get
make_path "$work/sudo" 1000 no sudo
deps "$work/sudo" "$work/sudo.log" >"$work/sudo.out" 2>&1
check "deps.sh through sudo exits 0" [ $? = 0 ]
check "apt-get runs through sudo" grep -q '^sudo ' "$work/sudo.log"
check "apt-get gets DEBIAN_FRONTEND=noninteractive through sudo: $(grep apt-get "$work/sudo.log" | head -n 2)" \
  bash -c 'grep "apt-get install" "$1" | grep -q "^DEBIAN_FRONTEND=noninteractive uid=0 "' _ "$work/sudo.log"

# ---- neither root nor sudo: one line naming the packages, non-zero, nothing run
make_path "$work/user" 1000 no
deps "$work/user" "$work/user.log" extra-package >"$work/user.out" 2>"$work/user.err"
status=$?
check "deps.sh without root or sudo fails" [ "$status" != 0 ]
check "without root or sudo, exactly one line on standard error: $(cat "$work/user.err")" \
  [ "$(wc -l <"$work/user.err")" = 1 ]
for p in make cmake libsdl2-dev extra-package; do
  check "the line names $p" grep -q " $p\( \|$\)" "$work/user.err"
done
check "the line says to run as root" grep -q 'root' "$work/user.err"
check "nothing was run without root" [ ! -s "$work/user.log" ]

# ---- everything present: nothing to do, not even as a plain user
make_path "$work/done" 1000 yes
deps "$work/done" "$work/done.log" >"$work/done.out" 2>&1
check "deps.sh with everything installed exits 0 without root" [ $? = 0 ]
check "and runs nothing" [ ! -s "$work/done.log" ]

# ---- run.sh, then test.sh, in a copy of the scripts with cmake and ctest standing in
tree=$work/tree
mkdir -p "$tree/scripts" "$tree/tests/setup" "$work/tools"
cp "$src"/scripts/{deps,run,test}.sh "$tree/scripts/"
printf '#!/bin/bash\n' >"$tree/tests/setup/check_unit_tests.py"
cat >"$work/tools/cmake" <<'CMAKE'
#!/bin/bash
echo "cmake $*" >> "$FG_LOG"
if [ "$1" = --build ]; then
  mkdir -p "$2" && printf '#!/bin/sh\nexit 0\n' > "$2/fenzogobbix" && chmod +x "$2/fenzogobbix"
fi
CMAKE
printf '#!/bin/bash\necho "ctest $*" >> "$FG_LOG"\n' >"$work/tools/ctest"
printf '#!/bin/bash\necho 2\n' >"$work/tools/nproc"
chmod +x "$work/tools"/* "$tree"/tests/setup/check_unit_tests.py
make_path "$work/tools" 0 yes
: >"$work/build.log"
(cd "$tree" && env -i PATH="$work/tools:/usr/bin:/bin" FG_LOG="$work/build.log" scripts/run.sh \
   && env -i PATH="$work/tools:/usr/bin:/bin" FG_LOG="$work/build.log" scripts/test.sh) \
  >"$work/tree.out" 2>&1
check "run.sh then test.sh with stand-ins exit 0: $(tail -n 3 "$work/tree.out")" [ $? = 0 ]
configures=$(grep '^cmake -S' "$work/build.log")
run_dir=$(sed -n '1s/.* -B \([^ ]*\).*/\1/p' <<<"$configures")
test_line=$(sed -n '2p' <<<"$configures")
test_dir=$(sed 's/.* -B \([^ ]*\).*/\1/' <<<"$test_line")
test_flag=$(grep -o -- '-DFG_TESTS=[A-Za-z]*' <<<"$test_line" | tail -n 1)
check "test.sh builds its tests apart from run.sh's build ($run_dir) or configures them on ($test_line)" \
  bash -c '[ "$1" != "$2" ] || [ "$3" = -DFG_TESTS=ON ]' _ "$run_dir" "$test_dir" "$test_flag"
check "test.sh configures the tests on explicitly: $test_line" [ "$test_flag" = -DFG_TESTS=ON ]
check "ctest treats an empty selection as an error: $(grep '^ctest' "$work/build.log")" \
  grep -q '^ctest .*--no-tests=error' "$work/build.log"

echo "test_scripts: $checks checks, $failures failed"
[ "$failures" = 0 ]
