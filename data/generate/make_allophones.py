#!/usr/bin/env python3
"""Records the 59 audible allophones (5-63) of the speech units and writes
them as RIFF/WAVE images, one after another, into data/allophones.bin.

Run by hand when the recordings should change; the build only embeds the
committed file. Needs Debian's espeak-ng and sox:
    apt-get install espeak-ng sox
    python3 data/generate/make_allophones.py [output]

Each allophone is spoken by espeak-ng from phoneme input, alone or inside a
short syllable that gives it its natural onset or release, then cut out,
resampled to 8-bit unsigned mono at 11,025 Hz and faded at both ends so no
click is heard when the sample starts or stops.
"""
import array
import math
import os
import struct
import subprocess
import sys
import tempfile

RATE = 11025

# Hold times in milliseconds, allophones 0-63; the recordings are cut to sit
# inside them.
DURATIONS = [
    10, 30, 50, 100, 200, 420, 260, 70, 120, 210, 140, 140, 70, 140, 170, 70,
    180, 100, 290, 250, 280, 70, 100, 100, 100, 180, 120, 130, 80, 180, 100, 260,
    370, 160, 140, 190, 80, 160, 190, 120, 150, 190, 160, 210, 220, 110, 180, 360,
    200, 130, 190, 160, 300, 240, 240, 90, 190, 180, 330, 290, 350, 40, 190, 50,
]

# (number, name, espeak phonemes, how to cut)
#   whole  - the sound alone: leading silence off, then up to the duration
#   onset  - a consonant before a vowel: from its start, a short window that
#            keeps the release and the first glottal pulses
#   glide  - a consonant that only exists moving into a vowel (w, y, r, h)
#   coda   - a consonant after a vowel: the end of the syllable
#   tail   - a continuant after a vowel, where espeak-ng holds it longest:
#            what the syllable is longer than the vowel alone, stretched
#            in time (pitch kept) when the hold is longer still
ALLOPHONES = [
    (5, "OY", "'OI", "whole"),
    (6, "AY", "'aI", "whole"),
    (7, "EH", "'E", "whole"),
    (8, "KK3", "k'0", "onset"),
    (9, "PP", "p'@", "onset"),
    (10, "JH", "dZ'@", "onset"),
    (11, "NN1", "'@n", "tail"),
    (12, "IH", "'I", "whole"),
    (13, "TT2", "t'@", "onset"),
    (14, "RR1", "r'@", "glide"),
    (15, "AX", "'V", "whole"),
    (16, "MM", "'@m", "tail"),
    (17, "TT1", "'@t", "coda"),
    (18, "DH1", "D'@", "glide"),
    (19, "IY", "'i:", "whole"),
    (20, "EY", "'eI", "whole"),
    (21, "DD1", "'@d", "coda"),
    (22, "UW1", "'u:", "whole"),
    (23, "AO", "'O:", "whole"),
    (24, "AA", "'A:", "whole"),
    (25, "YY2", "j'u:", "glide"),
    (26, "AE", "'a", "whole"),
    (27, "HH1", "h'i:", "glide"),
    (28, "BB1", "b'I", "onset"),
    (29, "TH", "T", "whole"),
    (30, "UH", "'U", "whole"),
    (31, "UW2", "'u:", "whole"),
    (32, "AW", "'aU", "whole"),
    (33, "DD2", "d'@", "onset"),
    (34, "GG3", "g'I", "onset"),
    (35, "VV", "'@v", "tail"),
    (36, "GG1", "g'u:", "onset"),
    (37, "SH", "S", "whole"),
    (38, "ZH", "'@Z", "tail"),
    (39, "RR2", "r'eI", "glide"),
    (40, "FF", "f", "whole"),
    (41, "KK2", "k'aI", "onset"),
    (42, "KK1", "k'i:", "onset"),
    (43, "ZZ", "'@z", "tail"),
    (44, "NG", "'@N", "tail"),
    (45, "LL", "'@l", "tail"),
    (46, "WW", "w'@", "glide"),
    (47, "XR", "'e@", "whole"),
    (48, "WH", "hw'I", "glide"),
    (49, "YY1", "j'E", "glide"),
    (50, "CH", "tS'@", "onset"),
    (51, "ER1", "'3:", "whole"),
    (52, "ER2", "'3:", "whole"),
    (53, "OW", "'oU", "whole"),
    (54, "DH2", "'@D", "tail"),
    (55, "SS", "s", "whole"),
    (56, "NN2", "n'@", "glide"),
    (57, "HH2", "h'oU", "glide"),
    (58, "OR", "'o@", "whole"),
    (59, "AR", "'A@", "whole"),
    (60, "YR", "'i@", "whole"),
    (61, "GG2", "g'E", "onset"),
    (62, "EL", "@L", "whole"),
    (63, "BB2", "b'@", "onset"),
]

# Longest window kept for a consonant cut out of a syllable; a stop is a
# burst, whatever time the chip lets pass after it.
ONSET_MS = 90
CODA_MS = 110
GLIDE_SHARE = 0.9
FADE_IN_MS = 4
FADE_OUT_MS = 18
SILENCE_THRESHOLD = 100  # of 32767: below this the start/end counts as silence
PEAK = 0.85  # loudest sample of the whole set, as a share of full scale
# Weak fricatives (f, th) would sink into 8-bit quantisation noise at the
# set's common gain; each recording peaks at least this high.
MIN_PEAK = 0.3


