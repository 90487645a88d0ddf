#!/usr/bin/env bash
# The installed companion tool works on the folder the installed window fills: installed
# beside the window and its marker, it defaults to the user's data folder.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/usr" >/dev/null
test -L "$tmp/usr/bin/tidemark2nv" || { echo "no tidemark2nv on the PATH of the installation"; exit 1; }
test -x "$tmp/usr/lib/tidemark2nv/tidemark2nv" || { echo "the tool is not installed beside the window"; exit 1; }
test -f "$tmp/usr/lib/tidemark2nv/Tidemark2NV.installed"
user="$tmp/home/.local/share/Tidemark2NV"
mkdir -p "$user/Data"
: > "$user/Data/2024年01月12日.nvRA"
out=$(cd / && env -u XDG_DATA_HOME HOME="$tmp/home" "$tmp/usr/bin/tidemark2nv" days)
if [ "$out" != "2024年01月12日" ]; then
  echo "installed tidemark2nv days printed: '$out'"
  exit 1
fi
echo "installed tool reads $user"
