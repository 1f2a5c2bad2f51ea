#!/usr/bin/env python3
"""Writes src/pictures/guitar_chord_book_table.cpp: the guitar palette's chord
book, two fingerings for each of the 40 chord types over the twelve roots
(three for C major, whose first two are the book's classic shapes).

A fingering lists six frets from the 6th (lowest) string to the 1st; -1 is a
string not played, 0 an open string. Every fingering sounds only chord tones,
has the root, leaves out at most the perfect fifth, spans at most four frets
and needs at most four fingers (a barre counts as one).

Run from the repository root: python3 data/chordbook/make_chord_book.py
"""
import itertools
import sys

OPEN = [40, 45, 50, 55, 59, 64]  # E2 A2 D3 G3 B3 E4
ROOTS = ["C", "C#/Db", "D", "D#/Eb", "E", "F", "F#/Gb", "G", "G#/Ab", "A", "A#/Bb", "B"]

# Chord-book name and its tones in semitones above the root.
TYPES = [
    ("△", [0, 4, 7]), ("m", [0, 3, 7]), ("7", [0, 4, 7, 10]), ("△7", [0, 4, 7, 11]),
    ("m7", [0, 3, 7, 10]), ("m△7", [0, 3, 7, 11]), ("sus4", [0, 5, 7]), ("7sus4", [0, 5, 7, 10]),
    ("dim", [0, 3, 6]), ("dim7", [0, 3, 6, 9]), ("aug", [0, 4, 8]), ("7(#5)", [0, 4, 8, 10]),
    ("m7(b5)", [0, 3, 6, 10]), ("△7(#5)", [0, 4, 8, 11]), ("6", [0, 4, 7, 9]), ("m6", [0, 3, 7, 9]),
    ("69", [0, 4, 7, 9, 2]), ("m69", [0, 3, 7, 9, 2]), ("7(b5)", [0, 4, 6, 10]), ("m7(#5)", [0, 3, 8, 10]),
    ("△7(b5)", [0, 4, 6, 11]), ("m△7(#5)", [0, 3, 8, 11]), ("m△7(b5)", [0, 3, 6, 11]), ("△9", [0, 4, 7, 11, 2]),
    ("m9", [0, 3, 7, 10, 2]), ("9", [0, 4, 7, 10, 2]), ("7(b9)", [0, 4, 7, 10, 1]), ("7(#9)", [0, 4, 7, 10, 3]),
    ("m11", [0, 3, 7, 10, 5]), ("m7(b5,11)", [0, 3, 6, 10, 5]), ("7(#11)", [0, 4, 7, 10, 6]),
    ("7(9,11)", [0, 4, 7, 10, 2, 5]), ("7(#9,#11)", [0, 4, 7, 10, 3, 6]), ("13", [0, 4, 7, 10, 9]),
    ("7(9,13)", [0, 4, 7, 10, 2, 9]), ("7(9,#11,13)", [0, 4, 7, 10, 2, 6, 9]), ("7(b13)", [0, 4, 7, 10, 8]),
    ("7(b9,b13)", [0, 4, 7, 10, 1, 8]), ("7(b9,#11,b13)", [0, 4, 7, 10, 1, 6, 8]), ("add9", [0, 4, 7, 2]),
]
assert len(TYPES) == 40

# The classic shapes the book starts C major with.
C_MAJOR = [[0, 3, 2, 0, 1, 0], [-1, 3, 5, 5, 5, 3]]
MAX_FRET = 15


def spells(frets, root, tones):
    pcs = {(root + t) % 12 for t in tones}
    sounding = [(OPEN[i] + f) % 12 for i, f in enumerate(frets) if f >= 0]
    if len(sounding) < 3 or any(p not in pcs for p in sounding):
        return False
    missing = pcs - set(sounding)
    fifth = (root + 7) % 12
    return root % 12 in sounding and (not missing or (missing == {fifth} and 7 in tones))


def playable(frets):
    fretted = [f for f in frets if f > 0]
    if not fretted:
        return True
    low, high = min(fretted), max(fretted)
    if high - low > 3:
        return False
    fingers = sum(1 for f in fretted if f > low) + 1
    return fingers <= 4


