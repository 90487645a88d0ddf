#!/usr/bin/env bash
# Builds the engine and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang, the `asan` preset, no desktop program) and runs every engine test. Any report
# of either sanitizer fails the run: nothing recovers, leaks count.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang++ >/dev/null || { echo "test-sanitizers: clang++ is needed (Debian package clang)" >&2; exit 1; }
# The store tests write and flush thousands of small files; on a memory file system the
# flushes cost nothing, and the sanitizers already make every test slower.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
start=$(date +%s)
cmake --preset asan >/dev/null
cmake --build --preset asan -j2
built=$(date +%s)
ctest --preset asan -j2
end=$(date +%s)
echo "test-sanitizers: build $((built - start)) s, tests $((end - built)) s"
