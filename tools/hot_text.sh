#!/usr/bin/env bash
# Makes cli/hot_text.ld anew: builds songloom-cli without it, runs its
# usual commands under callgrind and lists the code they ran (see
# tools/hot_text.py). Run it after the engine or the command line changed
# much; the list only decides where code lies, never what it does.
# Usage: tools/hot_text.sh   (needs valgrind)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONGLOOM_TESTS=OFF \
  -DSONGLOOM_BENCH=OFF -DSONGLOOM_GUI=OFF -DSONGLOOM_HOT_TEXT=OFF -DSONGLOOM_LINK_MAP=ON >/dev/null
cmake --build "$work/build" --target songloom-cli >/dev/null
cli=$work/build/cli/songloom-cli

# A 256-bar song: the 64 bars of a demo song four times over.
{
  grep -v '^bar:' "$root/data/songs/ode_to_joy.txt"
  for _ in 1 2 3 4; do grep '^bar:' "$root/data/songs/ode_to_joy.txt"; done
} >"$work/long.txt"
"$cli" song-from-text "$work/long.txt" -o "$work/long.sld" >/dev/null
tune=$(find "$root/../shared/corpus" -name '*.mid' 2>/dev/null | sort | head -1)

n=0
profile() {
  n=$((n + 1))
  (cd "$work" && valgrind --tool=callgrind --callgrind-out-file="$work/profile.$n" "$cli" "$@" >/dev/null 2>&1)
}
profile version
profile render "$work/long.sld" -o "$work/long.mid" --seed 1
profile render "$root/data/songs/amazing_grace.sld" -o "$work/a.mid" --seed 2 --category 2 --style 3
profile render "$root/data/songs/drunken_sailor.sld" -o "$work/b.mid" --seed 3 --category 8 --style 2 \
  --intro 4 --ending on
if [[ -n $tune ]]; then
  profile midi convert "$tune" "$work/c.mid" --format 1
  profile import "$tune" -o "$work/d.sld"
fi
python3 "$root/tools/hot_text.py" "$work/build/cli/songloom-cli.map" "$cli" $(seq -f "$work/profile.%g" "$n") \
  >"$root/cli/hot_text.ld"
head -2 "$root/cli/hot_text.ld"
