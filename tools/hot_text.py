#!/usr/bin/env python3
"""Writes the linker script that lays out songloom-cli's busy code together.

A command runs for a few milliseconds, and most of what it costs beyond
its own work is the pages it touches for the first time: the functions a
render calls are some 600 KB of code, spread over 1.3 MB in the order the
object files happen to be linked. Listed here, in one output section
ahead of the rest, they take half as many pages.

Usage: hot_text.py MAP BINARY PROFILE... > cli/hot_text.ld
  MAP      the link map of songloom-cli (linked without this script)
  BINARY   that songloom-cli
  PROFILE  callgrind outputs of the commands to favour, the most common first

Every function each profile ran is found in the map as the input section
that holds it: its own section (".text.NAME", the build gives every
function one) or, for a C library object built without them, that
object's section, named by archive and member. A name the next link no
longer has matches nothing there, so a stale list costs speed, not a
link; tools/hot_text.sh makes it anew.
"""
import bisect
import re
import subprocess
import sys


def input_sections(map_path):
    """(address, size, section, file) of every code input section of .text."""
    sections = []
    in_text = False
    pending = None
    with open(map_path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            if line.startswith("."):  # an output section
                in_text = line.split()[0] == ".text"
                continue
            if not in_text:
                continue
            m = re.match(r"^ (\.\S+)\s*$", line)
            if m:  # a long name: address, size and file follow on the next line
                pending = m.group(1)
                continue
            m = re.match(r"^ (\.\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
            if m:
                sections.append((int(m.group(2), 16), int(m.group(3), 16), m.group(1), m.group(4).strip()))
                pending = None
                continue
            m = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
            if m and pending:
                sections.append((int(m.group(1), 16), int(m.group(2), 16), pending, m.group(3).strip()))
            pending = None
    return sorted(s for s in sections if s[1] > 0)


def functions_run(profile_path):
    """Names (demangled, as callgrind gives them) of the functions a profile ran."""
    names = set()
    with open(profile_path, encoding="utf-8", errors="replace") as lines:
        for line in lines:
            m = re.match(r"^c?fn=\(\d+\) (.+)$", line.rstrip("\n"))
            if m:
                names.add(m.group(1))
    return names


def function_addresses(binary):
    listing = subprocess.run(["nm", "-C", "--defined-only", binary], capture_output=True, text=True,
                             check=True).stdout
    addresses = {}
    for line in listing.splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[1] in "tTWwi":
            addresses.setdefault(parts[2], []).append(int(parts[0], 16))
    return addresses


def symbol_names(binary):
    """Every symbol the binary defines, as the linker spells it."""
    listing = subprocess.run(["nm", "--defined-only", binary], capture_output=True, text=True, check=True).stdout
    return {parts[2] for parts in (line.split(None, 2) for line in listing.splitlines()) if len(parts) == 3}


def pattern(section, file, symbols):
    """The input section pattern that names this section in the next link."""
    # A function's own section is named after it and stands for it wherever
    # it is linked from; a name like ".text.avx" is shared by many objects.
    if section.startswith(".text.") and section[len(".text."):] in symbols:
        return "*(%s)" % section
    member = re.match(r"^(?:.*/)?([^/()]+\.a)\(([^()]+)\)$", file)
    if member:
        return "*%s:%s(%s)" % (member.group(1), member.group(2), section)
    return "*%s(%s)" % (file.split("/")[-1], section)


def main(argv):
    if len(argv) < 4:
        sys.stderr.write(__doc__)
        return 2
    sections = input_sections(argv[1])
    starts = [s[0] for s in sections]
    addresses = function_addresses(argv[2])
    symbols = symbol_names(argv[2])
    # Each section goes with the first profile that ran it, in the order the
    # profiles are given: the start-up code every command runs, then what a
    # render adds, and so on; within one profile's share in link order, so
    # that functions of one file that work together stay together. A command
    # then touches one run of pages rather than pieces of all of them.
    first_use = {}
    for rank, profile in enumerate(argv[3:]):
        for name in functions_run(profile):
            for address in addresses.get(name, []):
                i = bisect.bisect_right(starts, address) - 1
                if i >= 0 and sections[i][0] <= address < sections[i][0] + sections[i][1]:
                    first_use.setdefault(sections[i], rank)
    chosen = set(first_use)
    patterns = []
    seen = set()
    for section in sorted(chosen, key=lambda s: (first_use[s], s[0])):
        p = pattern(section[2], section[3], symbols)
        # Under valgrind the C library picks its AVX2 string functions; on
        # a processor with AVX-512 it runs their EVEX forms instead.
        alike = [p]
        avx = re.match(r"^(\*libc\.a:[^(]*)-avx2?([-.][^(]*)\(", p)
        if avx:
            alike += ["%s-%s%s(.text.*)" % (avx.group(1), form, avx.group(2)) for form in ("evex", "avx512")]
        for a in alike:
            if a not in seen:
                seen.add(a)
                patterns.append(a)
    size = sum(s[1] for s in chosen)
    out = sys.stdout
    out.write("/* The code songloom-cli's usual commands run, laid out together ahead of\n"
              "   the rest (%d input sections, %d KB). Written by tools/hot_text.sh. */\n"
              % (len(chosen), (size + 1023) // 1024))
    out.write("SECTIONS\n{\n  .text.hot : {\n")
    for p in patterns:
        out.write("    %s\n" % p)
    out.write("  }\n}\nINSERT BEFORE .text;\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