def score(frets, root):
    """Higher for fingerings a player reaches for first: root in the bass, full
    sound, low on the neck, a small stretch, few fingers."""
    played = [i for i, f in enumerate(frets) if f >= 0]
    lowest = played[0]
    bass = (OPEN[lowest] + frets[lowest]) % 12
    inner_mutes = sum(1 for i in range(played[0], played[-1]) if frets[i] < 0)
    fretted = [f for f in frets if f > 0]
    low = min(fretted) if fretted else 0
    span = (max(fretted) - low) if fretted else 0
    fingers = (sum(1 for f in fretted if f > low) + 1) if fretted else 0
    opens = sum(1 for f in frets if f == 0)
    s = 0.0
    s += 40 if bass == root % 12 else 0
    s += 5 * len(played)
    s -= 25 * inner_mutes
    s -= 3 * low
    s -= 3 * span
    s -= 4 * fingers
    s -= 30 if opens and low >= 4 else 0
    s -= 10 if opens and fretted and max(fretted) >= 4 else 0
    s -= 3 if played[-1] != 5 else 0
    return s


def all_fingerings():
    """Every playable fingering, grouped by the set of pitch classes it sounds."""
    by_mask = {}
    seen = set()
    for base in range(0, MAX_FRET - 2):
        choices = [-1, 0] + list(range(max(1, base), base + 4))
        for frets in itertools.product(choices, repeat=6):
            if frets in seen or not playable(frets):
                continue
            seen.add(frets)
            sounding = [(OPEN[i] + f) % 12 for i, f in enumerate(frets) if f >= 0]
            if len(sounding) < 3:
                continue
            mask = 0
            for p in sounding:
                mask |= 1 << p
            by_mask.setdefault(mask, []).append(list(frets))
    return by_mask


FINGERINGS = all_fingerings()


def candidates(root, tones):
    allowed = 0
    for t in tones:
        allowed |= 1 << ((root + t) % 12)
    found = []
    sub = allowed
    while sub:
        for f in FINGERINGS.get(sub, []):
            if spells(f, root, tones):
                found.append(f)
        sub = (sub - 1) & allowed
    return found


def position(frets):
    fretted = [f for f in frets if f > 0]
    return min(fretted) if fretted else 0


def choose(root, tones, count):
    ranked = sorted(candidates(root, tones), key=lambda f: -score(f, root))
    chosen = []
    for f in ranked:
        # A second fingering shows another place on the neck.
        if all(abs(position(f) - position(c)) >= 2 for c in chosen):
            chosen.append(f)
        if len(chosen) == count:
            break
    for f in ranked:
        if len(chosen) == count:
            break
        if f not in chosen:
            chosen.append(f)
    if len(chosen) < count:
        sys.exit("no fingering for root %d tones %s" % (root, tones))
    return chosen


def main():
    rows = []
    for name, tones in TYPES:
        for r, root_name in enumerate(ROOTS):
            spelled = "/".join(part + name for part in root_name.split("/"))
            if r == 0 and name == "△":
                extra = [f for f in choose(r, tones, 4) if f not in C_MAJOR]
                shapes = C_MAJOR + extra[:1]
            else:
                shapes = choose(r, tones, 2)
            for f in shapes:
                rows.append((spelled, f))
    assert len(rows) == 961, len(rows)
    out = ["// Generated by data/chordbook/make_chord_book.py; edit the script, not this file.",
           '#include "pictures/guitar_chord_book.h"', "", "namespace songloom::pictures {", "",
           "const std::array<ChordBookEntry, kChordBookEntries> kChordBook{{"]
    for spelled, f in rows:
        out.append('    {"%s", {%s}},' % (spelled, ", ".join(str(x) for x in f)))
    out += ["}};", "", "}  // namespace songloom::pictures", ""]
    with open("src/pictures/guitar_chord_book_table.cpp", "w", encoding="utf-8") as fh:
        fh.write("\n".join(out))


if __name__ == "__main__":
    main()
