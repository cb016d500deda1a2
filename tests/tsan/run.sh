#!/usr/bin/env bash
# The game's threads under ThreadSanitizer: the sound tests and the SDL-host tests, built with
# -fsanitize=thread. In them SDL's audio thread calls the music hook while the game thread
# starts, stops and swaps the tune and plays effects, and the audio opener thread opens the
# device while the host goes on without it until it needs the sound (SDL's disk and dummy audio
# drivers both run its audio thread).
# Fails on any data race, lock-order inversion or misuse of a lock that TSan reports. Nothing is
# suppressed: no report has come from inside a system library so far. Should one (SDL's or an
# audio back end's internals), list it in a suppressions file here, with its reason, and pass
# that file in TSAN_OPTIONS; a race in the game's own code is fixed, never suppressed.
#   BUILD_DIR   the build to use or make (default build-tsan)
#   CMAKE_ARGS  more configure options (for instance -DFG_WERROR=ON)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build-tsan}
# shellcheck disable=SC2086  # CMAKE_ARGS is a list of options
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFG_TESTS=ON -DFG_BENCH=OFF -DFG_TSAN=ON \
  ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)" --target test_sound test_sdl

export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
failed=0
for test in test_sound test_sdl; do
  started=$(date +%s)
  set +e
  SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null \
    "$build/tests/$test" --gtest_brief=1 >"$build/$test.tsan.log" 2>&1
  status=$?
  set -e
  grep -E '^\[  (PASSED|FAILED) |^SUMMARY: ThreadSanitizer' "$build/$test.tsan.log" || true
  if [ "$status" -ne 0 ] || grep -q '^WARNING: ThreadSanitizer' "$build/$test.tsan.log"; then
    grep -A40 -m1 '^WARNING: ThreadSanitizer' "$build/$test.tsan.log" ||
      tail -n 40 "$build/$test.tsan.log"
    echo "tsan: $test FAILED with status $status; full log: $build/$test.tsan.log"
    failed=1
  else
    echo "tsan: $test clean in $(($(date +%s) - started)) s"
  fi
done
exit "$failed"
