#!/usr/bin/python3
"""Write the game's background music, assets/FenzoGobbix.snd, an XM module.

The notes come from assets/src/sound/tune.txt and the instruments from
assets/src/sound/instruments.json; every sample is synthesised here and the
module is written byte by byte (FastTracker 2 "Extended Module" layout, 4
channels, 16-bit delta-coded samples).  The order list simply runs out and the
song restarts at its first pattern, so a looping player plays it forever.

After writing, the file is read back and checked: structure, cells and samples
round-trip, no effect but arpeggio appears (so nothing can stop, jump or change
the speed), the song lasts 60..90 s, sustain loops are seamless and the lead is
released before the song wraps.

Run from the repository root:  /usr/bin/python3 assets/tools/make_tune.py
"""

import json
import math
import os
import re
import struct
import sys

import numpy as np

TUNE = os.path.join("assets", "src", "sound", "tune.txt")
INSTRUMENTS = os.path.join("assets", "src", "sound", "instruments.json")
OUT = os.path.join("assets", "FenzoGobbix.snd")

ROWS_PER_BAR = 16
BARS = 4
ROWS = ROWS_PER_BAR * BARS
CHANNELS = ("lead", "chords", "bass", "drums")
C4_RATE = 8363.0                     # playback rate of C-4 with no tuning
NOTE_OFF = 97
BASS_LOW = "E2"                      # bass roots lie in E2..D#3
CHORD_LOW = "G3"                     # arpeggio roots lie in G3..F#4
MAX_BYTES = 500 * 1024

NAMES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}
CHORD_SHAPES = {"": (4, 7), "m": (3, 7), "sus4": (5, 7)}
FIGURE_STEPS = {"1": 0, "5": 7, "8": 12}   # "3" takes the chord's own third


def note_number(name):
    """'A4' -> XM note number (C-0 is 1, so A4 = 58 and sounds at 440 Hz)."""
    m = re.fullmatch(r"([A-G])([#b]?)(\d)", name)
    if not m:
        raise ValueError("bad note %r" % name)
    semi = NAMES[m.group(1)] + {"": 0, "#": 1, "b": -1}[m.group(2)]
    return int(m.group(3)) * 12 + semi + 1


def note_freq(number):
    return 440.0 * 2.0 ** ((number - 58) / 12.0)


# ==========================================================================
# Reading the tune description

def parse_chord(name):
    m = re.fullmatch(r"([A-G])([#b]?)(m|sus4)?", name)
    if not m:
        raise ValueError("bad chord %r" % name)
    root = (NAMES[m.group(1)] + {"": 0, "#": 1, "b": -1}[m.group(2)]) % 12
    return root, CHORD_SHAPES[m.group(3) or ""]


def bar_line(words, what):
    if len(words) != ROWS_PER_BAR:
        raise ValueError("%s needs %d steps, has %d: %s" % (what, ROWS_PER_BAR, len(words), " ".join(words)))
    return words


def read_tune(path):
    tune = {"hits": {}, "groove": {}, "figure": {}, "strum": {}, "patterns": {}}
    current = None
    with open(path) as f:
        for number, raw in enumerate(f, 1):
            # '#' also spells sharps, so only whole-line comments are comments
            line = raw.strip().split() if raw.strip() and not raw.lstrip().startswith("#") else []
            if not line:
                continue
            key, args = line[0], line[1:]
            where = "%s:%d" % (path, number)
            if key == "title":
                tune[key] = " ".join(args)
            elif key in ("bpm", "speed"):
                tune[key] = int(args[0])
            elif key == "order":
                tune["order"] = args
            elif key == "hit":
                tune["hits"][args[0]] = (args[1], int(args[2]))
            elif key in ("groove", "figure", "strum"):
                tune[key][args[0]] = bar_line(args[1:], where)
            elif key == "pattern":
                current = {"lead": []}
                tune["patterns"][args[0]] = current
            elif key == "chords":
                current["chords"] = [[parse_chord(c) for c in bar.split("/")] for bar in args]
            elif key in ("drums", "bass", "arp"):
                current[key] = args * BARS if len(args) == 1 else args
            elif key == "lead":
                if args != ["-"]:
                    current["lead"].append(bar_line(args, where))
            else:
                raise ValueError("%s: unknown line %r" % (where, key))
    for name, pat in tune["patterns"].items():
        for key in ("chords", "drums", "bass", "arp"):
            if len(pat[key]) != BARS:
                raise ValueError("pattern %s: %s needs %d bars" % (name, key, BARS))
        if pat["lead"] and len(pat["lead"]) != BARS:
            raise ValueError("pattern %s: lead needs %d bars" % (name, BARS))
    return tune


