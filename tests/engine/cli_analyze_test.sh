#!/usr/bin/env bash
# songloom-cli analyze and import end to end: a rendered song read back
# gives its meter, key and chords, each beat with its best readings; the
# imported song renders again; a file that is no MIDI file fails with a line
# on stderr.
set -u
cli=$1
song=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cli" render "$song" -o "$dir/rock.mid" --category 0 --style 9 --seed 7 >/dev/null || fail "render"
"$cli" analyze --alternatives "$dir/rock.mid" >"$dir/out.txt" || fail "analyze"
grep -qx "meter: 4/4" "$dir/out.txt" || fail "meter: $(grep meter "$dir/out.txt")"
grep -q "^key: C " "$dir/out.txt" || fail "key: $(grep key "$dir/out.txt")"
# Every beat: its chord, then three readings with scores, the chord first.
beats=$(grep -cE '^[0-9]+\.[1-4] ' "$dir/out.txt")
[[ $beats -ge 32 ]] || fail "only $beats beats"
bad=$(grep -E '^[0-9]+\.[1-4] ' "$dir/out.txt" |
      grep -vcE '^[0-9]+\.[1-4] ([^ ]+)  \1 -?[0-9]+\.[0-9]{2} \| [^ ]+ -?[0-9]+\.[0-9]{2} \| [^ ]+ -?[0-9]+\.[0-9]{2}$')
[[ $bad -eq 0 ]] || fail "$bad beat lines without their readings: $(grep -E '^1\.1 ' "$dir/out.txt")"
grep -q '^1\.1 C ' "$dir/out.txt" || fail "first chord: $(grep -E '^1\.1 ' "$dir/out.txt")"
"$cli" analyze --json --alternatives "$dir/rock.mid" | grep -q '"alternatives"' || fail "json alternatives"

"$cli" import "$dir/rock.mid" -o "$dir/back.sld" >/dev/null || fail "import"
"$cli" render "$dir/back.sld" -o "$dir/back.mid" --seed 7 >/dev/null || fail "render of the imported song"

printf 'not a midi file' >"$dir/junk.mid"
"$cli" analyze "$dir/junk.mid" >/dev/null 2>"$dir/err.txt" && fail "junk analysed"
[[ -s $dir/err.txt ]] || fail "junk failed without a message"
exit 0
