#!/usr/bin/env python3
"""Writes the fuzz target's seed corpus (tests/fuzz/corpus/): a few small runs that reach the
main paths, in the input layout described at the top of fuzz_win_main.cpp."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Event opcodes (low four bits of the first byte of each pair).
STEP, STEP64, STEP64K, NEAR_WRAP, VIEWER_KEY, ANY_KEY, ACTIVATE, CLOSE, FAIL_POLL, TICK_STEP, IDLE = (
    0, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15)
ESC, PAGE_UP, PAGE_DOWN, PLUS, MINUS = range(5)  # indexes into the viewer's five keys

CALLS = ["DirectDrawCreate", "SetCooperativeLevel", "SetDisplayMode", "CreateSurface",
         "CreatePalette", "SetPalette", "Lock", "Unlock", "RestoreDisplayMode", "OpenWindow"]


def header(mode=0, pitch=128, sentinel=0xA5, start=5_000_000, fail=None, occurrence=1, length=768):
    fail_byte = 0 if fail is None else 200 + CALLS.index(fail)  # 200 % 10 == 0
    return bytes([mode, pitch, sentinel]) + struct.pack("<I", start) + bytes(
        [fail_byte, occurrence - 1]) + struct.pack("<H", length)


def gradient(length=768):
    return bytes((i * 7) % 64 for i in range(length))


def events(*pairs):
    return b"".join(bytes(p) for p in pairs)


def idle(n):
    return [(IDLE, 0)] * n


SEEDS = {
    # A file, the grid, some cycling, every viewer key and a close.
    "walk": header() + gradient() + events(
        *idle(3), (STEP, 200), (STEP, 200), (VIEWER_KEY, PLUS), (VIEWER_KEY, PLUS),
        (VIEWER_KEY, MINUS), (VIEWER_KEY, MINUS), (VIEWER_KEY, MINUS), (VIEWER_KEY, PAGE_DOWN),
        (STEP, 250), (VIEWER_KEY, PAGE_UP), (VIEWER_KEY, PAGE_UP), (STEP64, 40), *idle(2),
        (VIEWER_KEY, ESC), *idle(4)),
    # The clock wraps past 2^32 while cycling; activation goes and comes back.
    "wrap": header(start=0xFFFFF000, pitch=3) + gradient() + events(
        (TICK_STEP, 17), *idle(4), (NEAR_WRAP, 50), *idle(20), (ACTIVATE, 0), (STEP64K, 3),
        (VIEWER_KEY, PLUS), (ACTIVATE, 1), *idle(20), (CLOSE, 0)),
    # No argument: the warning, then only the animated entries.
    "no_argument": header(mode=6, length=0) + events(
        *idle(2), (ANY_KEY, 107), (ANY_KEY, 65), (ANY_KEY, 255), (STEP, 40), *idle(2)),
    # A path that does not exist.
    "missing_file": header(mode=7, length=0) + events(*idle(2), (VIEWER_KEY, PAGE_DOWN)),
    # A short file with extra arguments, components above 63 in it.
    "short_file": header(mode=1, length=301) + bytes([63, 64, 0] * 100 + [9]) + events(
        *idle(2), (VIEWER_KEY, PLUS), (STEP, 210), *idle(2)),
    # The surface lost: every SetPalette after the first few fails, and a poll fails.
    "lost_surface": header(fail="SetPalette", occurrence=4) + gradient() + events(
        *idle(2), (STEP, 220), (VIEWER_KEY, PLUS), (FAIL_POLL, 0), (VIEWER_KEY, PLUS),
        (STEP, 220), (VIEWER_KEY, MINUS), *idle(3)),
    # The grid's lock fails.
    "lock_fails": header(fail="Lock", occurrence=1, pitch=127) + gradient(600) + events(
        *idle(3), (STEP, 200), *idle(2)),
    # Start-up fails in the display's set-up.
    "mode_fails": header(fail="SetDisplayMode", occurrence=1) + gradient(),
}


def main():
    out = os.path.join(HERE, "corpus")
    os.makedirs(out, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