def speak(phonemes, workdir):
    """Returns espeak-ng's rendering of the phonemes as signed 16-bit samples
    at RATE, through sox's resampler."""
    wav = os.path.join(workdir, "spoken.wav")
    raw = os.path.join(workdir, "spoken.raw")
    subprocess.run(["espeak-ng", "-v", "en-us", "-s", "150", "-z", "-w", wav,
                    "[[" + phonemes + "]]"], check=True)
    subprocess.run(["sox", wav, "-r", str(RATE), "-c", "1", "-b", "16",
                    "-e", "signed-integer", "-t", "raw", raw], check=True)
    pcm = array.array("h")
    with open(raw, "rb") as f:
        pcm.frombytes(f.read())
    if sys.byteorder != "little":
        pcm.byteswap()
    return list(pcm)


def first_sound(pcm):
    for i, v in enumerate(pcm):
        if abs(v) > SILENCE_THRESHOLD:
            return i
    return 0


def last_sound(pcm):
    for i in range(len(pcm) - 1, -1, -1):
        if abs(pcm[i]) > SILENCE_THRESHOLD:
            return i + 1
    return len(pcm)


def trimmed(pcm):
    return pcm[first_sound(pcm):last_sound(pcm)]


def stretch(pcm, samples, workdir):
    """Lengthens a steady sound to `samples` with sox's WSOLA tempo effect,
    which keeps its pitch and spectrum."""
    if len(pcm) >= samples or not pcm:
        return pcm[:samples]
    src = os.path.join(workdir, "short.raw")
    dst = os.path.join(workdir, "long.raw")
    array.array("h", pcm).tofile(open(src, "wb"))
    fmt = ["-t", "raw", "-r", str(RATE), "-c", "1", "-b", "16", "-e", "signed-integer"]
    subprocess.run(["sox"] + fmt + [src] + fmt + [dst, "tempo", "-s",
                    "%.4f" % (len(pcm) / samples)], check=True)
    out = array.array("h")
    with open(dst, "rb") as f:
        out.frombytes(f.read())
    return list(out)[:samples]


def release(pcm):
    """From the quietest 5 ms of `pcm` (the closure) on: the stop's release
    and what follows it."""
    window = int(RATE * 0.005)
    quietest, start = None, 0
    for i in range(0, len(pcm) - window, window // 2):
        energy = sum(v * v for v in pcm[i:i + window])
        if quietest is None or energy <= quietest:
            quietest, start = energy, i
    return pcm[start:]


def cut(pcm, kind, duration_ms, phonemes, workdir):
    pcm = trimmed(pcm)
    ms = lambda m: int(RATE * m / 1000)
    if kind == "whole":
        return stretch(pcm, ms(duration_ms * 0.95), workdir)
    if kind == "tail":
        vowel = trimmed(speak("'@", workdir))
        own = pcm[len(vowel):]
        return stretch(own, ms(duration_ms * 0.9), workdir)
    if kind == "onset":
        return pcm[:ms(min(duration_ms, ONSET_MS))]
    if kind == "glide":
        return pcm[:ms(duration_ms * GLIDE_SHARE)]
    if kind == "coda":
        # A final stop is a closure (near silence) and a release; the sample
        # keeps only the end of the closure so the release comes at once.
        return trimmed(release(pcm[-ms(CODA_MS + 60):]))[:ms(min(duration_ms, CODA_MS))]
    raise ValueError(kind)


def fade(pcm):
    n_in = min(len(pcm) // 4, int(RATE * FADE_IN_MS / 1000))
    n_out = min(len(pcm) // 3, int(RATE * FADE_OUT_MS / 1000))
    out = list(pcm)
    for i in range(n_in):
        out[i] = out[i] * i / n_in
    for i in range(n_out):
        out[len(out) - 1 - i] = out[len(out) - 1 - i] * i / n_out
    return out


def to_unsigned8(pcm, gain):
    return bytes(max(0, min(255, 128 + int(round(v * gain / 256)))) for v in pcm)


def wave_image(data):
    odd = len(data) & 1
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data) + odd,
                         b"WAVE", b"fmt ", 16, 1, 1, RATE, RATE, 1, 8,
                         b"data", len(data))
    return header + data + (b"\x80" if odd else b"")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "allophones.bin")
    assert [a[0] for a in ALLOPHONES] == list(range(5, 64))
    cuts = []
    with tempfile.TemporaryDirectory() as workdir:
        for number, name, phonemes, kind in ALLOPHONES:
            pcm = fade(cut(speak(phonemes, workdir), kind, DURATIONS[number],
                           phonemes, workdir))
            cuts.append((number, name, pcm))
    loudest = max(max(abs(v) for v in pcm) for _, _, pcm in cuts)
    gain = PEAK * 32767 / loudest
    blob = bytearray()
    for number, name, pcm in cuts:
        own_peak = max(abs(v) for v in pcm)
        data = to_unsigned8(pcm, max(gain, MIN_PEAK * 32767 / own_peak))
        blob += wave_image(data)
        print(f"{number:2d} {name:4s} {len(data):5d} samples "
              f"{1000 * len(data) / RATE:6.1f} ms (holds {DURATIONS[number]} ms)")
    with open(out_path, "wb") as f:
        f.write(blob)
    print(f"{len(blob)} bytes -> {os.path.normpath(out_path)}")


if __name__ == "__main__":
    main()
