#!/usr/bin/env bash
# The pictures and icons in the repository are exactly what the art generator
# draws from the game's own sizes and places (read from its headers): a
# moved button or a resized board cannot leave the art behind.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
/usr/bin/python3 "$root/tools/make_art.py" "$out" --icons "$out/icons" >/dev/null
status=0
for made in "$out"/*.bmp "$out"/icons/*.png; do
    kept="$root/gfx/${made#"$out"/}"
    [[ "$made" == */icons/* ]] && kept="$root/packaging/icons/${made##*/}"
    cmp -s "$made" "$kept" || { echo "differs from the generator's: $kept"; status=1; }
done
exit "$status"
