#!/usr/bin/env bash
# The window on Windows as a user meets it, under Wine beside the Linux window, each on a
# virtual X display of its own (Xvfb, no window manager):
#   1. the installer run silently in a Wine prefix of this test (/S); its files, its Start
#      menu entry and the marker that sends the program's files to %LOCALAPPDATA%\Tidemark2NV
#      checked;
#   2. Tidemark2NV.exe started from where it installed (Qt's windows platform plugin) and
#      the Linux window (build/ci) started from a folder of its own, over the same simulated
#      world, and driven alike with keys (xdotool): データ取得, データ取込, the import, the
#      window closed, a day, a race, the pages; pictures of both displays after each step
#      (window-test/shots/<step>-linux.png and -windows.png);
#   3. the two stores compared byte for byte, and the time from the start to the window
#      shown of each (the pictures are for a person to compare: the same race, the same
#      texts, Japanese glyphs drawn);
#   4. the uninstaller run: the program gone, the user's files still there.
# Xvfb and Wine's server are started here and stopped at the end, whatever happens.
# Needs scripts/build-windows.sh (the installer) and the Linux build build/ci first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
desk="$root/build/windows-desktop"
grab="$root/build/ci/tools/tidemark_screen_grab"
linux_exe="$root/build/ci/bin/Tidemark2NV"
out="$desk/window-test"
setup=$(ls "$desk"/tidemark2nv-*-win64-setup.exe | tail -n 1)
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$grab" ] && [ -x "$linux_exe" ] || cmake --build --preset ci --target Tidemark2NV tidemark_screen_grab

rm -rf "$out"
mkdir -p "$out/shots" "$out/linux"
export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  "$wineserver" -k 2>/dev/null || true
}
trap cleanup EXIT
failures=()
fail() {
  echo "   FAILED: $*"
  failures+=("$1")
}

