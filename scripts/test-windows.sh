#!/usr/bin/env bash
# The Windows builds and their tests: the engine, the companion tool and the engine tests
# cross-built for 64-bit Windows (and for 32-bit Windows, which must build and link but
# cannot run here), every engine test program run under Wine, and the end-to-end check:
# the Windows tidemark2nv.exe under Wine and the Linux tidemark2nv import the same
# simulated week, batch-import a day's odds and export its CSV into two program
# folders, whose Data and CSV trees must be byte-identical. Finally the zip of the
# Windows tool. Each stage prints its time.
#
#   bash scripts/test-windows.sh            everything
#   bash scripts/test-windows.sh --no-x86   without the 32-bit build
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
x86=1
[ "${1:-}" = "--no-x86" ] && x86=0

bash scripts/install-deps.sh
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

stage_start=$SECONDS
stage() {
  echo "== ${1} ($((SECONDS - stage_start)) s since the start)"
}

stage "64-bit cross build"
cmake --preset windows-cross >/dev/null
cmake --build --preset windows-cross
if ((x86)); then
  stage "32-bit cross build"
  cmake --preset windows-cross-x86 >/dev/null
  cmake --build --preset windows-cross-x86
fi

# Wine: a prefix of our own under the build folder, its server stopped whatever happens.
build="$root/build/windows-cross"
wine=/usr/lib/wine/wine64
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
stage "Wine prefix"
mkdir -p "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1 || true

stage "engine tests under Wine"
failed=()
cd "$build"
for exe in bin/test_*.exe; do
  name=$(basename "$exe" .exe)
  start=$SECONDS
  if timeout 900 "$wine" "$exe" --gtest_brief=1 >"$build/$name.log" 2>&1; then
    echo "   $name passed ($((SECONDS - start)) s)"
  else
    echo "   $name FAILED ($((SECONDS - start)) s), its output:"
    tail -n 60 "$build/$name.log"
    failed+=("$name")
  fi
done
cd "$root"

stage "end to end: Linux tool and Windows tool, byte for byte"
linux_tool="$root/build/ci/bin/tidemark2nv"
if [ ! -x "$linux_tool" ]; then
  cmake --preset ci >/dev/null
  cmake --build --preset ci --target tidemark2nv
fi
e2e="$build/e2e"
rm -rf "$e2e"
mkdir -p "$e2e/linux" "$e2e/windows"
# A week of a simulated world of fixed seed, every file at hand at once.
world=${TIDEMARK_E2E_WORLD:-$'[NVSim]\r\nSeed=20240101\r\nFirstDay=20240108\r\nLastDay=20240114\r\nDownloadSpeed=0\r\n'}
day=${TIDEMARK_E2E_DAY:-20240112}
for side in linux windows; do printf '%s' "$world" >"$e2e/$side/NVSim.ini"; done
run_both() {
  "$linux_tool" --home "$e2e/linux" "$@" >"$e2e/linux.out" 2>>"$e2e/linux.err"
  "$wine" "$build/bin/tidemark2nv.exe" --home "Z:$e2e/windows" "$@" >"$e2e/windows.out" 2>>"$e2e/windows.err"
}
run_both import --since "2024/01/01 00:00:00"
run_both odds "$day"
run_both csv "$day" --kind 2 --minutes 5
e2e_ok=1
for tree in Data CSV; do
  count=$(find "$e2e/linux/$tree" -type f | wc -l)
  if [ "$count" -eq 0 ]; then
    echo "   no files in the Linux tool's $tree"
    e2e_ok=0
  elif diff -r "$e2e/linux/$tree" "$e2e/windows/$tree" >"$e2e/$tree.diff"; then
    echo "   $tree: $count files, byte-identical"
  else
    echo "   $tree differs:"
    head -n 20 "$e2e/$tree.diff"
    e2e_ok=0
  fi
done
((e2e_ok)) || failed+=("end-to-end")

stage "zip of the Windows tool"
(cd "$build" && cpack -G ZIP >/dev/null && ls -1 tidemark2nv-*.zip)

/usr/lib/wine/wineserver -k 2>/dev/null || true
stage "done"
if ((${#failed[@]})); then
  echo "Failed: ${failed[*]}"
  exit 1
fi
echo "All Windows tests passed."
