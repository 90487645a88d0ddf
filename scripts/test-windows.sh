#!/usr/bin/env bash
# The Windows builds and their tests: the program, the engine, the companion tool and every
# test cross-built for 64-bit Windows (and the engine's tool and bridge for 32-bit Windows,
# which must build and link but cannot run here: its bridge goes into the installer), every test program run
# under Wine, and the end-to-end checks: the Windows tidemark2nv.exe under Wine and the Linux
# tidemark2nv import the same simulated week, batch-import a day's odds, export its CSV and
# its season tables into two program folders, whose files must be byte-identical. Then the
# provider's component through COM, played by the stand-in of tests/nvcom, in process and
# through the bridge; and the window itself: installed from its installer under Wine,
# started on a virtual display, driven, photographed and its store compared with the Linux
# window's (scripts/test-windows-window.sh). Each stage prints its time.
#
#   bash scripts/test-windows.sh               what CI runs
#   bash scripts/test-windows.sh --x86-tests   also every test program for 32-bit Windows
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
x86_tests=0
[ "${1:-}" = "--x86-tests" ] && x86_tests=1

bash scripts/install-deps.sh
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

stage_start=$SECONDS
stage() {
  echo "== ${1} ($((SECONDS - stage_start)) s since the start)"
}

stage "64-bit build: program, tool, tests, installer (scripts/build-windows.sh)"
bash scripts/build-windows.sh
build="$root/build/windows-desktop"
stage "32-bit cross build"
# Built and linked, not run (this Wine is 64-bit only): the bridge (built above for the
# installer) and the companion tool, which links the whole engine; --x86-tests adds every
# test program.
cmake --preset windows-cross-x86 >/dev/null
if ((x86_tests)); then
  cmake --build --preset windows-cross-x86
else
  cmake --build --preset windows-cross-x86 --target tidemark2nv tidemark2nv-link
fi

# Wine: a prefix of our own under the build folder, its server stopped whatever happens.
wine=/usr/lib/wine/wine64
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
unset WAYLAND_DISPLAY
# The GUI tests draw through Qt's windows platform plugin, as the installed program does, on
# a virtual display of their own (Qt's off-screen plugin on Windows does not hide a modal
# dialog that is done, so it would test the plugin rather than the program).
gui_display=""
for n in $(seq 60 89); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then gui_display=":$n"; break; fi
done
Xvfb "$gui_display" -screen 0 1280x1024x24 -nolisten tcp >"$build/xvfb-tests.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${gui_display#:}" ] && break; sleep 0.1; done
# Wine's desktop is made for the display it first meets: every Wine program of these stages
# runs on this one.
export DISPLAY="$gui_display"
trap 'kill $xvfb_pid 2>/dev/null || true; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
stage "Wine prefix"
# From scratch: nothing registered by an earlier run (the COM stage registers a stand-in).
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1 || true

stage "engine tests under Wine"
failed=()
cd "$build"
for exe in bin/test_*.exe; do
  name=$(basename "$exe" .exe)
  start=$SECONDS
  if timeout 600 "$wine" "$exe" --gtest_brief=1 >"$build/$name.log" 2>&1; then
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
# The season tables as SQLite (compiled in on Windows from the same SQLite source) and CSV.
for side in linux windows; do mkdir -p "$e2e/$side/Season/csv"; done
"$linux_tool" --home "$e2e/linux" export --from 20240108 --to 20240114 --out "$e2e/linux/Season/season.sqlite" \
  >"$e2e/linux.sqlite.out" 2>&1
"$wine" "$build/bin/tidemark2nv.exe" --home "Z:$e2e/windows" export --from 20240108 --to 20240114 \
  --out "Z:$e2e/windows/Season/season.sqlite" >"$e2e/windows.sqlite.out" 2>&1
"$linux_tool" --home "$e2e/linux" export --from 20240108 --to 20240114 --format csv --out "$e2e/linux/Season/csv" \
  >>"$e2e/linux.out" 2>>"$e2e/linux.err"
