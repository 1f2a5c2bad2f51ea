#!/usr/bin/env bash
# songloom-cli new and info end to end: a new song reads back with its
# values; a file that is no song gives one reporter line and exit status 1.
set -u
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cli" new -o "$dir/a.sld" --bars 3 --beats 3 --key F#m --title "夏" --tempo 96 || fail "new"
[[ $(stat -c %s "$dir/a.sld") == 92492 ]] || fail "size"
out=$("$cli" info "$dir/a.sld") || fail "info exit"
grep -qx "bars 3" <<<"$out" || fail "bars"
grep -qx "key F#m (18)" <<<"$out" || fail "key"
grep -qx 'title "夏"' <<<"$out" || fail "title"
grep -qx "tempo 96" <<<"$out" || fail "tempo"
grep -qx "  3: F#m | F#m | F#m" <<<"$out" || fail "chords"
[[ $(grep -c '^  [0-9]*\.[0-9] ' <<<"$out") == 18 ]] || fail "slot lines"
"$cli" info --json "$dir/a.sld" | grep -q '"keyName": "F#m"' || fail "json"

head -c 100 "$dir/a.sld" >"$dir/short.sld"
err=$("$cli" info "$dir/short.sld" 2>&1 >/dev/null) && fail "short file accepted"
[[ $err == "GENE0100000D ファイルサイズにエラーがあります。" ]] || fail "short file line: $err"
"$cli" info "$dir/missing.sld" 2>/dev/null && fail "missing file accepted"
"$cli" new -o "$dir/b.sld" --key H 2>/dev/null && fail "bad key accepted"
echo "ok"
