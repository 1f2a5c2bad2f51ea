#!/usr/bin/env bash
# Takes a picture of the main window with a demo song loaded, under Xvfb.
#   scripts/screenshot.sh OUT.png [SONG.sld]
# SONG defaults to data/songs/ode_to_joy.sld. The app is built (Release) when
# SONGLOOM_APP does not name one. It starts in a temporary working folder that
# holds the song as its working song and the demo songs in Library/, saves its
# window once painted and quits; the files it writes when it shuts down are
# checked afterwards. Exits non-zero when any of that fails.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: scripts/screenshot.sh OUT.png [SONG.sld]}
song=${2:-$ROOT/data/songs/ode_to_joy.sld}
[[ $out = /* ]] || out="$(pwd)/$out"
[[ $song = /* ]] || song="$(pwd)/$song"

app=${SONGLOOM_APP:-}
if [[ -z $app ]]; then
  "$ROOT/songloom.sh" build songloom >/dev/null
  app="$ROOT/build/release/src/app/songloom"
fi
[[ -x $app ]] || { echo "screenshot: no app at $app" >&2; exit 1; }

work=$(mktemp -d /tmp/songloom-screenshot-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Library"
cp "$ROOT"/data/songs/*.sld "$work/Library/"
cp "$song" "$work/data.dat"   # the working song the app opens at start-up

rm -f "$out"
if ! (cd "$work" && timeout 90 xvfb-run -a -s '-screen 0 1600x1200x24' "$app" --screenshot "$out"); then
  echo "screenshot: the app ended with a failure" >&2
  exit 1
fi
[[ -s $out ]] || { echo "screenshot: no picture written" >&2; exit 1; }
for f in data.dat setup.ini chord.txt phrase.pdt; do
  [[ -s $work/$f ]] || { echo "screenshot: the app did not write $f when it quit" >&2; exit 1; }
done
echo "$out: $(file -b "$out")"
