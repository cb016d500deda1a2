#!/usr/bin/python3
"""Synthesize the game's three sound effects into assets/wav/101.wav .. 103.wav.

The sounds are described in assets/src/sound/effects.json (pitches, envelopes,
filter sweeps).  The sample format and the exact size of every file are fixed,
because the game embeds these images and plays them as they are; the self-check
at the end re-reads each file and refuses to leave a wrong one behind.

Run from the repository root:  /usr/bin/python3 assets/tools/make_sounds.py
"""

import json
import math
import os
import struct
import sys

import numpy as np

SRC = os.path.join("assets", "src", "sound", "effects.json")
OUT_DIR = os.path.join("assets", "wav")
SILENT_TAIL = 8          # samples of exact silence that end every effect


# --------------------------------------------------------------------------
# Building blocks

def envelope(t, attack, decay):
    """Linear attack to 1, then exponential decay with time constant `decay`."""
    env = np.exp(-np.maximum(t - attack, 0.0) / decay)
    rising = t < attack
    env[rising] = t[rising] / attack
    return env


def sweep_phase(freq, rate):
    """Running phase (radians) of an oscillator whose frequency varies per sample."""
    return np.cumsum(2.0 * math.pi * freq / rate) - 2.0 * math.pi * freq[0] / rate


def exp_sweep(t, start, end, duration):
    """Exponential glide from `start` to `end` over `duration`, then held."""
    x = np.clip(t / duration, 0.0, 1.0)
    return start * (end / start) ** x


def finish(x, peak, fade_out, rate, silent_from=None):
    """Remove DC, normalise to `peak` and fade the tail to exact silence.

    With `silent_from` (seconds) the fade ends there and everything after it is
    silence; otherwise it ends SILENT_TAIL samples before the end of the file."""
    x = x - np.mean(x)
    end = len(x) - SILENT_TAIL if silent_from is None else int(round(silent_from * rate))
    n_fade = int(round(fade_out * rate))
    ramp = 0.5 + 0.5 * np.cos(np.linspace(0.0, math.pi, n_fade))
    x[end - n_fade:end] *= ramp
    x[end:] = 0.0
    return x * (peak / np.max(np.abs(x)))


# --------------------------------------------------------------------------
# The three effects

def chime(p, n):
    """101: two bell-like notes, the second a fifth above the first."""
    rate = p["rate"]
    t = np.arange(n) / rate
    out = np.zeros(n)
    for note in p["notes"]:
        tn = t - note["start"]
        on = tn >= 0.0
        for part in p["partials"]:
            f = note["freq"] * part["ratio"]
            if f >= 0.45 * rate:
                continue
            env = envelope(tn[on], note["attack"], note["decay"] * part["decay_scale"])
            out[on] += note["level"] * part["level"] * env * np.sin(2 * math.pi * f * tn[on])
    return finish(out, p["peak"], p["fade_out"], rate)


