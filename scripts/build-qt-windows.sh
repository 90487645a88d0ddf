#!/usr/bin/env bash
# Qt 6 for 64-bit Windows (MinGW-w64), built here from Debian's own qtbase source package,
# because no Qt for Windows is among the packages this project reaches. Only what the
# program and its tests need: Core, Gui, Widgets, Test and the windows and offscreen
# platform plugins, as shared DLLs (the LGPL is met by shipping Qt's DLLs unchanged beside
# the program; a user may replace them).
#
# The result is kept outside the work tree, in a folder named after the Qt version, the
# target and a hash of this script and the toolchain file, so every later build on this
# machine reuses it:
#   ${TIDEMARK_CACHE:-~/.cache/tidemark2nv}/qt-6.4.2-x86_64-w64-mingw32-<hash>
#
#   bash scripts/build-qt-windows.sh             builds when missing; prints the folder last
#   bash scripts/build-qt-windows.sh --prefix    prints the folder only (built or not)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

qt_version=6.4.2
triple=x86_64-w64-mingw32
toolchain="$root/cmake/toolchains/mingw-w64-x86_64-qt.cmake"
cache=${TIDEMARK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tidemark2nv}
# What decides the build: the folder's hash is of these options and the toolchain file, so a
# change of either builds anew, and a change of anything else in this script does not.
# DirectWrite 3's font database is compiled into Qt Gui only with Direct2D, yet the windows
# platform plugin asks for it whenever the compiler has the header: with Direct2D off, it goes
# too (the plugin then uses the GDI font database, Qt 6.4's default on Windows anyway).
qt_options=(
  -DCMAKE_BUILD_TYPE=Release
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_freetype=ON -DFEATURE_harfbuzz=ON -DFEATURE_png=ON -DFEATURE_jpeg=OFF
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF -DFEATURE_accessibility=ON
  -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_gui=ON
)
hash=$({ echo "$qt_version $triple ${qt_options[*]}"; cat "$toolchain"; } | sha256sum | cut -c1-10)
prefix="$cache/qt-$qt_version-$triple-$hash"

if [ "${1:-}" = "--prefix" ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$prefix/.complete" ]; then
  echo "Qt $qt_version for $triple: cached"
  echo "$prefix"
  exit 0
fi

start=$SECONDS
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# The source package comes through apt from the archive the machine already uses: a
# deb-src entry beside each deb entry of the Debian sources, with its URIs and key.
sources=/etc/apt/sources.list.d/debian.sources
srcentry=/etc/apt/sources.list.d/tidemark-deb-src.sources
if ! apt-get source --download-only --print-uris qt6-base >/dev/null 2>&1; then
  if [ ! -f "$sources" ]; then
    echo "no $sources to take a deb-src entry from: add one for qt6-base by hand" >&2
    exit 1
  fi
  # The first stanza names the release's main archive; its Suites hold the release itself.
  awk 'BEGIN { RS = ""; ORS = "\n\n" } NR == 1 { sub(/Types: *deb/, "Types: deb-src"); print }' \
    "$sources" | "${sudo_cmd[@]}" tee "$srcentry" >/dev/null
  "${sudo_cmd[@]}" apt-get update -qq
fi

downloads="$cache/downloads"
mkdir -p "$downloads"
version=$(apt-cache showsrc qt6-base | awk -v v="$qt_version" '$1 == "Version:" && index($2, v) == 1 { print $2; exit }')
[ -n "$version" ] || { echo "no qt6-base $qt_version among the source packages" >&2; exit 1; }
(cd "$downloads" && apt-get source --download-only "qt6-base=$version" >/dev/null 2>&1)
dsc=$(ls "$downloads"/qt6-base_"$qt_version"*.dsc | tail -n 1)
orig=$(ls "$downloads"/qt6-base_"$qt_version"*.orig.tar.xz | tail -n 1)
# Every file the .dsc lists must match its SHA-256 there.
awk '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && NF == 3 { print $1 "  " $3 }' "$dsc" \
  >"$downloads/sha256"
[ -s "$downloads/sha256" ] || { echo "no checksums in $dsc" >&2; exit 1; }
(cd "$downloads" && sha256sum --quiet -c sha256)
echo "qt6-base source: $(basename "$orig"), checksums of $(basename "$dsc") match"

work="$cache/work-$hash"
rm -rf "$work"
mkdir -p "$work"
tar -xJf "$orig" -C "$work"
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)

# Host tools (moc, rcc, uic …) from Debian's own Qt of the same version.
cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  "${qt_options[@]}" \
  >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log" >&2; exit 1; }
echo "configured ($((SECONDS - start)) s)"
ninja -C "$work/build" >"$work/build.log" 2>&1 || { grep -m 3 -A 30 "^FAILED:" "$work/build.log" >&2 || tail -n 40 "$work/build.log" >&2; exit 1; }
echo "built ($((SECONDS - start)) s)"
rm -rf "$prefix"
cmake --install "$work/build" >"$work/install.log" 2>&1 || { tail -n 40 "$work/install.log" >&2; exit 1; }
cp "$src/LICENSES/LGPL-3.0-only.txt" "$prefix/" 2>/dev/null || true
echo "$qt_version $triple $hash $(date -u +%FT%TZ)" >"$prefix/.complete"
rm -rf "$work"
echo "Qt $qt_version for $triple: built in $((SECONDS - start)) s, $(du -sm "$prefix" | cut -f1) MB"
echo "$prefix"
