#!/usr/bin/env bash
# A user's first hour in one run: renders every demo song in one style of
# each category to MIDI and WAV, imports a MIDI file, draws a page, starts the
# app under Xvfb, takes a screenshot and quits. One line per step.
# Run after ./songloom.sh test (it builds the Release tree itself).
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
./songloom.sh build >/dev/null 2>&1 || { echo "FAIL build"; exit 1; }
CLI="$ROOT/build/release/cli/songloom-cli"
APP="$ROOT/build/release/src/app/songloom"
OUT=$(mktemp -d /tmp/songloom-smoke-XXXXXX)
failures=0

step() {  # name, command...
  local name=$1; shift
  if "$@" >"$OUT/step.log" 2>&1; then
    echo "ok   $name"
  else
    echo "FAIL $name ($(tail -1 "$OUT/step.log"))"
    failures=$((failures + 1))
  fi
}

wav_ok() {  # a WAV that is neither silent nor clipped
  local stats; stats=$(sox "$1" -n stat 2>&1) || return 1
  local peak; peak=$(awk '/Maximum amplitude/ {print $3}' <<<"$stats")
  awk -v p="$peak" 'BEGIN { exit !(p > 0.001 && p < 0.999) }'
}

render_song() {  # song, category, style
  local base; base=$(basename "$1" .sld)-$2-$3
  "$CLI" render "$1" -o "$OUT/$base.mid" --category "$2" --style "$3" --seed 1 &&
    "$CLI" wav "$OUT/$base.mid" -o "$OUT/$base.wav" && wav_ok "$OUT/$base.wav"
}

# The first named style of each category.
for category in 0 1 2 3 4 5 6 7 8; do
  for song in "$ROOT"/data/songs/*.sld; do
    step "render $(basename "$song") in style $category/1 to MIDI and WAV" render_song "$song" "$category" 1
  done
done

corpus="$ROOT/../shared/corpus/nottingham-dev/midi"
if [[ -d $corpus ]]; then
  step "import $(basename "$corpus"/ashover5.mid)" "$CLI" import "$corpus/ashover5.mid" -o "$OUT/imported.sld"
else
  step "import a rendered file" "$CLI" import "$OUT/twinkle-0-1.mid" -o "$OUT/imported.sld"
fi
step "info of the imported song" "$CLI" info "$OUT/imported.sld"
step "draw page 1 of a demo song" "$CLI" draw "$ROOT/data/songs/ode_to_joy.sld" --page 1 -o "$OUT/page.png"

app_shot() {
  mkdir -p "$OUT/work" && cd "$OUT/work" &&
    timeout 60 xvfb-run -a -s '-screen 0 1600x1200x24' "$APP" --screenshot "$OUT/app.png" &&
    [[ -s $OUT/app.png ]]
}
if [[ -x $APP ]]; then
  step "start the app under Xvfb, screenshot, quit" app_shot
else
  echo "FAIL app not built"; failures=$((failures + 1))
fi

echo "smoke: $failures failed; files in $OUT"
exit $((failures > 0))
