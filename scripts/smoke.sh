#!/usr/bin/env bash
# A user's first hour in one run: renders every demo song in one style of
# each category to MIDI and WAV, imports a MIDI file, draws a page, starts the
# app under Xvfb, takes a screenshot and quits. One line per step; exits
# non-zero when any step fails. Builds the Release programs it needs itself
# (only those, so that it stays quick after ./songloom.sh test on a fresh clone).
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
started=$SECONDS
if ./songloom.sh build songloom-cli songloom >/tmp/songloom-smoke-build.log 2>&1; then
  echo "ok   build songloom-cli and songloom (Release)"
else
  echo "FAIL build songloom-cli and songloom (Release); see /tmp/songloom-smoke-build.log"
  exit 1
fi
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

# A MIDI file not made by Songloom: a tune of the shared corpus when it is at
# hand, else the import fuzzer's saved tune.
midi="$ROOT/../shared/corpus/nottingham-dev/midi/ashover5.mid"
[[ -f $midi ]] || midi="$ROOT/fuzz/corpus/midi_import/tune1.mid"
step "import $(basename "$midi") as a song" "$CLI" import "$midi" -o "$OUT/imported.sld"
step "info of the imported song" "$CLI" info "$OUT/imported.sld"
step "draw page 1 of a demo song" "$CLI" draw "$ROOT/data/songs/ode_to_joy.sld" --page 1 -o "$OUT/page.png"
step "start the app under Xvfb, screenshot, quit" env SONGLOOM_APP="$APP" scripts/screenshot.sh "$OUT/app.png"

echo "smoke: $failures failed in $((SECONDS - started)) s; files in $OUT"
exit $((failures > 0))
