#!/usr/bin/env bash
# Builds what a Windows user downloads, from a clean clone on Debian:
#   build/windows-desktop/tidemark2nv-<version>-win64-setup.exe     the installer
#   build/windows-desktop/tidemark2nv-<version>-win64-portable.zip  the portable zip
# and, in build/windows-desktop/bin, the program, the tool and every test program for Windows.
#
# Steps (each reuses what an earlier run made): Qt for Windows (scripts/build-qt-windows.sh,
# kept in a cache folder outside the tree; about half an hour the first time), SQLite's
# amalgamation (scripts/build-sqlite-amalgamation.sh, also cached), the 32-bit bridge
# (preset windows-cross-x86), the manual Tidemark2NV.pdf (made by the Linux build, preset
# ci), then the preset windows-desktop and its installer and zip. Each step prints its time.
#
#   bash scripts/build-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
start=$SECONDS
step() { echo "== ${1} ($((SECONDS - start)) s since the start)"; }

step "Qt for Windows"
qt=$(bash scripts/build-qt-windows.sh | tail -n 1)
step "SQLite amalgamation"
sqlite=$(bash scripts/build-sqlite-amalgamation.sh | tail -n 1)

step "32-bit bridge"
cmake --preset windows-cross-x86 >/dev/null
cmake --build --preset windows-cross-x86 --target tidemark2nv-link
bridge32="$root/build/windows-cross-x86/bin/tidemark2nv-link.exe"

step "the manual (Linux build)"
if [ ! -f build/ci/CMakeCache.txt ]; then
  cmake --preset ci >/dev/null
fi
QT_QPA_PLATFORM=offscreen cmake --build --preset ci --target manual
manual="$root/build/ci/bin/Tidemark2NV.pdf"

step "the Windows program, tool and tests"
TIDEMARK_QT_WINDOWS="$qt" cmake --preset windows-desktop -DTIDEMARK_QT_WINDOWS="$qt" \
  -DTIDEMARK_SQLITE_AMALGAMATION="$sqlite" -DTIDEMARK_BRIDGE32_EXE="$bridge32" \
  -DTIDEMARK_MANUAL_PDF_FILE="$manual" >"$root/build/windows-desktop.configure.log" 2>&1 ||
  { tail -n 40 "$root/build/windows-desktop.configure.log" >&2; exit 1; }
cmake --build --preset windows-desktop

step "installer and portable zip"
cmake --build --preset windows-desktop --target installer
(cd build/windows-desktop && cpack -G ZIP >/dev/null)
ls -1 build/windows-desktop/tidemark2nv-*-setup.exe build/windows-desktop/tidemark2nv-*-portable.zip
step "done"