# ==========================================================================
# Turning the description into pattern cells

def empty_cell():
    return [0, 0, 0, 0, 0]           # note, instrument, volume column, effect, parameter


def place_in_octave(pitch_class, lowest):
    low = note_number(lowest)
    return low + (pitch_class - (low - 1)) % 12


def chord_at(pat, row):
    bar, step = divmod(row, ROWS_PER_BAR)
    chords = pat["chords"][bar]
    return chords[step * len(chords) // ROWS_PER_BAR]


def build_pattern(tune, pat, inst_no):
    rows = [[empty_cell() for _ in CHANNELS] for _ in range(ROWS)]
    lead, chords, bass, drums = range(4)

    for bar, steps in enumerate(pat["lead"]):
        for step, tok in enumerate(steps):
            cell = rows[bar * ROWS_PER_BAR + step][lead]
            if tok == "^":
                cell[0] = NOTE_OFF
            elif tok != ".":
                cell[0], cell[1] = note_number(tok), inst_no["lead"]

    sounding = False
    previous = None
    for row in range(ROWS):
        bar, step = divmod(row, ROWS_PER_BAR)
        root, (x, y) = chord_at(pat, row)
        cell = rows[row][chords]
        cell[3], cell[4] = 0x0, (x << 4) | y          # arpeggio on every row
        tok = tune["strum"][pat["arp"][bar]][step]
        if tok == "x" or (tok == "." and sounding and (root, x, y) != previous):
            cell[0], cell[1] = place_in_octave(root, CHORD_LOW), inst_no["chords"]
            sounding = True
        elif tok == "^":
            cell[0] = NOTE_OFF
            sounding = False
        previous = (root, x, y)

        tok = tune["figure"][pat["bass"][bar]][step]
        if tok == "^":
            rows[row][bass][0] = NOTE_OFF
        elif tok != ".":
            base = place_in_octave(root, BASS_LOW)
            offset = x if tok == "3" else FIGURE_STEPS[tok]
            rows[row][bass][0], rows[row][bass][1] = base + offset, inst_no["bass"]

        tok = tune["groove"][pat["drums"][bar]][step]
        if tok != ".":
            sound, volume = tune["hits"][tok]
            rows[row][drums][:3] = [note_number("C4"), inst_no[sound], 0x10 + volume]
    return rows


# ==========================================================================
# Sample synthesis

def harmonic_amplitudes(p, k):
    if p["wave"] == "saw":
        return 1.0 / k
    return 2.0 / (k * math.pi) * math.sin(k * math.pi * p["duty"])


def synth_tone(p):
    """A looped tone built from exact harmonics of one loop length.

    Every oscillator makes a whole number of cycles per loop, so once the
    brightness sweep has settled the wave repeats exactly and the loop has no
    seam.  Returns (samples, loop start, loop length, tuning in semitones)."""
    period = p["period"]
    loop = period * p.get("loop_periods", 1)
    rate = note_freq(note_number(p["home"])) * period
    attack = int(math.ceil(p["attack_length"] * rate))
    n = attack + loop
    t = np.arange(n) / rate
    T, tau = p["attack_length"], p["bright_time"]
    fall = np.clip((np.exp(-t / tau) - math.exp(-T / tau)) / (1.0 - math.exp(-T / tau)), 0.0, 1.0)
    bright = p["bright_end"] + (p["bright_start"] - p["bright_end"]) * fall
    out = np.zeros(n)
    for osc in p["oscillators"]:
        for k in range(1, p["harmonics"] + 1):
            gain = 1.0 / (1.0 + (k / bright) ** 4)
            phase = 2.0 * math.pi * k * osc["cycles"] * np.arange(n) / loop
            out += osc["level"] * harmonic_amplitudes(p, k) * gain * np.cos(phase)
    # pitch heard: level-weighted mean of the oscillators, in semitones
    base = p["oscillators"][0]["cycles"]
    detune = sum(o["level"] * 12 * math.log2(o["cycles"] / base) for o in p["oscillators"])
    detune /= sum(o["level"] for o in p["oscillators"])
    # note n must play at period * f(n) samples per second
    tuning = 12.0 * math.log2(period * note_freq(note_number("C4")) / C4_RATE) - detune
    return out, attack, loop, tuning


def one_pole(x, cutoff, rate, high=False):
    a = 1.0 - math.exp(-2.0 * math.pi * cutoff / rate)
    y = np.empty_like(x)
    s = 0.0
    for i, v in enumerate(x):
        s += a * (v - s)
        y[i] = v - s if high else s
    return y


def fade_tail(x, rate, seconds=0.01):
    n = int(rate * seconds)
    x[-n:] *= 0.5 + 0.5 * np.cos(np.linspace(0.0, math.pi, n))
    x[-1] = 0.0
    return x


def drum_tuning(rate):
    return 12.0 * math.log2(rate / C4_RATE)


def synth_kick(p):
    rate = p["rate"]
    t = np.arange(int(p["length"] * rate)) / rate
    freq = p["freq_end"] + (p["freq_start"] - p["freq_end"]) * np.exp(-t / p["sweep_time"])
    phase = np.cumsum(2.0 * math.pi * freq / rate)
    body = np.sin(phase - phase[0]) * np.exp(-t / p["decay"]) * np.clip(t / 0.001, 0.0, 1.0)
    noise = np.random.default_rng(p["seed"]).uniform(-1.0, 1.0, len(t))
    click = p["click"] * one_pole(noise, 3000.0, rate) * np.exp(-t / p["click_decay"])
    return fade_tail(body + click, rate), None, None, drum_tuning(rate)


def synth_snare(p):
    rate = p["rate"]
    t = np.arange(int(p["length"] * rate)) / rate
    tone = p["tone_level"] * np.sin(2.0 * math.pi * p["tone_freq"] * t) * np.exp(-t / p["tone_decay"])
    noise = np.random.default_rng(p["seed"]).uniform(-1.0, 1.0, len(t))
    noise = one_pole(one_pole(noise, p["noise_high"], rate), p["noise_low"], rate, high=True)
    noise *= p["noise_level"] / np.max(np.abs(noise)) * np.exp(-t / p["noise_decay"])
    return fade_tail(tone + noise, rate), None, None, drum_tuning(rate)


def synth_hat(p):
    rate = p["rate"]
    t = np.arange(int(p["length"] * rate)) / rate
    noise = np.random.default_rng(p["seed"]).uniform(-1.0, 1.0, len(t))
    noise = one_pole(one_pole(noise, p["noise_low"], rate, high=True), p["noise_low"], rate, high=True)
    noise *= np.exp(-t / p["decay"]) * np.clip(t / 0.0005, 0.0, 1.0)
    return fade_tail(noise, rate), None, None, drum_tuning(rate)


SYNTHS = {"tone": synth_tone, "kick": synth_kick, "snare": synth_snare, "hat": synth_hat}


def make_sample(p):
    x, loop_start, loop_len, tuning = SYNTHS[p["kind"]](p)
    pcm = np.round(x * (0.95 * 32767.0 / np.max(np.abs(x)))).astype(np.int16)
    total = int(round(tuning * 128))
    relative, finetune = divmod(total + 64, 128)      # finetune in -64..63
    return {"pcm": pcm, "loop_start": loop_start, "loop_len": loop_len,
            "relative": relative, "finetune": finetune - 64}


# ==========================================================================
# XM writing

def text(s, size):
    return s.encode("ascii")[:size].ljust(size, b"\0")


def pack_pattern(rows):
    out = bytearray()
    for row in rows:
        for cell in row:
            flags = 0x80 | sum(1 << i for i, v in enumerate(cell) if v or (i == 3 and cell[4]))
            out.append(flags)
            out.extend(v for i, v in enumerate(cell) if flags & (1 << i))
    return bytes(out)


def instrument_bytes(name, p, s):
    head = bytearray(text(name, 22)) + bytes([0]) + struct.pack("<HI", 1, 40)
    head += bytes(96)                                   # every note uses sample 0
    env = p.get("envelope", [])
    points = b"".join(struct.pack("<HH", x, y) for x, y in env).ljust(48, b"\0")
    head += points + bytes(48)
    sustain = p.get("sustain", 0)
    head += bytes([len(env), 0, sustain, 0, 0, 0, 0, 0])
    head += bytes([(1 | 2) if env else 0, 0])
    vib = p.get("vibrato", {"type": 0, "sweep": 0, "depth": 0, "rate": 0})
    head += bytes([vib["type"], vib["sweep"], vib["depth"], vib["rate"]])
    head += struct.pack("<HH", p.get("fadeout", 0), 0)
    head = struct.pack("<I", 4 + len(head) + 20) + head + bytes(20)

    pcm = s["pcm"]
    looped = s["loop_len"] is not None
    sample = struct.pack("<III", 2 * len(pcm),
                         2 * s["loop_start"] if looped else 0,
                         2 * s["loop_len"] if looped else 0)
    sample += struct.pack("<BbBBbB", p["volume"], s["finetune"], 0x10 | (1 if looped else 0),
                          p["panning"], s["relative"], 0)
    sample += text(name, 22)
    delta = np.diff(pcm.astype(np.int32), prepend=0).astype(np.int16)
    return head + sample + delta.astype("<i2").tobytes()


def build_module(tune, instruments):
    names = list(instruments)
    inst_no = {name: i + 1 for i, name in enumerate(names)}
    pattern_names = list(dict.fromkeys(tune["order"]))
    patterns = [build_pattern(tune, tune["patterns"][n], inst_no) for n in pattern_names]
    samples = [make_sample(instruments[n]) for n in names]

    out = bytearray(b"Extended Module: " + text(tune["title"], 20) + b"\x1a")
    out += text("FenzoGobbix tools", 20).replace(b"\0", b" ")
    out += struct.pack("<HI", 0x0104, 276)
    out += struct.pack("<8H", len(tune["order"]), 0, len(CHANNELS), len(patterns),
                       len(names), 1, tune["speed"], tune["bpm"])
    out += bytes(pattern_names.index(n) for n in tune["order"]).ljust(256, b"\0")
    for rows in patterns:
        data = pack_pattern(rows)
        out += struct.pack("<IBHH", 9, 0, len(rows), len(data)) + data
    for name, s in zip(names, samples):
        out += instrument_bytes(name, instruments[name], s)
    return bytes(out), patterns, samples, pattern_names


# ==========================================================================
# Self-check: read the module back as a player would

def read_module(data):
    assert data[:17] == b"Extended Module: " and data[37] == 0x1a
    version, hsize = struct.unpack_from("<HI", data, 58)
    assert version == 0x0104 and hsize == 276
    length, restart, chans, npat, ninst, flags, speed, bpm = struct.unpack_from("<8H", data, 64)
    order = list(data[80:80 + length])
    pos = 60 + hsize
    patterns = []
    for _ in range(npat):
        plen, packing, nrows, psize = struct.unpack_from("<IBHH", data, pos)
        assert plen == 9 and packing == 0
        pos += plen
        end = pos + psize
        rows = []
        for _ in range(nrows):
            row = []
            for _ in range(chans):
                b = data[pos]
                pos += 1
                cell = empty_cell()
                for i in range(5):
                    if b & (1 << i):
                        cell[i] = data[pos]
                        pos += 1
                row.append(cell)
            rows.append(row)
        assert pos == end, "pattern size mismatch"
        patterns.append(rows)
    instruments = []
    for _ in range(ninst):
        isize, = struct.unpack_from("<I", data, pos)
        nsamp, shsize = struct.unpack_from("<HI", data, pos + 27)
        assert nsamp == 1 and shsize == 40
        npoints, sustain, vtype, fadeout = data[pos + 225], data[pos + 227], data[pos + 233], \
            struct.unpack_from("<H", data, pos + 239)[0]
        env = [struct.unpack_from("<HH", data, pos + 129 + 4 * i) for i in range(npoints)]
        pos += isize
        slen, lstart, llen = struct.unpack_from("<III", data, pos)
        stype = data[pos + 14]
        pos += shsize
        assert stype & 0x10 and slen % 2 == 0
        pcm = np.cumsum(np.frombuffer(data, "<i2", slen // 2, pos).astype(np.int64))
        pcm = ((pcm + 32768) % 65536 - 32768).astype(np.int16)
        pos += slen
        instruments.append({"pcm": pcm, "loop": (lstart // 2, llen // 2) if stype & 3 else None,
                            "env": env, "sustain": sustain, "vtype": vtype, "fadeout": fadeout})
    assert pos == len(data), "trailing or missing bytes"
    return {"order": order, "restart": restart, "chans": chans, "speed": speed, "bpm": bpm,
            "flags": flags, "patterns": patterns, "instruments": instruments}


def check(data, patterns, samples):
    assert len(data) < MAX_BYTES, "module is %d bytes" % len(data)
    mod = read_module(data)
    assert mod["chans"] == 4 and mod["restart"] == 0 and mod["flags"] & 1
    assert mod["patterns"] == patterns, "pattern cells do not round-trip"
    for s, inst in zip(samples, mod["instruments"]):
        assert np.array_equal(s["pcm"], inst["pcm"]), "sample data does not round-trip"

    # only arpeggio effects: nothing may stop, jump or retime the song
    for rows in mod["patterns"]:
        for row in rows:
            for cell in row:
                assert cell[3] == 0, "effect %X found" % cell[3]
                assert cell[0] <= NOTE_OFF and (cell[0] in (0, NOTE_OFF) or cell[1])

    seconds = sum(len(mod["patterns"][i]) for i in mod["order"]) * mod["speed"] * 2.5 / mod["bpm"]
    assert 60.0 <= seconds <= 90.0, "song lasts %.1f s" % seconds
    assert 120 <= mod["bpm"] * 6 / mod["speed"] <= 140

    for no, inst in enumerate(mod["instruments"], 1):
        pcm = inst["pcm"].astype(float)
        if inst["loop"]:
            start, length = inst["loop"]
            assert start + length == len(pcm)
            # jumping from the loop end back to its start must continue the
            # wave exactly as the attack ran into the loop the first time
            assert abs(pcm[start + length - 1] - pcm[start - 1]) <= 2, \
                "instrument %d: loop seam clicks" % no
            assert inst["vtype"] & 2 and inst["fadeout"] > 0, \
                "instrument %d: a looped voice must release on key-off" % no
        else:
            assert abs(pcm[-1]) < 64, "instrument %d ends with a click" % no

    # the lead of the last pattern must be released before the song wraps,
    # because the first pattern has no lead to cut it off
    last = [row[0][0] for row in mod["patterns"][mod["order"][-1]] if row[0][0]]
    assert not last or last[-1] == NOTE_OFF, "lead still sounding at the loop point"
    return seconds


def main():
    tune = read_tune(TUNE)
    with open(INSTRUMENTS) as f:
        instruments = {k: v for k, v in json.load(f).items() if not k.startswith("_")}
    data, patterns, samples, pattern_names = build_module(tune, instruments)
    seconds = check(data, patterns, samples)
    with open(OUT, "wb") as f:
        f.write(data)
    print("%s: %d bytes, %d patterns, %d orders, %.1f s per pass"
          % (OUT, len(data), len(pattern_names), len(tune["order"]), seconds))
    return 0


if __name__ == "__main__":
    sys.exit(main())
