#!/usr/bin/env bash
# Fuzzes the music module loader: builds fuzz_xmp_module with clang++ and libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer against the system libxmp, seeds it from the
# game's tune (plus fuzz/regressions/, inputs that once failed) and runs it for a bounded number
# of executions or seconds, whichever ends first.
# Exits non-zero on a crash, a leak, a sanitizer report or a slow input.
#   FUZZ_DIR      where the binary, the corpus and any crash file go (default build-fuzz)
#   FUZZ_RUNS     executions (default 200000)
#   FUZZ_SECONDS  time bound in seconds (default 120)
#   FG_WERROR     set (CI sets it): the compiler's warnings are errors
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang libclang-rt-14-dev
out=${FUZZ_DIR:-build-fuzz}
cxx=${CXX_FUZZ:-clang++}
mkdir -p "$out/corpus"

# shellcheck disable=SC2046  # pkg-config's flags are meant to split
"$cxx" -std=c++20 -g -O1 -fno-omit-frame-pointer -Wall -Wextra -Wpedantic -Wshadow \
  ${FG_WERROR:+-Werror} \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I src fuzz/fuzz_xmp_module.cpp src/sound/xmp_module.cpp \
  $(pkg-config --cflags --libs libxmp) -o "$out/fuzz_xmp_module"

rm -rf "$out/seeds"
/usr/bin/python3 fuzz/make_corpus.py assets/FenzoGobbix.snd "$out/seeds"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
set +e
"$out/fuzz_xmp_module" -runs="${FUZZ_RUNS:-200000}" -max_total_time="${FUZZ_SECONDS:-120}" \
  -max_len=120000 -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 -print_final_stats=1 \
  -artifact_prefix="$out/" "$out/corpus" "$out/seeds" fuzz/regressions >"$out/fuzz.log" 2>&1
status=$?
set -e
# The progress lines are many; what matters is the end: the stats, or the crash and its input.
grep -v -E '^#[0-9]+.*(NEW|REDUCE|pulse|RELOAD)' "$out/fuzz.log" | tail -n 80
if [ "$status" -ne 0 ]; then
  echo "fuzz: FAILED with status $status; the input that failed is in $out/ (crash-*, leak-*, timeout-*)"
else
  echo "fuzz: $(grep -E '^stat::number_of_executed_units' "$out/fuzz.log" | awk '{print $2}') executions, no crash, no leak"
fi
exit "$status"