"$wine" "$build/bin/tidemark2nv.exe" --home "Z:$e2e/windows" export --from 20240108 --to 20240114 --format csv \
  --out "Z:$e2e/windows/Season/csv" >>"$e2e/windows.out" 2>>"$e2e/windows.err"
e2e_ok=1
# The SQLite files hold the same rows (each tool reports the rows of every day it wrote);
# their bytes differ where Debian's library was built with other options (secure delete)
# and in the export's own time stamp, which the tables' meta row and meta.csv carry.
# (The Windows tool ends its lines with CR LF, as a Windows console program does.)
grep "days done" "$e2e/linux.sqlite.out" | tr -d '\r' >"$e2e/linux.sqlite.rows" || true
grep "days done" "$e2e/windows.sqlite.out" | tr -d '\r' >"$e2e/windows.sqlite.rows" || true
if [ -s "$e2e/linux.sqlite.rows" ] && cmp -s "$e2e/linux.sqlite.rows" "$e2e/windows.sqlite.rows" &&
  [ -s "$e2e/windows/Season/season.sqlite" ]; then
  echo "   season.sqlite: the same rows, day by day"
else
  echo "   season.sqlite differs:"
  diff "$e2e/linux.sqlite.rows" "$e2e/windows.sqlite.rows" | head -n 10 || true
  e2e_ok=0
fi
for tree in Data CSV Season; do
  count=$(find "$e2e/linux/$tree" -type f | wc -l)
  if [ "$count" -eq 0 ]; then
    echo "   no files in the Linux tool's $tree"
    e2e_ok=0
  elif diff -r -x season.sqlite -x meta.csv "$e2e/linux/$tree" "$e2e/windows/$tree" >"$e2e/$tree.diff"; then
    echo "   $tree: $count files, byte-identical"
  else
    echo "   $tree differs:"
    head -n 20 "$e2e/$tree.diff"
    e2e_ok=0
  fi
done
((e2e_ok)) || failed+=("end-to-end")

stage "the provider's component through COM: the stand-in's two variants, in process and through the bridge"
# tests/nvcom's stand-in serves a one-day simulated world under the provider's ProgID. For
# each variant, the Windows tool's import, batch odds import and results fetch with
# --service com and --service bridge must give the store of --service sim byte for byte;
# a component failing with an HRESULT or raising an exception must leave every file whole.
com="$build/com"
rm -rf "$com"
com_world=$'[NVSim]\r\nSeed=20240101\r\nFirstDay=20240112\r\nLastDay=20240112\r\nDownloadSpeed=3\r\n'
com_day=20240112
com_ok=1
# The bridge beside the tool serves the component; named in each home's settings.
com_ini=$'[DataService]\r\nBridge="Z:'"$build"$'/bin/tidemark2nv-link.exe"\r\n'
com_home() {
  mkdir -p "$1"
  printf '%s' "$com_world" >"$1/NVSim.ini"
  printf '%s' "$com_ini" >"$1/Tidemark2NV.ini"
}
com_tool() { # home service args...
  local home=$1 service=$2
  shift 2
  TIDEMARK_STANDIN_HOME="Z:$home" "$wine" "$build/bin/tidemark2nv.exe" --home "Z:$home" --service "$service" "$@" \
    >>"$home.out" 2>>"$home.err"
}
com_steps() { # home service
  com_tool "$1" "$2" import --since "2024/01/01 00:00:00" && com_tool "$1" "$2" odds "$com_day" &&
    com_tool "$1" "$2" results "$com_day"
}
com_home "$com/sim"
com_steps "$com/sim" sim || { echo "   the simulated service's run failed"; com_ok=0; }
for variant in a b; do
  "$wine" regsvr32 /s "Z:$build/standin/nvlink_standin_$variant.dll"
  for service in com bridge; do
    home="$com/$variant-$service"
    com_home "$home"
    start=$SECONDS
    if com_steps "$home" "$service" && grep -q "data service: the provider's component" "$home.err" &&
      diff -r "$com/sim/Data" "$home/Data" >"$home.diff"; then
      echo "   variant $variant, $service: $(find "$home/Data" -type f | wc -l) files byte-identical ($((SECONDS - start)) s)"
    else
      echo "   variant $variant, $service: FAILED"
      tail -n 5 "$home.err"
      head -n 10 "$home.diff" 2>/dev/null || true
      com_ok=0
    fi
  done
