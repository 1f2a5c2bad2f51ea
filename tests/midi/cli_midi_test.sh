#!/usr/bin/env bash
# songloom-cli midi convert end to end on files of real size: a file over the
# reading limit is refused with one line that names its size, and nothing is
# written; a file of many notes is converted into either format.
set -u
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cli" new -o "$dir/one.sld" --bars 8 >/dev/null || fail "new"
"$cli" render "$dir/one.sld" -o "$dir/one.mid" --seed 1 >/dev/null || fail "render"
cp "$dir/one.mid" "$dir/huge.mid"
truncate -s 100M "$dir/huge.mid"
"$cli" midi convert "$dir/huge.mid" "$dir/out.mid" --format 1 2>"$dir/err" && fail "a 100 MB file was converted"
[[ $(wc -l <"$dir/err") -eq 1 ]] || fail "more than one line: $(cat "$dir/err")"
grep -q '^M1DT03000019.*104,857,600.*67,108,864' "$dir/err" || fail "no size in the report: $(cat "$dir/err")"
[[ -e $dir/out.mid ]] && fail "something was written"

"$cli" midi convert "$dir/one.mid" "$dir/one1.mid" --format 1 2>"$dir/err" || fail "convert: $(cat "$dir/err")"
"$cli" midi convert "$dir/one1.mid" "$dir/one0.mid" --format 0 2>"$dir/err" || fail "convert back: $(cat "$dir/err")"
notes() { "$cli" midi dump "$1" | grep -c $'\tnote-on\t'; }
[[ $(notes "$dir/one.mid") -gt 0 && $(notes "$dir/one.mid") -eq $(notes "$dir/one0.mid") ]] ||
  fail "notes lost: $(notes "$dir/one.mid") became $(notes "$dir/one0.mid")"
echo "ok"
