#!/usr/bin/env bash
# songloom-cli render end to end: the song's own style keeps the song's
# melody instrument and tempo; another style brings its own, as choosing it in
# the song information does; --tempo and --instrument win over both.
set -u
cli=$1
song=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# "program/tempo" of a rendered file: the melody channel's program byte and
# the first tempo meta's bytes.
look() {
    "$cli" midi dump "$1" | awk -F'\t' '
        $3 == "program" && $4 == "1" && !p { p = $5 }
        $3 == "meta" && $5 ~ /^51 / && !t { t = substr($5, 4) }
        END { print p "/" t }'
}

"$cli" render "$song" -o "$dir/own.mid" --seed 3 >/dev/null || fail "own style"
[[ $(look "$dir/own.mid") == "00/09 27 C0" ]] || fail "own style: $(look "$dir/own.mid")"

# Style 0/9 (rock): overdrive guitar, 437,000 us per quarter note.
"$cli" render "$song" -o "$dir/rock.mid" --category 0 --style 9 --seed 3 >/dev/null || fail "rock"
[[ $(look "$dir/rock.mid") == "1D/06 AB 08" ]] || fail "rock: $(look "$dir/rock.mid")"

"$cli" render "$song" -o "$dir/set.mid" --category 0 --style 9 --tempo 90 --instrument 40 --seed 3 \
    >/dev/null || fail "overrides"
[[ $(look "$dir/set.mid") == "28/0A 29 90" ]] || fail "overrides: $(look "$dir/set.mid")"

"$cli" render "$song" -o "$dir/bad.mid" --tempo 20 2>/dev/null && fail "tempo 20 accepted"
"$cli" render "$song" -o "$dir/bad.mid" --instrument 152 2>/dev/null && fail "instrument 152 accepted"
[[ -e $dir/bad.mid ]] && fail "a refused render wrote a file"
# A render that cannot write fails even when an old file stands at the path:
# the folder is read-only, the old file stays as it was.
mkdir "$dir/ro" && cp "$dir/own.mid" "$dir/ro/old.mid" && chmod 555 "$dir/ro"
if [[ ! -w $dir/ro ]]; then
    "$cli" render "$song" -o "$dir/ro/old.mid" --seed 4 >/dev/null 2>&1 && fail "unwritable render exited 0"
    cmp -s "$dir/own.mid" "$dir/ro/old.mid" || fail "a failed render changed the old file"
fi
chmod 755 "$dir/ro"
# audit: the rock rendering passes; a file whose bass holds F sharp under a
# C chord for the whole song fails.
out=$("$cli" audit "$dir/rock.mid") || fail "audit of the rock rendering: $out"
grep -q "^passed$" <<<"$out" || fail "audit: no verdict"
grep -Eq "^ 2 +[0-9]+ +[0-9]+-[0-9]+ +[0-9.]+%" <<<"$out" || fail "audit: no bass line"
/usr/bin/python3 - "$dir/wrong.mid" <<'PY' || fail "writing the wrong bass"
import sys, mido
f = mido.MidiFile(ticks_per_beat=96)
t = mido.MidiTrack(); f.tracks.append(t)
t.append(mido.MetaMessage("marker", text="C ", time=0))
t.append(mido.Message("note_on", channel=2, note=42, velocity=64, time=0))
t.append(mido.Message("note_off", channel=2, note=42, velocity=0, time=1536))
f.save(sys.argv[1])
PY
"$cli" audit "$dir/wrong.mid" >"$dir/wrong.txt"; status=$?
[[ $status == 3 ]] || fail "audit of the wrong bass: status $status"
grep -q "^FAIL bass" "$dir/wrong.txt" || fail "audit: $(cat "$dir/wrong.txt")"
# --preview renders the song's first four bars only.
"$cli" render "$song" -o "$dir/preview.mid" --category 2 --style 2 --seed 3 --preview >/dev/null || fail "preview"
# (Four bars of 384 ticks and at most the closing beat of the last track.)
ticks=$("$cli" audit "$dir/preview.mid" | awk 'NR == 1 { print $2 }')
((ticks >= 1536 && ticks <= 1536 + 384)) || fail "preview: $ticks ticks"
"$cli" audit --json "$dir/rock.mid" | grep -q '"passed": true' || fail "audit json"
"$cli" audit "$dir/none.mid" 2>/dev/null && fail "audit of a missing file"
echo "ok"
