#!/usr/bin/env bash
# songloom-cli loads no audio, MIDI-port or GUI library: those commands run
# in songloom-cli-media beside it, and songloom-cli still lists them.
set -u
cli=$1
fail() { echo "FAIL: $*"; exit 1; }

libs=$(ldd "$cli") || fail "ldd $cli"
for heavy in libQt6 libfluidsynth librtmidi libpulse libjack libSDL libasound; do
  grep -q "$heavy" <<<"$libs" && fail "$cli loads $heavy"
done
[[ -x $(dirname "$cli")/songloom-cli-media ]] || fail "no songloom-cli-media beside $cli"
help=$("$cli" --help) || fail "--help"
for command in play wav ports render midi; do
  grep -qE "^  $command " <<<"$help" || fail "--help does not list $command"
done
"$cli" ports --help | grep -q -- "--soundfont" || fail "ports did not reach the helper"
echo "ok"
