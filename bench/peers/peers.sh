#!/usr/bin/env bash
# Whole-process benchmarks of songloom-cli beside the programs a user would
# pick instead, each pair timed alternately in one run (medians of RUNS runs,
# peak resident memory):
#   render of a 256-bar song             vs  mma rendering its 256-bar 8Beat song
#   load + split + pair + write of a
#   100,000-note file (midi convert)     vs  midicsv | csvmidi
#   import + analysis of a 16-channel five-minute file, a 20 MB file, and the
#   refusal of a 100 MB one.
# A peer that is not installed is left out. Usage: peers.sh CLI TIMER [RENDER_JSON]
set -euo pipefail
cli=$1
timer=$2
render_json=${3:-}
runs=${RUNS:-10}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python=/usr/bin/python3

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b / a }'; }
field() { sed -n "${1}p" <<<"$2" | cut -d' ' -f"$3"; }

"$cli" version
"$python" "$here/make_midi_files.py" "$work"

# The 256-bar song: the 64 bars of the demo song four times over.
{
  grep -v '^bar:' "$root/data/songs/ode_to_joy.txt"
  for _ in 1 2 3 4; do grep '^bar:' "$root/data/songs/ode_to_joy.txt"; done
} >"$work/long.txt"
"$cli" song-from-text "$work/long.txt" -o "$work/long.sld" >/dev/null
"$cli" render "$work/long.sld" -o "$work/long.mid" --seed 1 >/dev/null

out=$("$timer" "$runs" -- "$cli" version)
echo "songloom-cli version: $(field 1 "$out" 1) ms, peak $(field 1 "$out" 2) MiB"

if command -v mma >/dev/null; then
  cp "$here/pop256.mma" "$work/"
  out=$("$timer" "$runs" -- "$cli" render "$work/long.sld" -o "$work/render.mid" --seed 1 \
        --vs mma "$work/pop256.mma" -f "$work/mma.mid")
  echo "render 256 bars: songloom-cli $(field 1 "$out" 1) ms (peak $(field 1 "$out" 2) MiB)," \
       "mma $(field 2 "$out" 1) ms (peak $(field 2 "$out" 2) MiB): $(ratio "$(field 1 "$out" 1)" "$(field 2 "$out" 1)")x"
  # The same pair left to run on whichever processor the system picks.
  free=$(PEER_TIMER_PIN=0 "$timer" "$runs" -- "$cli" render "$work/long.sld" -o "$work/render.mid" --seed 1 \
         --vs mma "$work/pop256.mma" -f "$work/mma.mid")
  echo "  not kept to one processor: songloom-cli $(field 1 "$free" 1) ms, mma $(field 2 "$free" 1) ms:" \
       "$(ratio "$(field 1 "$free" 1)" "$(field 2 "$free" 1)")x"
  # What the alternation itself costs a short process here: the same render
  # between runs that only keep a processor busy as long as mma took, and
  # the render run after render.
  busy=$(field 2 "$out" 1)
  control=$("$timer" "$runs" -- "$cli" render "$work/long.sld" -o "$work/render.mid" --seed 1 \
            --vs "$timer" busy "$busy")
  alone=$("$timer" "$runs" -- "$cli" render "$work/long.sld" -o "$work/render.mid" --seed 1)
  echo "  the same render between ${busy} ms of busy processor (no peer): $(field 1 "$control" 1) ms;" \
       "render after render: $(field 1 "$alone" 1) ms"
else
  out=$("$timer" "$runs" -- "$cli" render "$work/long.sld" -o "$work/render.mid" --seed 1)
  echo "render 256 bars: songloom-cli $(field 1 "$out" 1) ms (peak $(field 1 "$out" 2) MiB); mma not installed"
fi

big="$work/notes100k.mid"
if command -v midicsv >/dev/null && command -v csvmidi >/dev/null; then
  out=$("$timer" "$runs" -- "$cli" midi convert "$big" "$work/converted.mid" --format 1 \
        --vs sh -c "midicsv '$big' | csvmidi - '$work/csv.mid'")
  echo "100,000 notes ($(stat -c %s "$big") bytes) load+split+pair+write: songloom-cli $(field 1 "$out" 1) ms" \
       "(peak $(field 1 "$out" 2) MiB), midicsv|csvmidi $(field 2 "$out" 1) ms: $(ratio "$(field 1 "$out" 1)" "$(field 2 "$out" 1)")x"
else
  "$cli" midi convert "$big" "$work/converted.mid" --format 1
fi
if "$python" -c 'import mido' 2>/dev/null; then
  "$python" - "$big" "$work/converted.mid" <<'PY'
import sys, mido
counts = [sum(1 for t in mido.MidiFile(p).tracks for m in t if m.type == "note_on" and m.velocity > 0)
          for p in sys.argv[1:]]
print(f"notes read {counts[0]}, written {counts[1]}: {'all kept' if counts[0] == counts[1] else 'LOST'}")
PY
fi

out=$("$timer" "$runs" -- "$cli" analyze "$work/band16.mid")
echo "import+analysis of 16 channels, five minutes: $(field 1 "$out" 1) ms (peak $(field 1 "$out" 2) MiB)"
out=$("$timer" 1 -- "$cli" import "$work/big20.mid" -o "$work/big20.sld") || true
if [[ -s $work/big20.sld ]]; then
  echo "import of a $(stat -c %s "$work/big20.mid")-byte file: $(field 1 "$out" 1) ms (peak $(field 1 "$out" 2) MiB)"
else
  echo "import of a $(stat -c %s "$work/big20.mid")-byte file FAILED"
fi
cp "$work/band16.mid" "$work/huge.mid"
truncate -s 100M "$work/huge.mid"
echo "a 100 MB file: $("$cli" midi convert "$work/huge.mid" "$work/huge-out.mid" --format 0 2>&1 || true)"

if [[ -n $render_json && -s $render_json ]]; then
  "$python" - "$render_json" <<'PY'
import json, statistics, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
medians = [b["cpu_time"] for b in runs if b.get("aggregate_name") == "median"]
if medians:
    print(f"in-process render, {len(medians)} styles: median {statistics.median(medians):.2f} ms, "
          f"slowest {max(medians):.2f} ms (CPU)")
PY
fi
