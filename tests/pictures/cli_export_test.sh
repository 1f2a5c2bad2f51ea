#!/usr/bin/env bash
# The score out of songloom-cli: MusicXML of a demo song, the same for a
# B-flat instrument, a PDF of every page and of one, a transposed drawing;
# wrong arguments end with a message and a failure status.
set -u
cli=$1
songs=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cli" export-musicxml "$songs/ode_to_joy.sld" -o "$dir/ode.musicxml" >/dev/null || fail "export"
[[ $(grep -c '<measure ' "$dir/ode.musicxml") == 64 ]] || fail "measures"
grep -q '<work-title>Ode to Joy</work-title>' "$dir/ode.musicxml" || fail "title"
grep -q '<fifths>2</fifths>' "$dir/ode.musicxml" || fail "key"
"$cli" export-musicxml "$songs/ode_to_joy.sld" -o "$dir/ode_bb.musicxml" --instrument-key Bb >/dev/null ||
    fail "export for B-flat"
grep -q '<fifths>4</fifths>' "$dir/ode_bb.musicxml" || fail "key for B-flat"
grep -q '<chromatic>-2</chromatic>' "$dir/ode_bb.musicxml" || fail "transpose element"
"$cli" export-musicxml "$songs/ode_to_joy.sld" -o "$dir/x.musicxml" --instrument-key A 2>/dev/null &&
    fail "instrument A accepted"

"$cli" draw "$songs/ode_to_joy.sld" --pdf -o "$dir/ode.pdf" 2>/dev/null || fail "pdf"
[[ $(head -c 5 "$dir/ode.pdf") == "%PDF-" ]] || fail "pdf header"
[[ $(grep -ac '/Type /Page$\|/Type /Page[^s]' "$dir/ode.pdf") == 4 ]] || fail "four pages"
"$cli" draw "$songs/ode_to_joy.sld" --pdf --page 3 -o "$dir/p3.pdf" 2>/dev/null || fail "pdf page"
[[ $(grep -ac '/Type /Page$\|/Type /Page[^s]' "$dir/p3.pdf") == 1 ]] || fail "one page"
"$cli" draw "$songs/ode_to_joy.sld" --pdf --page 5 -o "$dir/p5.pdf" 2>/dev/null && fail "page 5 accepted"
"$cli" draw "$songs/twinkle.sld" --instrument-key Eb -o "$dir/t.png" 2>/dev/null || fail "png for E-flat"
[[ $(head -c 4 "$dir/t.png" | tail -c 3) == "PNG" ]] || fail "png"
echo "ok"
