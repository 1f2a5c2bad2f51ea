#!/usr/bin/env bash
# songloom-cli play end to end: an output port that cannot be opened is
# reported, the play stops there instead of running through the song in
# silence, and it ends with exit status 1, not with a silent success.
set -u
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cli" new -o "$dir/one.sld" --bars 8 >/dev/null || fail "new"
"$cli" render "$dir/one.sld" -o "$dir/one.mid" --seed 1 >/dev/null || fail "render"
XDG_CONFIG_HOME=$dir "$cli" play "$dir/one.mid" --port 99 >"$dir/out" 2>"$dir/err" && fail "missing port played as success"
grep -q '^MDCT' "$dir/err" || fail "no report of the port: $(cat "$dir/err")"
grep -q '^stopped: the output could not be opened' "$dir/out" || fail "play went on: $(cat "$dir/out")"
grep -q '^end of song' "$dir/out" && fail "play ran through the song in silence"
echo "ok"