# Two free display numbers, one display each.
displays=()
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then displays+=("$n"); fi
  [ ${#displays[@]} -eq 2 ] && break
done
for n in "${displays[@]}"; do
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$out/xvfb-$n.log" 2>&1 &
  pids+=($!)
done
for n in "${displays[@]}"; do
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
done
linux_display=":${displays[0]}"
windows_display=":${displays[1]}"

# The same simulated world for both; the import starts at the world's first day.
world=$'[NVSim]\r\nSeed=20240101\r\nFirstDay=20240108\r\nLastDay=20240114\r\nDownloadSpeed=0\r\n'
settings=$'[NvDataGet]\r\nLastTime=2024/01/01 00:00:00\r\n'

echo "   installing $(basename "$setup") under Wine"
"$wine" wineboot -i >/dev/null 2>&1 || true
start=$SECONDS
"$wine" "Z:$setup" /S >"$out/setup.log" 2>&1 || fail install "the installer exited $?"
"$wineserver" -w
echo "   installed in $((SECONDS - start)) s"
installed="$WINEPREFIX/drive_c/Program Files/Tidemark2NV"
for f in Tidemark2NV.exe tidemark2nv-cli.exe tidemark2nv-link.exe uninstall.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll \
  platforms/qwindows.dll libstdc++-6.dll Tidemark2NV.installed Tidemark2NV.pdf Qt-LGPL-3.0.txt; do
  [ -f "$installed/$f" ] || fail install "no $f in Program Files\\Tidemark2NV"
done
menu=$(find "$WINEPREFIX/drive_c" -name "Tidemark２ for 地方競馬.lnk" | head -n 1)
[ -n "$menu" ] && echo "   Start menu entry: ${menu#"$WINEPREFIX/drive_c/"}" || fail install "no Start menu entry"
user=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
user_home="$user/AppData/Local/Tidemark2NV"
mkdir -p "$user_home"
printf '%s' "$world" >"$user_home/NVSim.ini"
printf '%s' "$settings" >"$user_home/Tidemark2NV.ini"
cp "$linux_exe" "$out/linux/"
printf '%s' "$world" >"$out/linux/NVSim.ini"
printf '%s' "$settings" >"$out/linux/Tidemark2NV.ini"

# Keys for the window of that name on that display, once it is there and has the focus.
keys() { # display window-name key...
  local display=$1 name=$2
  shift 2
  local w
  w=$(DISPLAY=$display timeout 120 xdotool search --sync --onlyvisible --name "$name" | head -n 1)
  [ -n "$w" ] || return 1
  DISPLAY=$display xdotool mousemove --window "$w" 5 5 windowfocus --sync "$w"
  sleep 0.5
  DISPLAY=$display xdotool key --delay 200 "$@"
}
shot() { # step
  DISPLAY=$linux_display "$grab" "$out/shots/$1-linux.png" 2>/dev/null || fail shots "no picture of the Linux display"
  DISPLAY=$windows_display "$grab" "$out/shots/$1-windows.png" 2>/dev/null || fail shots "no picture of the Windows display"
}
# Waits until the store's file count stops changing (an import ends).
settle() { # folder
  local last=-1 now stable=0
  for _ in $(seq 600); do
    now=$(find "$1" -type f 2>/dev/null | wc -l)
    if [ "$now" -gt 0 ] && [ "$now" -eq "$last" ]; then stable=$((stable + 1)); else stable=0; fi
    [ "$stable" -ge 3 ] && return 0
    last=$now
    sleep 1
  done
  return 1
}
main="Tidemark２ for 地方競馬"

echo "   starting both windows"
t0=$(date +%s.%N)
(cd "$out/linux" && DISPLAY=$linux_display QT_QPA_PLATFORM=xcb exec ./Tidemark2NV >"$out/linux.log" 2>&1) &
pids+=($!)
DISPLAY=$linux_display timeout 120 xdotool search --sync --onlyvisible --name "$main" >/dev/null || fail start "no Linux window"
t1=$(date +%s.%N)
(DISPLAY=$windows_display exec "$wine" "C:\\Program Files\\Tidemark2NV\\Tidemark2NV.exe" >"$out/windows.log" 2>&1) &
pids+=($!)
DISPLAY=$windows_display timeout 180 xdotool search --sync --onlyvisible --name "$main" >/dev/null || fail start "no Windows window"
t2=$(date +%s.%N)
awk -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN { printf "   start to the window shown: Linux %.1f s, Wine %.1f s\n", b - a, c - b }'
sleep 3
shot 1-started
# The help menu opens the manual from the user's folder.
[ -f "$user_home/Tidemark2NV.pdf" ] || fail manual "no manual in %LOCALAPPDATA%\\Tidemark2NV"

for side in linux windows; do
  d=$linux_display
  [ "$side" = windows ] && d=$windows_display
  # データ取得 has the focus first; データ取込 in its window; the box before the import: OK.
  keys "$d" "$main" space || fail drive "$side: no main window"
  keys "$d" "データ取込" space || fail drive "$side: no import window"
  sleep 2
  DISPLAY=$d xdotool key Return
done
settle "$out/linux/Data" || fail import "the Linux import did not end"
settle "$user_home/Data" || fail import "the Windows import did not end"
shot 2-imported
for side in linux windows; do
  d=$linux_display
  [ "$side" = windows ] && d=$windows_display
  keys "$d" "データ取込" Escape || fail drive "$side: the import window did not close"
  sleep 3
  # The day list (eighth in the focus chain), its next day; the race list (five on), its next race.
  keys "$d" "$main" Tab Tab Tab Tab Tab Tab Tab Tab Down || fail drive "$side: no day list"
  sleep 2
  DISPLAY=$d xdotool key --delay 200 Tab Tab Tab Tab Tab Down
done
sleep 3
shot 3-race

# The store the Windows window wrote is the Linux window's, byte for byte.
if diff -r "$out/linux/Data" "$user_home/Data" >"$out/store.diff"; then
  echo "   store: $(find "$out/linux/Data" -type f | wc -l) files byte-identical"
else
  fail store "the stores differ: $(head -n 5 "$out/store.diff")"
fi

echo "   uninstalling"
"$wineserver" -k 2>/dev/null || true
"$wine" "C:\\Program Files\\Tidemark2NV\\uninstall.exe" /S >>"$out/setup.log" 2>&1 || fail uninstall "the uninstaller exited $?"
"$wineserver" -w
[ -z "$(find "$WINEPREFIX/drive_c" -name "Tidemark２ for 地方競馬.lnk")" ] || fail uninstall "the Start menu entry is still there"
[ ! -e "$installed/Tidemark2NV.exe" ] || fail uninstall "the program is still there"
[ -f "$user_home/Tidemark2NV.ini" ] && [ -d "$user_home/Data" ] || fail uninstall "the user's files are gone"
echo "   pictures: $out/shots"
if ((${#failures[@]})); then
  echo "   window test failed: ${failures[*]}"
  exit 1
fi
echo "   window test passed"
