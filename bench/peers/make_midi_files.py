#!/usr/bin/env python3
"""Writes the MIDI files the whole-process benchmarks read, into DIR:
  notes100k.mid  format 0, 100,000 notes on 16 channels, running status, ~800 kB
  band16.mid     format 1, 16 channels, five minutes at 120 BPM (melody, bass,
                 chord pads, arpeggios, drums)
  big20.mid      format 1, about 20 MB: the band playing for 13 hours
Only the standard library is used."""
import struct
import sys


def varlen(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def chunk(body):
    return b"MTrk" + struct.pack(">I", len(body) + 4) + body + b"\x00\xff\x2f\x00"


def header(fmt, tracks, division):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, tracks, division)


def timed_track(events, running_status=True):
    """events: (tick, bytes) in any order; written sorted, with running status
    unless told not to."""
    body = bytearray()
    last_tick = 0
    running = None
    for tick, message in sorted(events, key=lambda e: (e[0], e[1][0] & 0xF0 == 0x90)):
        body += varlen(tick - last_tick)
        last_tick = tick
        if running_status and message[0] == running and message[0] < 0xF0:
            body += message[1:]
        else:
            body += message
            running = message[0] if message[0] < 0xF0 else running
    return bytes(body)


def note(events, channel, tick, pitch, length, velocity=90):
    events.append((tick, bytes([0x90 | channel, pitch, velocity])))
    events.append((tick + length, bytes([0x90 | channel, pitch, 0])))


def notes100k():
    # 16 channels take turns; two-note chords every 60 ticks, 30 ticks long.
    events = [(0, b"\xff\x51\x03\x07\xa1\x20")]
    for i in range(50000):
        channel = i % 16
        pitch = 40 + i % 40
        tick = (i // 4) * 60
        note(events, channel, tick, pitch, 30)
        note(events, channel, tick, pitch + 4, 30, 80)
    return header(0, 1, 480) + chunk(timed_track(events, running_status=False))


ROOTS = [0, 5, 7, 0, 9, 2, 7, 7]
TPQ = 480


def band_channel(channel, quarters):
    events = [(0, bytes([0xC0 | channel, 73 if channel == 0 else 33 if channel == 1 else channel * 5 % 128]))]
    for q in range(quarters):
        root = ROOTS[(q // 4) % 8]
        t = q * TPQ
        if channel == 0:
            note(events, 0, t, 72 + (q * 7) % 12, TPQ // 2)
            note(events, 0, t + TPQ // 2, 72 + (q * 5) % 12, TPQ // 2)
        elif channel == 1:
            note(events, 1, t, 36 + root, TPQ - 20)
        elif channel == 9:
            for i in range(4):
                note(events, 9, t + i * TPQ // 4, 42 if i % 2 else 36, 60)
        elif channel < 6:
            if q % 2 == 0:
                for interval in (0, 4, 7):
                    note(events, channel, t, 48 + root + interval + channel, 2 * TPQ - 10)
        else:
            for i in range(2):
                note(events, channel, t + i * TPQ // 2, 60 + root + (i + channel) % 3 * 4, TPQ // 2)
    return timed_track(events)


def band(quarters):
    conductor = timed_track([(0, b"\xff\x51\x03\x07\xa1\x20"), (0, b"\xff\x58\x04\x04\x02\x18\x08")])
    tracks = [conductor] + [band_channel(c, quarters) for c in range(16)]
    return header(1, len(tracks), TPQ) + b"".join(chunk(t) for t in tracks)


def main():
    folder = sys.argv[1]
    files = {"notes100k.mid": notes100k(), "band16.mid": band(600), "big20.mid": band(600 * 160)}
    for name, data in files.items():
        with open(f"{folder}/{name}", "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
