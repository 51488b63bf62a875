"""Reads a recording with Python's own WAV reader, not the project's, and checks it.

wav_check.py FILE CHANNELS RATE FREQUENCY MIN_SECONDS

The file must open as 16-bit PCM of CHANNELS channels at RATE, hold at least MIN_SECONDS, and
its first channel must be a sine of FREQUENCY that is continuous sample for sample: every
sample follows from the two before it (x[n+1] = 2 cos(w) x[n] - x[n-1]) within the rounding to
16 bits. Exits 0 when it holds, 1 when it does not, 3 when the test signal's own stream underran
(a stretch of exact zeros), which leaves the run inconclusive.
"""

import array
import math
import sys
import wave

UNDERRUN_ZEROS = 24
TOLERANCE = 8.0


def fail(message):
    print(f"FAILED: {message}")
    sys.exit(1)


def first_channel(path, channels, rate):
    with wave.open(path, "rb") as wav:
        if wav.getnchannels() != channels:
            fail(f"{wav.getnchannels()} channels, not {channels}")
        if wav.getframerate() != rate:
            fail(f"{wav.getframerate()} Hz, not {rate}")
        if wav.getsampwidth() != 2 or wav.getcomptype() != "NONE":
            fail("not 16-bit PCM")
        frames = wav.readframes(wav.getnframes())
        if len(frames) != wav.getnframes() * 2 * channels:
            fail("the header describes more than the file holds")
    samples = array.array("h")
    samples.frombytes(frames)
    if sys.byteorder != "little":
        samples.byteswap()
    return samples[::channels]


def main():
    path, channels, rate, frequency, least = sys.argv[1:6]
    channels, rate, frequency, least = int(channels), int(rate), float(frequency), float(least)
    x = first_channel(path, channels, rate)
    seconds = len(x) / rate
    if seconds < least:
        fail(f"{seconds:.2f} s recorded, less than {least} s")
    begin = next((i for i, value in enumerate(x) if abs(value) >= 100), len(x))
    if begin > rate // 5:
        fail(f"the sine begins only at sample {begin}")
    zeros = 0
    for value in x[begin:]:
        zeros = zeros + 1 if value == 0 else 0
        if zeros >= UNDERRUN_ZEROS:
            print("INCONCLUSIVE: the signal's stream underran")
            sys.exit(3)
    twice_cos = 2.0 * math.cos(2.0 * math.pi * frequency / rate)
    for n in range(begin + 1, len(x) - 1):
        if abs(x[n + 1] - twice_cos * x[n] + x[n - 1]) > TOLERANCE:
            fail(f"the sine breaks at sample {n + 1} of {len(x)}")
    print(f"{path}: {seconds:.2f} s, continuous")


main()
