#!/bin/sh
# Exports an ED file as GLB with ed-load and takes a picture of it as a browser viewer shows it, or
# with --page=ID, of its HTML page with the instance ID selected:
#   tools/gltf-view/screenshot.sh [--page=ID] FILE.ed OUT.png [ed-load options...]
#   tools/gltf-view/screenshot.sh examples/pump/pump.ed docs/pump.png --up y
# Uses ED_LOAD (default build/bin/ed-load); installs Debian's chromium and this folder's pinned npm
# packages when they are missing.
set -e
format=glb; size=1200x800; selection=""
case "${1:-}" in --page=*) format=html; size=1400x900; selection=${1#--page=}; shift ;; esac
[ $# -ge 2 ] || { echo "usage: $0 [--page=ID] FILE.ed OUT.png [ed-load options...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
ed_load=${ED_LOAD:-$here/../../build/bin/ed-load}
file=$1; out=$2; shift 2

if ! command -v chromium >/dev/null 2>&1; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq chromium >/dev/null
fi
if [ ! -f "$here/node_modules/.package-lock.json" ] ||
   [ "$here/package-lock.json" -nt "$here/node_modules/.package-lock.json" ]; then
  npm ci --prefix "$here" --no-audit --no-fund --loglevel=error >/dev/null
fi

model=$(mktemp --suffix=.$format)
trap 'rm -f "$model"' EXIT
"$ed_load" --quiet --format $format -o "$model" "$@" "$file"
node "$here/screenshot.js" "$model" "$out" $size "$selection"