done
# Faults, on the store the simulated service wrote: the batch odds import again, its
# component failing from the 300th record read on. The races it reaches keep their files.
for fault in "com NVRead:hresult:300 NV-Link（NVRead）：呼び出しが失敗しました。（HRESULT 0x80004005）(-1003)" \
  "bridge NVRead:exception:300 ブリッジ（NVRead）：コンポーネントの呼び出しがCOMのエラーで失敗しました。(-1004)"; do
  read -r service spec line <<<"$fault"
  home="$com/fault-$service"
  rm -rf "$home"
  cp -r "$com/sim" "$home"
  rm -f "$home/ErrorLog.txt"
  : >"$home/ErrorLog.txt"
  code=0
  TIDEMARK_STANDIN_FAULT="$spec" com_tool "$home" "$service" odds "$com_day" || code=$?
  # Through a file: grep -q ending the pipe early would fail it under pipefail.
  iconv -f CP932 -t UTF-8 "$home/ErrorLog.txt" >"$home.log"
  if [ "$code" -eq 5 ] && grep -qF "$line" "$home.log" &&
    diff -r "$com/sim/Data" "$home/Data" >"$home.diff"; then
    echo "   $spec through $service: the service error (exit 5), its error-log line, every file whole"
  else
    echo "   $spec through $service: FAILED (exit $code)"
    tail -n 5 "$home.err"
    tail -n 3 "$home.log"
    head -n 10 "$home.diff" 2>/dev/null || true
    com_ok=0
  fi
done
# The component's own error code (the simulated world's fault matrix) through COM: the
# same messages and the same store as from the simulated service in process.
own=$'[Fault1]\r\nCall=NVRead\r\nCode=-502\r\nAt=150\r\nCount=3\r\n'
for service in sim com; do
  home="$com/own-$service"
  rm -rf "$home"
  cp -r "$com/sim" "$home"
  rm -f "$home.out" "$home.err"
  printf '%s' "$own" >>"$home/NVSim.ini"
  com_tool "$home" "$service" odds "$com_day" || true
  grep -v "data service:" "$home.err" >"$home.messages" || true
done
if [ -s "$com/own-sim.messages" ] && grep -q -- "-502" "$com/own-sim.messages" &&
  cmp -s "$com/own-sim.messages" "$com/own-com.messages" && cmp -s "$com/own-sim.out" "$com/own-com.out" &&
  diff -r "$com/own-sim/Data" "$com/own-com/Data" >/dev/null; then
  echo "   the component's own error -502 through com: the simulated service's messages and store"
else
  echo "   the component's own error -502 through com: FAILED"
  diff "$com/own-sim.messages" "$com/own-com.messages" | head -n 10 || true
  com_ok=0
fi
"$wine" regsvr32 /s /u "Z:$build/standin/nvlink_standin_b.dll"
((com_ok)) || failed+=("com")

stage "the window under Wine: installer, start, import, a race, pictures, the store"
/usr/lib/wine/wineserver -k 2>/dev/null || true
kill $xvfb_pid 2>/dev/null || true
(unset DISPLAY; bash scripts/test-windows-window.sh) || failed+=("window")

/usr/lib/wine/wineserver -k 2>/dev/null || true
stage "done"
if ((${#failed[@]})); then
  echo "Failed: ${failed[*]}"
  exit 1
fi
echo "All Windows tests passed."
