#!/usr/bin/env python3
"""Synthesises the two sounds Velkari plays.

    python3 tools/gen_sounds.py

writes Sounds/Music.wav (a short rising three-note chime) and Sounds/Effect.wav
(a low double buzz for a refused move) into the repository's Sounds/
directory, found relative to this script. Both are 16-bit mono PCM at
22050 Hz. No randomness is involved, so the files come out byte-identical on
every run.
"""

import math
import os
import struct
import wave

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOUND_DIR = os.path.join(ROOT, "Sounds")
RATE = 22050


def envelope(t, attack, length, release):
    """Linear attack and release around a held part; 0 outside [0, length]."""
    if t < 0 or t > length:
        return 0.0
    if t < attack:
        return t / attack
    if t > length - release:
        return max(0.0, (length - t) / release)
    return 1.0


def chime():
    # C6, E6, G6 struck one after another, each ringing out like a small bell:
    # a quick attack, an exponential decay and a faint inharmonic overtone.
    duration = 0.42
    notes = [(0.00, 1046.50), (0.08, 1318.51), (0.16, 1567.98)]
    samples = []
    for n in range(int(duration * RATE)):
        t = n / RATE
        v = 0.0
        for start, f in notes:
            u = t - start
            if u < 0:
                continue
            ring = math.exp(-u / 0.09) * min(1.0, u / 0.004)
            v += ring * (math.sin(2 * math.pi * f * u) + 0.25 * math.sin(2 * math.pi * 2.76 * f * u))
        # Let the tail reach silence instead of being cut off.
        v *= envelope(t, 1e-9, duration, 0.03)
        samples.append(v)
    return samples


def buzz():
    # Two short, low, slightly falling blips with a square-ish timbre (odd
    # harmonics only, kept well under the Nyquist frequency so it does not
    # alias into a hiss).
    duration = 0.25
    blips = [(0.00, 0.10, 150.0), (0.13, 0.11, 115.0)]
    samples = []
    for n in range(int(duration * RATE)):
        t = n / RATE
        v = 0.0
        for start, length, f in blips:
            u = t - start
            e = envelope(u, 0.006, length, 0.02)
            if e == 0.0:
                continue
            # The pitch falls by 15 % over the blip; this is its integral.
            phase = 2 * math.pi * (f * u - 0.075 * f * u * u / length)
            tone = sum(math.sin(k * phase) / k for k in (1, 3, 5, 7, 9, 11))
            v += e * tone
        samples.append(v)
    return samples


def write_wav(path, samples, peak):
    top = max(abs(s) for s in samples) or 1.0
    frames = b"".join(struct.pack("<h", int(round(32767 * peak * s / top))) for s in samples)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main():
    write_wav(os.path.join(SOUND_DIR, "Music.wav"), chime(), 0.55)
    write_wav(os.path.join(SOUND_DIR, "Effect.wav"), buzz(), 0.6)
    for name in ("Music.wav", "Effect.wav"):
        path = os.path.join(SOUND_DIR, name)
        with wave.open(path, "rb") as w:
            print("%s: %.3f s, %d bytes" % (name, w.getnframes() / w.getframerate(), os.path.getsize(path)))


if __name__ == "__main__":
    main()
