#!/usr/bin/env bash
# The web build's tests: builds the page (scripts/web.sh), then
#  - the web host's portable parts (GoogleTest, native),
#  - the replay regression on the headless host under node against the same replay built
#    natively (same dump, same image checksums) and against the stored dump,
#  - the page in Debian's headless Chromium (tests/web/browser_test.py).
# Installs what it needs. Ends with "N passed, N failed"; exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
web_build=${WEB_BUILD_DIR:-build-web}
native_build=${WEB_NATIVE_BUILD_DIR:-build-web-native}
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; }
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

scripts/deps.sh libgtest-dev chromium chromium-driver python3-selenium || { fail "installing the test tools"; finish; }

echo "== building the page"
if ! scripts/web.sh; then
  fail "scripts/web.sh"
  finish
fi
echo "== building the native side"
# Configured from web/, as it once was: configured afresh from the root.
if grep -qsx "CMAKE_PROJECT_NAME:STATIC=FenzoGobbixWeb" "$native_build/CMakeCache.txt"; then
  rm -rf "$native_build/CMakeCache.txt" "$native_build/CMakeFiles"
fi
if ! { cmake -S . -B "$native_build" -DFG_TESTS=ON -DFG_BENCH=OFF >/dev/null &&
       cmake --build "$native_build" -j"${JOBS:-2}" --target test_web_parts replay_runner fenzogobbix; }; then
  fail "the native build of the web parts and the replay runner"
  finish
fi

echo "== the web host's portable parts"
out=$("$native_build/tests/test_web_parts" 2>&1)
echo "$out" | grep -E '^\[ +(OK|FAILED) +\]' | grep -v ' tests\?, listed below' || true
ok=$(echo "$out" | grep -cE '^\[ +OK +\] ')
bad=$(echo "$out" | grep -E '^\[ +FAILED +\] .*\([0-9]+ ms\)$' -c)
passed=$((passed + ok))
failed=$((failed + bad))
if [ "$ok" -eq 0 ] && [ "$bad" -eq 0 ]; then fail "test_web_parts ran no test"; fi

echo "== the replays under node and natively"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export NODE_PATH=/usr/share/nodejs
for script in tests/fixtures/replay_*.txt; do
  name=$(basename "$script" .txt)
  expected=tests/fixtures/$name.expected
  if ! "$native_build/tests/replay_runner" "$script" >"$tmp/$name.native" ||
     ! node --no-experimental-fetch "$web_build/tests/replay_runner.js" "$script" >"$tmp/$name.node"; then
    fail "replay $name: a runner failed"
    continue
  fi
  # The dump carries a checksum of the window image at every checkpoint.
  images=$(grep -c ' image ' "$tmp/$name.node")
  if diff -u "$tmp/$name.native" "$tmp/$name.node" >"$tmp/$name.diff"; then
    pass "replay $name: node and native give the same dump and $images image checksums"
  else
    head -20 "$tmp/$name.diff"
    fail "replay $name: node and native differ"
  fi
  if diff -u "$expected" "$tmp/$name.node" >"$tmp/$name.stored.diff"; then
    pass "replay $name: the dump under node is the stored one"
  else
    head -20 "$tmp/$name.stored.diff"
    fail "replay $name: the dump under node differs from $expected"
  fi
done

echo "== the page in Chromium"
browser_out="$tmp/browser.txt"
/usr/bin/python3 tests/web/browser_test.py "$web_build/dist" ${WEB_SHOT:+--shot "$WEB_SHOT"} \
  --desktop "$native_build/fenzogobbix" |
  tee "$browser_out"
line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$browser_out" | tail -n1)
if [ -z "$line" ]; then
  fail "the browser tests did not finish"
else
  passed=$((passed + $(echo "$line" | cut -d' ' -f1)))
  failed=$((failed + $(echo "$line" | cut -d' ' -f3)))
fi
finish