def explosion(p, n):
    """102: low-passed white noise whose cutoff falls, over a sinking sine thump."""
    rate = p["rate"]
    t = np.arange(n) / rate
    rng = np.random.default_rng(p["seed"])
    white = rng.uniform(-1.0, 1.0, n)

    nz = p["noise"]
    cutoff = exp_sweep(t, nz["cutoff_start"], nz["cutoff_end"], nz["cutoff_time"])
    coef = 1.0 - np.exp(-2.0 * math.pi * cutoff / rate)
    # two cascaded one-pole low-passes with a time-varying cutoff
    y1 = y2 = 0.0
    noise = np.empty(n)
    for i in range(n):
        y1 += coef[i] * (white[i] - y1)
        y2 += coef[i] * (y1 - y2)
        noise[i] = y2
    noise /= np.max(np.abs(noise[: rate // 10]))
    noise *= nz["level"] * envelope(t, nz["attack"], nz["decay"])

    th = p["thump"]
    freq = exp_sweep(t, th["freq_start"], th["freq_end"], th["sweep_time"])
    thump = th["level"] * envelope(t, th["attack"], th["decay"]) * np.sin(sweep_phase(freq, rate))
    # the quiet end of a decay crackles at 8 bits: fade it out early and leave silence
    return finish(noise + thump, p["peak"], p["fade_out"], rate, p.get("silent_from"))


def blip(p, n):
    """103: a band-limited pulse wave with a quick upward chirp and fast decay."""
    rate = p["rate"]
    t = np.arange(n) / rate
    freq = exp_sweep(t, p["freq_start"], p["freq_end"], p["sweep_time"])
    phase = sweep_phase(freq, rate)
    out = np.zeros(n)
    k = 1
    while k * np.min(freq) < 0.45 * rate:
        # pulse-wave Fourier series; harmonics fade out smoothly towards Nyquist
        amp = 2.0 / (k * math.pi) * math.sin(k * math.pi * p["duty"])
        gain = np.clip((0.45 * rate - k * freq) / (0.1 * rate), 0.0, 1.0)
        out += amp * gain * np.cos(k * phase)
        k += 1
    out *= envelope(t, p["attack"], p["decay"])
    return finish(out, p["peak"], p["fade_out"], rate)


SYNTHS = {"101": chime, "102": explosion, "103": blip}


# --------------------------------------------------------------------------
# RIFF WAVE writing

def chunk(tag, payload):
    """One RIFF chunk; odd payloads get the pad byte the format requires."""
    pad = b"\0" if len(payload) % 2 else b""
    return tag + struct.pack("<I", len(payload)) + payload + pad


def info_list(title):
    """A LIST/INFO chunk holding only a zero-terminated INAM title."""
    return chunk(b"LIST", b"INFO" + chunk(b"INAM", title.encode("ascii") + b"\0"))


def fmt_chunk(rate, bits):
    block = bits // 8
    return chunk(b"fmt ", struct.pack("<HHIIHH", 1, 1, rate, rate * block, block, bits))


def sample_count(p, extra):
    """Number of samples that makes the whole file exactly p['file_size'] bytes."""
    fixed = 12 + len(fmt_chunk(p["rate"], p["bits"])) + 8 + len(extra)
    data_bytes = p["file_size"] - fixed
    block = p["bits"] // 8
    assert data_bytes > 0 and data_bytes % block == 0 and data_bytes % 2 == 0, \
        "file size %d cannot be met exactly" % p["file_size"]
    return data_bytes // block


def encode(x, bits):
    if bits == 16:
        return np.round(x * 32767.0).astype("<i2").tobytes()
    return np.round(128.0 + x * 127.0).astype(np.uint8).tobytes()


def build(ident, p):
    extra = info_list(p["title"]) if "title" in p else b""
    n = sample_count(p, extra)
    samples = SYNTHS[ident](p, n)
    body = b"WAVE" + extra + fmt_chunk(p["rate"], p["bits"]) + chunk(b"data", encode(samples, p["bits"]))
    return b"RIFF" + struct.pack("<I", len(body)) + body


# --------------------------------------------------------------------------
# Self-check: read every file back the way a strict player would

def check(ident, p, image):
    assert len(image) == p["file_size"], "%s: %d bytes" % (ident, len(image))
    assert image[:4] == b"RIFF" and image[8:12] == b"WAVE"
    assert struct.unpack_from("<I", image, 4)[0] == len(image) - 8

    chunks = []
    pos = 12
    while pos < len(image):
        tag = image[pos:pos + 4]
        size = struct.unpack_from("<I", image, pos + 4)[0]
        chunks.append((tag, image[pos + 8:pos + 8 + size]))
        pos += 8 + size + (size & 1)
    assert pos == len(image), "%s: chunk sizes do not add up" % ident
    tags = [c[0] for c in chunks]

    if "title" in p:
        assert tags == [b"LIST", b"fmt ", b"data"], tags
        lst = chunks[0][1]
        assert lst[:4] == b"INFO" and lst[4:8] == b"INAM"
        size = struct.unpack_from("<I", lst, 8)[0]
        name = lst[12:12 + size]
        assert name == p["title"].encode("ascii") + b"\0", name
        assert len(lst) == 12 + size + (size & 1)
    else:
        assert tags == [b"fmt ", b"data"], tags

    fmt = dict(chunks)[b"fmt "]
    tag, channels, rate, byte_rate, block, bits = struct.unpack("<HHIIHH", fmt)
    assert (tag, channels, rate, bits) == (1, 1, p["rate"], p["bits"]), ident
    assert block == bits // 8 and byte_rate == rate * block

    data = dict(chunks)[b"data"]
    if bits == 16:
        x = np.frombuffer(data, "<i2").astype(float) / 32768.0
        silent = np.frombuffer(data, "<i2")[-SILENT_TAIL:] == 0
    else:
        x = (np.frombuffer(data, np.uint8).astype(float) - 128.0) / 128.0
        silent = np.frombuffer(data, np.uint8)[-SILENT_TAIL:] == 128
    assert np.max(np.abs(x)) < 0.95, "%s clips" % ident
    assert np.max(np.abs(x)) > 0.5, "%s is too quiet" % ident
    assert silent.all(), "%s does not end in silence" % ident
    if "silent_from" in p:
        start = int(round(p["silent_from"] * rate))
        assert not np.any(x[start:]), "%s is not silent from %.2f s" % (ident, p["silent_from"])
    # the loud part comes first and dies away
    tenth = len(x) // 10
    assert np.max(np.abs(x[:3 * tenth])) > 4 * np.max(np.abs(x[-tenth:])), "%s does not decay" % ident
    return len(x) / rate


def main():
    with open(SRC) as f:
        params = json.load(f)
    os.makedirs(OUT_DIR, exist_ok=True)
    for ident in ("101", "102", "103"):
        p = params[ident]
        image = build(ident, p)
        length = check(ident, p, image)
        path = os.path.join(OUT_DIR, ident + ".wav")
        with open(path, "wb") as f:
            f.write(image)
        print("%s: %d bytes, %.3f s" % (path, len(image), length))
    return 0


if __name__ == "__main__":
    sys.exit(main())
