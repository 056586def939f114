#!/usr/bin/env python3
"""panelcheck - reads a panel declaration file (KtProg.DAT) the way the editor reads it and
checks that the panel it declares is complete and draws cleanly.

    panelcheck.py [KtProg.DAT] [--png OUT.png] [--list] [--selftest]

The file is read line by line exactly as the editor does: empty lines and lines whose first
character is ";" are skipped, every other line is cut at its first ";" and is not trimmed,
value lines are expressions over numbers and the symbols of the SYMBOL_START .. SYMBOL_END
section, evaluated in 32-bit floats and rounded to the nearest integer (halves to even).

Then it checks the fixed numbering the editor relies on (12 fields, 104 pots, the effect
field), the ranges of every pot, the window geometry on a 1366 x 768 screen, and it works out
the rectangle of everything the editor draws (pots, their titles and captions, panel texts,
lines and rectangles, the on-screen keyboard, and the longest texts that the effect field
gets while the editor runs) and reports every overlap and everything that falls outside the
visible part of the window.

Exit status 0: no problem found (a summary is printed); 1: problems (one line each);
2: the file could not be read at all.  --png draws the layout as coloured blocks into a PNG.
"""

import argparse
import fractions
import math
import os
import re
import struct
import sys
import zlib

# --------------------------------------------------------------------------------------------
# What the editor fixes (not declared in the file)

FIELD_POT_COUNTS = [12, 12, 12, 12, 8, 2, 6, 7, 7, 7, 4, 15]
PARAMETER_COUNT = 104
EFFECT_FIELD = 11
EFFECT_TYPE_PARAM = 89
EFFECT_TITLE_LABEL = 21
EFFECT_TITLE_CHARS = 52          # longest effect title the editor puts into label 21
EFFECT_CAPTION_PIXELS = 48       # widest effect caption line (8 characters of 6 pixels)
EFFECT_TITLES = {1: "BASS", 2: "VCF", 8: "PARAMETERS"}   # pot number in field 11 -> title
MAX_SYMBOLS = 101
MAX_OPERANDS = 11
MIN_SLIDER_TRAVEL = 64
MIN_TEXT_GAP = 3                 # blank pixels wanted between the letters of two texts

KEYBOARD_LEFT = 10
KEYBOARD_RIGHT = 10 + 23 * 23    # 539
KEYBOARD_TOP_FROM_BOTTOM = 140   # keys' upper edge = WindowHeight - 140
KEYBOARD_BOTTOM_FROM_BOTTOM = 50  # keys' lower edge = WindowHeight - 50

SCREEN_WIDTH = 1366
SCREEN_HEIGHT = 768
TASKBAR = 40
FRAME_WIDTH = 20                 # window width minus the last visible client column
FRAME_HEIGHT = 52                # window height minus the last visible client row

INT16_MIN, INT16_MAX = -32768, 32767


class DeclarationError(Exception):
    """The file cannot be read on (it ends too early); carries a message."""


# --------------------------------------------------------------------------------------------
# 32-bit float arithmetic

FLOAT32_MAX = struct.unpack('<f', struct.pack('<I', 0x7F7FFFFF))[0]


def f32(value):
    """value rounded to the nearest 32-bit float (an infinity when it is too large)."""
    if math.isnan(value) or math.isinf(value):
        return value
    try:
        return struct.unpack('<f', struct.pack('<f', value))[0]
    except OverflowError:
        return math.copysign(math.inf, value)


def fraction_to_f32(q):
    """Exact rational q rounded once to the nearest 32-bit float, halves to even."""
    if q == 0:
        return 0.0
    sign = -1.0 if q < 0 else 1.0
    q = abs(q)
    e = q.numerator.bit_length() - q.denominator.bit_length()
    if fractions.Fraction(2) ** e > q:
        e -= 1
    # 2**e <= q < 2**(e+1); 24 significant bits, subnormals below 2**-126
    e = max(e, -126)
    scale = fractions.Fraction(2) ** (23 - e)
    m = q * scale
    whole = m.numerator // m.denominator
    rest = m - whole
    if rest > fractions.Fraction(1, 2) or (rest == fractions.Fraction(1, 2) and whole % 2 == 1):
        whole += 1
    value = float(whole) * 2.0 ** (e - 23)
    if value > FLOAT32_MAX:
        return sign * math.inf
    return sign * value


def leading_number(text):
    """The decimal number at the start of text (sign, digits, point, digits); 0 if none."""
    m = re.match(r'([+-]?)(\d*)(?:\.(\d*))?', text)
    sign, whole, frac = m.group(1), m.group(2), m.group(3) or ''
    if whole == '' and frac == '':
        return 0.0
    q = fractions.Fraction(int(whole or '0'))
    if frac:
        q += fractions.Fraction(int(frac), 10 ** len(frac))
    value = fraction_to_f32(q)
    return -value if sign == '-' else value


def round_half_even(value):
    if math.isnan(value):
        return 0
    if math.isinf(value):
        return INT16_MAX * 1000 if value > 0 else INT16_MIN * 1000
    return int(round(value))  # Python rounds floats halves to even, exactly


def trim(text):
    """Removes leading and trailing blanks (only the blank character, as the editor does)."""
    return text.strip(' ')


# --------------------------------------------------------------------------------------------
# Expressions and symbols

class Evaluator:
    def __init__(self, problems):
        self.names = []
        self.values = []
        self.problems = problems

    def split(self, text, where):
        operands, operators = [], []
        rest = text
        while True:
            at = -1
            for i in range(1, len(rest) - 1):   # first and last character are never split
                if rest[i] in '+-*':
                    at = i
                    break
            if at < 0:
                operands.append(rest)
                break
            operands.append(trim(rest[:at]))
            operators.append(rest[at])
            rest = trim(rest[at + 1:])
        if len(operands) > MAX_OPERANDS:
            self.problems.append(f"{where}: {len(operands)} operands in \"{text}\"; the editor "
                                 f"takes at most {MAX_OPERANDS}")
        return operands, operators

    def operand_value(self, operand, where):
        text = trim(operand)
        if text == '0':
            return 0.0
        number = leading_number(text)
        if number != 0.0:
            rest = text[len(re.match(r'[+-]?\d*(?:\.\d*)?', text).group(0)):]
            if rest:
                self.problems.append(f"{where}: operand \"{text}\" is read as the number "
                                     f"{number:g}; the text \"{rest}\" after it is ignored")
            return number
        for name, value in zip(self.names, self.values):
            if name == text:
                return value
        if text.startswith('-') and text[1:] in self.names:
            self.problems.append(f"{where}: \"{text}\": a minus sign works only on numbers, "
                                 f"not on a symbol; the editor reports it and counts 0")
        elif text == '':
            self.problems.append(f"{where}: empty operand (a line that starts with blanks and a "
                                 f"sign, a doubled operator, or nothing at all); counts as 0")
        elif re.fullmatch(r'[+-]?0*\.?0*', text):
            self.problems.append(f"{where}: zero written as \"{text}\"; only \"0\" is read as "
                                 f"zero, this counts as an unknown symbol")
        else:
            self.problems.append(f"{where}: unknown symbol \"{text}\" (not declared above its "
                                 f"use?); counts as 0")
        return 0.0

    def evaluate(self, text, where):
        operands, operators = self.split(text, where)
        values = [None] * len(operands)

        def value_at(i):
            return values[i] if values[i] is not None else self.operand_value(operands[i], where)

        while True:
            try:
                i = operators.index('*')
            except ValueError:
                break
            product = f32(value_at(i) * value_at(i + 1))
            operands[i] = repr(product)
            values[i] = product
            del operands[i + 1]
            del values[i + 1]
            del operators[i]
        acc = value_at(0)
        for i, op in enumerate(operators):
            if op == '+':
                acc = f32(acc + value_at(i + 1))
            else:
                acc = f32(acc - value_at(i + 1))
        return acc

    def declare(self, line, where):
        if '=' not in line:
            self.problems.append(f"{where}: symbol line without \"=\": \"{line}\"")
            return
        name, expression = line.split('=', 1)
        name, expression = trim(name), trim(expression)
        if len(self.names) >= MAX_SYMBOLS:
            self.problems.append(f"{where}: symbol \"{name}\" is number {len(self.names) + 1}; "
                                 f"the editor has room for {MAX_SYMBOLS}")
        if name == '':
            self.problems.append(f"{where}: symbol without a name")
        elif name in self.names:
            self.problems.append(f"{where}: symbol \"{name}\" declared twice; the first value "
                                 f"counts everywhere")
        elif name == '0' or leading_number(name) != 0.0:
            self.problems.append(f"{where}: symbol \"{name}\" starts like a number and can "
                                 f"never be looked up")
        elif any(c in name for c in '+-*'):
            self.problems.append(f"{where}: symbol \"{name}\" contains an operator character "
                                 f"and would be split wherever it is used")
        value = self.evaluate(expression, where)
        self.names.append(name)
        self.values.append(value)


# --------------------------------------------------------------------------------------------
# The declaration file

class Reader:
    """The editor's data-file reader over a list of physical lines."""

    def __init__(self, path, lines):
        self.path = path
        self.lines = lines
        self.next = 0            # index of the next physical line
        self.line_number = 0     # physical lines consumed

    def data_line(self, what):
        while True:
            if self.next >= len(self.lines):
                raise DeclarationError(f"{self.path}: out of data in line {self.line_number + 1} "
                                       f"(looking for {what})")
            line = self.lines[self.next]
            self.next += 1
            self.line_number += 1
            if line == '' or line[0] == ';':
                continue
            cut = line.find(';')
            if cut >= 0:
                line = line[:cut]
            return line

    def remaining_data_lines(self):
        found = []
        for i in range(self.next, len(self.lines)):
            line = self.lines[i]
            if line != '' and line[0] != ';':
                found.append(i + 1)
        return found


class Declaration:
    pass


def read_declaration(path, text, problems):
    """Reads the declaration as the editor does; problems found on the way are appended."""
    lines = text.split('\n')
    if lines and lines[-1] == '':
        lines.pop()                           # the final line end opens no line
    lines = [l[:-1] if l.endswith('\r') else l for l in lines]
    rd = Reader(path, lines)
    ev = Evaluator(problems)
    d = Declaration()
    d.where = {}                 # item name -> physical line it was read from

    def where():
        return f"line {rd.line_number}"

    def value(what):
        line = rd.data_line(what)
        if '\t' in line:
            problems.append(f"{where()} ({what}): tab character in a value line; only blanks "
                            f"are removed around operands")
        d.where[what] = rd.line_number
        v = round_half_even(ev.evaluate(line, f"{where()} ({what})"))
        if not INT16_MIN <= v <= INT16_MAX:
            problems.append(f"{where()} ({what}): value {v} does not fit a signed 16-bit number")
        return v

    def text_line(what, replaced_later=False):
        line = rd.data_line(what)
        d.where[what] = rd.line_number
        raw = rd.lines[rd.next - 1]
        if (not replaced_later and len(raw) > len(line) and trim(line) != ''
                and line != line.rstrip(' ')):
            problems.append(f"{where()} ({what}): \"{line}\" ends in blanks before a comment; "
                            f"the blanks are part of the text and move it off centre")
        if '\t' in line:
            problems.append(f"{where()} ({what}): tab character in text \"{line}\"")
        if any(ord(c) > 126 for c in line):
            problems.append(f"{where()} ({what}): characters outside plain ASCII in \"{line}\" "
                            f"(each byte is drawn as its own character)")
        return line

    first = rd.data_line('the first line')
    d.symbol_lines = 0
    if trim(first).upper() == 'SYMBOL_START':
        while True:
            line = rd.data_line('SYMBOL_END')
            if line == 'SYMBOL_END':
                break
            if trim(line).upper() == 'SYMBOL_END':
                problems.append(f"{where()}: \"{line}\" does not close the symbol section; only "
                                f"SYMBOL_END exactly, without blanks, does")
            ev.declare(line, where())
            d.symbol_lines += 1
        first = rd.data_line('SliderTravel')
        d.where['SliderTravel'] = rd.line_number
    else:
        d.where['SliderTravel'] = rd.line_number
        first = trim(first).upper()
    if not re.fullmatch(r' *[+-]?\d+(\.\d*)? *', first):
        problems.append(f"{where()} (SliderTravel): \"{first}\" is not a plain number; the "
                        f"editor reads only its leading number ({leading_number(trim(first)):g})")
    d.slider_travel = round_half_even(leading_number(trim(first)))
    d.symbols = dict(zip(reversed(ev.names), reversed(ev.values)))
    d.symbol_count = len(ev.names)

    d.field_count = value('FieldCount')
    d.max_pots_per_field = value('MaxPotsPerField')
    d.repeat_delay = value('RepeatDelay')
    d.repeat_interval = value('RepeatInterval')
    d.window_x = value('WindowX')
    d.window_y = value('WindowY')
    d.window_width = value('WindowWidth')
    d.window_height = value('WindowHeight')
    d.reserved = [value(f'reserved value {i + 1}') for i in range(4)]
    pair_count = value('reserved pair count')
    if pair_count < 0:
        problems.append(f"{where()}: reserved pair count {pair_count} is negative")
    d.pairs = [(value('reserved pair'), value('reserved pair')) for _ in range(max(0, pair_count))]

    label_count = value('label count')
    if label_count < 0:
        problems.append(f"{where()}: label count {label_count} is negative")
    d.labels = []
    for i in range(max(0, label_count)):
        x = value(f'label {i} x')
        y = value(f'label {i} y')
        size = value(f'label {i} size')
        t = text_line(f'label {i} text', i == EFFECT_TITLE_LABEL)
        d.labels.append((x, y, size, t, rd.line_number))

    line_count = value('line count')
    if line_count < 0:
        problems.append(f"{where()}: line count {line_count} is negative")
    d.lines = []
    for i in range(max(0, line_count)):
        vals = [value(f'line {i} {n}') for n in ('style', 'x1', 'y1', 'x2', 'y2')]
        d.lines.append(tuple(vals) + (rd.line_number,))

    d.fields = []
    for f in range(max(0, d.field_count)):
        fx = value(f'field {f} x')
        fy = value(f'field {f} y')
        step = value(f'field {f} step')
        count = value(f'field {f} pot count')
        pots = []
        for k in range(max(0, count)):
            hi = value(f'field {f} pot {k} max')
            default = value(f'field {f} pot {k} default')
            lo = value(f'field {f} pot {k} min')
            by_editor = f == EFFECT_FIELD and k >= 1     # the effect tables replace these
            title = text_line(f'field {f} pot {k} title', by_editor)
            caption = text_line(f'field {f} pot {k} caption', by_editor)
            pots.append((hi, default, lo, title, caption, rd.line_number))
        d.fields.append((fx, fy, step, count, pots))

    rest = rd.remaining_data_lines()
    if rest:
        problems.append(f"data after the last pot (line {rest[0]}"
                        f"{' and %d more' % (len(rest) - 1) if len(rest) > 1 else ''}) is never "
                        f"read: a pot count or a label/line count too small?")
    return d


# --------------------------------------------------------------------------------------------
# Checks of content

def number_text(v):
    """A value as the editor writes it on the knob: a leading blank unless negative."""
    return str(v) if v < 0 else ' ' + str(v)


def check_content(d, problems):
    travel = d.symbols.get('TRAVEL')
    if travel is not None and round_half_even(travel) != d.slider_travel:
        problems.append(f"the symbol TRAVEL is {travel:g} but the SliderTravel line says "
                        f"{d.slider_travel}; the editor uses the line, the layout the symbol")
    if d.slider_travel < MIN_SLIDER_TRAVEL:
        problems.append(f"SliderTravel {d.slider_travel} is below {MIN_SLIDER_TRAVEL}")
    if d.field_count != len(FIELD_POT_COUNTS):
        problems.append(f"FieldCount is {d.field_count}; the editor needs "
                        f"{len(FIELD_POT_COUNTS)} fields")
    largest = max((fl[3] for fl in d.fields), default=0)
    if d.max_pots_per_field + 1 < largest:
        problems.append(f"MaxPotsPerField {d.max_pots_per_field} allows {d.max_pots_per_field + 1} "
                        f"pots per field, but a field has {largest}")
    if d.repeat_delay <= 0 or d.repeat_interval <= 0:
        problems.append(f"RepeatDelay {d.repeat_delay} and RepeatInterval {d.repeat_interval} "
                        f"must be positive")
    if any(v != 0 for v in d.reserved):
        problems.append(f"the four reserved values should be 0, not {d.reserved}")

    for f, fl in enumerate(d.fields):
        want = FIELD_POT_COUNTS[f] if f < len(FIELD_POT_COUNTS) else None
        if want is not None and fl[3] != want:
            first = sum(FIELD_POT_COUNTS[:f])
            problems.append(f"field {f} has {fl[3]} pots; the numbering needs {want} "
                            f"(parameters {first}..{first + want - 1})")
        if fl[2] <= 0 and fl[3] > 1:
            problems.append(f"field {f}: step {fl[2]} puts its pots on top of each other")
    total = sum(fl[3] for fl in d.fields)
    if total != PARAMETER_COUNT:
        problems.append(f"{total} pots declared; the editor numbers exactly {PARAMETER_COUNT} "
                        f"parameters")
    if len(d.labels) < EFFECT_TITLE_LABEL + 1:
        problems.append(f"{len(d.labels)} labels; label {EFFECT_TITLE_LABEL} (the effect title) "
                        f"must exist, so at least {EFFECT_TITLE_LABEL + 1} are needed")

    j = 0
    for f, fl in enumerate(d.fields):
        for k, (hi, default, lo, title, caption, ln) in enumerate(fl[4]):
            name = f"field {f} pot {k} (parameter {j}, line {ln})"
            if hi == lo:
                problems.append(f"{name}: max equals min ({hi}); the knob cannot be placed")
            elif hi < lo:
                problems.append(f"{name}: max {hi} is below min {lo}")
            if not lo <= default <= hi:
                problems.append(f"{name}: default {default} lies outside {lo}..{hi}")
            for v in (lo, hi):
                if len(number_text(v)) > 4:
                    problems.append(f"{name}: value {v} is too wide for the knob (at most "
                                    f"4 characters including the sign or blank)")
            if caption.count('|') > 1:
                problems.append(f"{name}: caption \"{caption}\" has more than one \"|\"; only "
                                f"the first splits, the others are drawn")
            if title == '':
                problems.append(f"{name}: empty title")
            if j == EFFECT_TYPE_PARAM and (lo, hi) != (0, 3):
                problems.append(f"{name}: the effect type must have the range 0..3, not "
                                f"{lo}..{hi}")
            j += 1
    if j <= EFFECT_TYPE_PARAM:
        problems.append(f"no parameter {EFFECT_TYPE_PARAM} (the effect type)")

    w = d.window_width
    h = d.window_height
    if d.window_x < 0 or d.window_y < 0:
        problems.append(f"window position ({d.window_x}, {d.window_y}) is off the screen")
    if d.window_x + w > SCREEN_WIDTH:
        problems.append(f"window spans x {d.window_x}..{d.window_x + w}; the screen is "
                        f"{SCREEN_WIDTH} wide")
    if d.window_y + h > SCREEN_HEIGHT - TASKBAR:
        problems.append(f"window spans y {d.window_y}..{d.window_y + h}; the screen above the "
                        f"taskbar is {SCREEN_HEIGHT - TASKBAR} high")
    if KEYBOARD_RIGHT > w - FRAME_WIDTH:
        problems.append(f"the window ({w} wide) is too narrow for the keyboard (x up to "
                        f"{KEYBOARD_RIGHT})")
    if h - KEYBOARD_TOP_FROM_BOTTOM < 0:
        problems.append(f"the window ({h} high) is too low for the keyboard")


# --------------------------------------------------------------------------------------------
# Geometry: every drawn piece as inclusive rectangles

class Piece:
    def __init__(self, owner, kind, what, boxes):
        self.owner = owner      # ('pot', f, k) / ('label', i) / ('line', i) / ('keyboard',)
        self.kind = kind        # 'pot', 'title', 'caption', 'label', 'line', 'keyboard'
        self.what = what        # words for messages
        self.boxes = boxes      # list of (x0, y0, x1, y1), inclusive
        self.text = None
        self.font = None
        self.ink = None         # (x0, x1) of the non-blank characters, when the text is known


def set_ink(piece, text, advance):
    """Records the columns of the text's non-blank characters."""
    stripped = text.strip(' ')
    if not stripped:
        return
    first = len(text) - len(text.lstrip(' '))
    x0 = piece.boxes[0][0] + advance * first
    piece.ink = (x0, x0 + advance * len(stripped) - 1)


def text_box(cx, y, text_len, large):
    """Rectangle of a text of text_len characters centred on cx at y (the editor's y)."""
    if large:
        return (cx - 4 * text_len, y - 6, cx + 4 * text_len - 1, y + 1)
    return (cx - 3 * text_len, y - 4, cx + 3 * text_len - 1, y + 1)


def line_boxes(x1, y1, x2, y2, pen):
    """Pixels a line of this pen width may cover, as boxes (conservative at the ends)."""
    half = max(1, pen) // 2
    if x1 == x2 or y1 == y2:
        return [(min(x1, x2) - half, min(y1, y2) - half, max(x1, x2) + half, max(y1, y2) + half)]
    boxes = []
    steps = max(abs(x2 - x1), abs(y2 - y1))
    for s in range(steps + 1):
        x = round(x1 + (x2 - x1) * s / steps)
        y = round(y1 + (y2 - y1) * s / steps)
        boxes.append((x - half, y - half, x + half, y + half))
    return boxes


def build_pieces(d):
    st = d.slider_travel
    pieces = []
    for f, (fx, fy, step, count, pots) in enumerate(d.fields):
        for k, (hi, default, lo, title, caption, ln) in enumerate(pots):
            x = fx + step * k
            y = fy
            owner = ('pot', f, k)
            name = f"field {f} pot {k}"
            pieces.append(Piece(owner, 'pot', f"{name} (slider)", [(x, y, x + 36, y + st + 54)]))
            titles = []
            if title != ' ':
                titles.append(title)
            if f == EFFECT_FIELD and k in EFFECT_TITLES:
                titles.append(EFFECT_TITLES[k])
            for t in titles:
                p = Piece(owner, 'title', f"{name} title \"{t}\"",
                          [text_box(x + 19, y - 5, len(t), True)])
                p.text, p.font = t, 'large'
                set_ink(p, t, 8)
                pieces.append(p)
            parts = caption.split('|', 1)
            for n, part in enumerate(parts):
                widths = [len(part)]
                if f == EFFECT_FIELD and k >= 1:
                    widths.append(EFFECT_CAPTION_PIXELS // 6)
                chars = max(widths)
                if chars == 0:
                    continue
                top = y + st + 59 + 8 * n
                p = Piece(owner, 'caption', f"{name} caption line {n + 1} \"{part}\"",
                          [(x + 19 - 3 * chars, top, x + 19 + 3 * chars - 1, top + 5)])
                p.text, p.font = part.ljust(chars) if len(part) < chars else part, 'small'
                if chars == len(part):
                    set_ink(p, part, 6)
                pieces.append(p)
            if f == EFFECT_FIELD and k >= 1 and len(parts) == 1:
                # the run-time captions all have two lines
                top = y + st + 67
                chars = EFFECT_CAPTION_PIXELS // 6
                p = Piece(owner, 'caption', f"{name} caption line 2 (effect texts)",
                          [(x + 19 - 3 * chars, top, x + 19 + 3 * chars - 1, top + 5)])
                pieces.append(p)
    for i, (x, y, size, text, ln) in enumerate(d.labels):
        n = len(text)
        if i == EFFECT_TITLE_LABEL:
            n = max(n, EFFECT_TITLE_CHARS)
        large = size > 6
        p = Piece(('label', i), 'label', f"label {i} \"{text.strip()}\" (line {ln})",
                  [text_box(x, y, n, large)])
        p.text, p.font = text.center(n) if len(text) < n else text, 'large' if large else 'small'
        if n == len(text):
            set_ink(p, text, 8 if large else 6)
        pieces.append(p)
    for i, (style, x1, y1, x2, y2, ln) in enumerate(d.lines):
        if style <= 10:
            boxes = line_boxes(x1, y1, x2, y2, style)
            what = f"line {i} (line {ln})"
        else:
            pen = style - 10
            boxes = (line_boxes(x1, y1, x1 + x2, y1, pen) + line_boxes(x1 + x2, y1, x1 + x2, y1 + y2, pen)
                     + line_boxes(x1, y1 + y2, x1 + x2, y1 + y2, pen) + line_boxes(x1, y1, x1, y1 + y2, pen))
            what = f"rectangle {i} (line {ln})"
        pieces.append(Piece(('line', i), 'line', what, boxes))
    h = d.window_height
    pieces.append(Piece(('keyboard',), 'keyboard', "the on-screen keyboard",
                        [(KEYBOARD_LEFT, h - KEYBOARD_TOP_FROM_BOTTOM, KEYBOARD_RIGHT,
                          h - KEYBOARD_BOTTOM_FROM_BOTTOM)]))
    return pieces


def overlap(a, b):
    return a[0] <= b[2] and b[0] <= a[2] and a[1] <= b[3] and b[1] <= a[3]


def intersection(a, b):
    return (max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3]))


def bounds(boxes):
    return (min(b[0] for b in boxes), min(b[1] for b in boxes),
            max(b[2] for b in boxes), max(b[3] for b in boxes))


def check_geometry(d, pieces, problems):
    clashes = []
    right = d.window_width - FRAME_WIDTH
    bottom = d.window_height - FRAME_HEIGHT
    for p in pieces:
        if p.kind == 'keyboard':
            continue
        b = bounds(p.boxes)
        if b[0] < 0 or b[1] < 0 or b[2] > right or b[3] > bottom:
            problems.append(f"{p.what} spans x {b[0]}..{b[2]}, y {b[1]}..{b[3]}: outside the "
                            f"visible area x 0..{right}, y 0..{bottom}")
    # a coarse grid keeps the pairwise test cheap
    cell = 64
    grid = {}
    for n, p in enumerate(pieces):
        for b in p.boxes:
            # widened, so that texts that nearly touch still meet in a cell
            for gx in range((b[0] - MIN_TEXT_GAP) // cell, (b[2] + MIN_TEXT_GAP) // cell + 1):
                for gy in range(b[1] // cell, b[3] // cell + 1):
                    grid.setdefault((gx, gy), set()).add(n)
    seen = set()
    for members in grid.values():
        ordered = sorted(members)
        for i, a in enumerate(ordered):
            for bn in ordered[i + 1:]:
                if (a, bn) in seen:
                    continue
                pa, pb = pieces[a], pieces[bn]
                if pa.owner == pb.owner:
                    continue
                if pa.kind == 'line' and pb.kind == 'line':
                    continue        # lines may cross and touch each other
                hit = None
                for ba in pa.boxes:
                    for bb in pb.boxes:
                        if overlap(ba, bb):
                            hit = intersection(ba, bb)
                            break
                    if hit:
                        break
                seen.add((a, bn))
                if hit:
                    clashes.append(hit)
                    problems.append(f"{pa.what} overlaps {pb.what} at x {hit[0]}..{hit[2]}, "
                                    f"y {hit[1]}..{hit[3]}")
                elif pa.ink and pb.ink:
                    ra, rb = pa.boxes[0], pb.boxes[0]
                    if ra[1] <= rb[3] and rb[1] <= ra[3]:
                        gap = max(pa.ink[0], pb.ink[0]) - min(pa.ink[1], pb.ink[1]) - 1
                        if gap < MIN_TEXT_GAP:
                            problems.append(f"{pa.what} and {pb.what} run together: only "
                                            f"{max(gap, 0)} blank pixels between their letters")
    return clashes


# --------------------------------------------------------------------------------------------
# PNG picture of the layout

COLOURS = {
    'background': (24, 40, 150),
    'hidden': (70, 70, 70),
    'pot': (120, 120, 130),
    'body': (170, 170, 175),
    'title': (255, 215, 60),
    'caption': (90, 220, 255),
    'label_small': (120, 255, 120),
    'label_large': (255, 160, 60),
    'effect_title': (255, 110, 255),
    'line': (255, 255, 255),
    'keyboard': (240, 240, 240),
    'black_key': (20, 20, 20),
    'clash': (255, 0, 0),
}


class Canvas:
    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.pix = bytearray(bytes(colour) * (w * h))

    def fill(self, x0, y0, x1, y1, colour):
        x0, y0 = max(0, x0), max(0, y0)
        x1, y1 = min(self.w - 1, x1), min(self.h - 1, y1)
        if x0 > x1 or y0 > y1:
            return
        row = bytes(colour) * (x1 - x0 + 1)
        for y in range(y0, y1 + 1):
            at = (y * self.w + x0) * 3
            self.pix[at:at + len(row)] = row

    def crop_zoom(self, area, zoom):
        """A new canvas with the inclusive area (x0, y0, x1, y1) enlarged zoom times."""
        x0, y0, x1, y1 = area
        x0, y0 = max(0, x0), max(0, y0)
        x1, y1 = min(self.w - 1, x1), min(self.h - 1, y1)
        out = Canvas((x1 - x0 + 1) * zoom, (y1 - y0 + 1) * zoom, (0, 0, 0))
        for y in range(y0, y1 + 1):
            row = bytearray()
            for x in range(x0, x1 + 1):
                at = (y * self.w + x) * 3
                row += self.pix[at:at + 3] * zoom
            for z in range(zoom):
                at = ((y - y0) * zoom + z) * out.w * 3
                out.pix[at:at + len(row)] = row
        return out

    def save(self, path):
        raw = bytearray()
        stride = self.w * 3
        for y in range(self.h):
            raw.append(0)
            raw += self.pix[y * stride:(y + 1) * stride]

        def chunk(kind, data):
            c = struct.pack('>I', len(data)) + kind + data
            return c + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)

        png = b'\x89PNG\r\n\x1a\n'
        png += chunk(b'IHDR', struct.pack('>IIBBBBB', self.w, self.h, 8, 2, 0, 0, 0))
        png += chunk(b'IDAT', zlib.compress(bytes(raw), 9))
        png += chunk(b'IEND', b'')
        with open(path, 'wb') as out:
            out.write(png)


def draw_text_cells(c, box, text, font, colour):
    """One block per character; blanks darker, so the opaque extent stays visible."""
    adv = 8 if font == 'large' else 6
    x = box[0]
    dim = tuple(v // 3 for v in colour)
    for ch in (text or ' ' * ((box[2] - box[0] + 1) // adv)):
        col = dim if ch == ' ' else colour
        c.fill(x, box[1], x + adv - 1, box[3], dim)
        if ch != ' ':
            c.fill(x, box[1] + 1, x + adv - 2, box[3] - 1, col)
        x += adv


def draw_png(d, pieces, clashes, path, area=None, zoom=1):
    w = max(d.window_width - FRAME_WIDTH + 1, KEYBOARD_RIGHT + 1) + 10
    h = max(d.window_height - FRAME_HEIGHT + 1, d.window_height - KEYBOARD_BOTTOM_FROM_BOTTOM + 1) + 10
    c = Canvas(w, h, COLOURS['hidden'])
    c.fill(0, 0, d.window_width - FRAME_WIDTH, d.window_height - FRAME_HEIGHT, COLOURS['background'])
    st = d.slider_travel
    for p in pieces:
        if p.kind == 'pot':
            x0, y0, x1, y1 = p.boxes[0]
            c.fill(x0 + 10, y0, x0 + 26, y1, COLOURS['body'])
            c.fill(x0 + 15, y0 + 17, x0 + 21, y0 + st + 37, COLOURS['black_key'])
            c.fill(x0, y0 + st // 2 + 9, x1, y0 + st // 2 + 27, COLOURS['pot'])
        elif p.kind == 'title':
            draw_text_cells(c, p.boxes[0], p.text, 'large', COLOURS['title'])
        elif p.kind == 'caption':
            draw_text_cells(c, p.boxes[0], p.text, 'small', COLOURS['caption'])
        elif p.kind == 'label':
            colour = COLOURS['effect_title'] if p.owner == ('label', EFFECT_TITLE_LABEL) else \
                COLOURS['label_large' if p.font == 'large' else 'label_small']
            draw_text_cells(c, p.boxes[0], p.text, p.font, colour)
        elif p.kind == 'keyboard':
            x0, y0, x1, y1 = p.boxes[0]
            c.fill(x0, y0, x1, y1, COLOURS['keyboard'])
            for i in range(24):
                c.fill(x0 + 23 * i, y0, x0 + 23 * i, y1, COLOURS['black_key'])
            for o in range(3):
                for off in (16, 41, 85, 109, 135):
                    c.fill(x0 + 161 * o + off, y0, x0 + 161 * o + off + 14, y0 + 59, COLOURS['black_key'])
    for p in pieces:
        if p.kind == 'line':
            for b in p.boxes:
                c.fill(*b, COLOURS['line'])
    for b in clashes:
        c.fill(b[0] - 1, b[1] - 1, b[2] + 1, b[3] + 1, COLOURS['clash'])
    if area or zoom != 1:
        c = c.crop_zoom(area or (0, 0, c.w - 1, c.h - 1), max(1, zoom))
    c.save(path)


# --------------------------------------------------------------------------------------------
# Self test of the reader and of the checks

def check_text(text):
    """All checks on a declaration given as text: (declaration or None, problems)."""
    problems = []
    try:
        d = read_declaration('test.DAT', text, problems)
    except DeclarationError as e:
        return None, problems + [str(e)]
    check_content(d, problems)
    check_geometry(d, build_pieces(d), problems)
    return d, problems


def selftest(path):
    """Tests the reader on known expressions, then damages the declaration at path in many
    ways and makes sure that every damage is reported."""
    failures = []

    def expect(what, got, want):
        if got != want:
            failures.append(f"{what}: got {got!r}, want {want!r}")

    probs = []
    ev = Evaluator(probs)
    for text, want in [("2+3*4", 14), ("2*3+4", 10), ("8-2*3", 2), ("2*3*4", 24),
                       ("10-2-3", 5), ("-5", -5), ("2*-3", -6), ("0-64", -64), ("7 ", 7),
                       ("0", 0), ("1.5*3", 4.5)]:
        expect(f"evaluate {text}", ev.evaluate(text, 'test'), float(want))
    expect("no problems for good expressions", probs, [])
    ev.declare("HALF = 2.5", 'test')
    expect("HALF*3 rounds to 8", round_half_even(ev.evaluate("HALF*3", 'test')), 8)
    expect("2.5 rounds to 2", round_half_even(2.5), 2)
    expect("3.5 rounds to 4", round_half_even(3.5), 4)
    expect("-2.5 rounds to -2", round_half_even(-2.5), -2)
    expect("0.1 is a 32-bit float", ev.evaluate("0.1", 't'),
           struct.unpack('<f', struct.pack('<f', 0.1))[0])
    expect("sums are 32-bit", ev.evaluate("16777216+1", 't'), 16777216.0)
    for bad in ["-HALF", "0.0", "00", "LATER", " -5", "HALF+", "", "5X"]:
        probs.clear()
        ev.evaluate(bad, 'test')
        expect(f"\"{bad}\" is reported", len(probs) > 0, True)
    probs.clear()
    ev.evaluate("+".join(["1"] * 12), 'test')
    expect("12 operands are reported", len(probs), 1)
    probs.clear()
    ev.declare("HALF = 3", 'test')
    expect("a symbol declared twice is reported", len(probs), 1)
    expect("the first declaration counts", ev.evaluate("HALF", 't'), 2.5)
    probs.clear()
    ev.declare("NOVALUE", 'test')
    expect("a symbol line without = is reported", len(probs), 1)

    try:
        with open(path, encoding='latin-1', newline='') as src:
            good = src.read()
    except OSError as e:
        failures.append(f"cannot read {path}: {e}")
        good = None
    if good is not None:
        d, p = check_text(good)
        expect("the declaration itself has no problems", p, [])
    if good is not None and d is not None:
        lines = good.split('\n')

        def change(where, new):
            ls = list(lines)
            ls[d.where[where] - 1] = new
            return '\n'.join(ls)

        def remove(first, last, count_item, count):
            """Lines from the item first up to the item last removed, the count changed."""
            ls = list(lines)
            ls[d.where[count_item] - 1] = str(count)
            del ls[d.where[first] - 1:d.where[last]]
            return '\n'.join(ls)

        fx = lambda f: d.fields[f][0]
        fy = lambda f: d.fields[f][1]
        mutations = [
            ("text 1 moved onto text 0", change('label 1 x', str(d.labels[0][0])), 'overlaps'),
            ("text 0 moved onto the pots", change('label 0 y', str(fy(0) + 40)), 'overlaps'),
            ("effect name moved into a row of pots", change('label 21 y', str(fy(4) + 70)),
             'overlaps'),
            ("a caption too wide", change('field 0 pot 5 caption', 'WIDE CAPTION'), 'overlaps'),
            ("two captions running together", change('field 0 pot 2 caption', 'SEMITONE'),
             'run together'),
            ("a comment behind a caption", change('field 0 pot 0 caption', 'WAVE  ; shape'),
             'ends in blanks'),
            ("a title where the effect texts go",
             change('label 0 y', str(fy(11) - 5)) if False else
             change('field 11 pot 3 title', 'LONG TITLE HERE'), 'overlaps'),
            ("effect pots too close", change('field 11 step', '42'), 'overlaps'),
            ("a field moved onto another", change('field 1 x', str(fx(0) + 100)), 'overlaps'),
            ("a field moved onto the keyboard", change('field 11 x', '300'), 'keyboard'),
            ("a field moved out of the window", change('field 10 x', str(d.window_width)),
             'outside the visible area'),
            ("a frame moved onto a text", change('line 0 y1', str(fy(0) - 8)), 'overlaps'),
            ("effect type range 0..4", change('field 11 pot 0 max', '4'), 'range 0..3'),
            ("max equals min", change('field 11 pot 0 min', '3'), 'max equals min'),
            ("default outside the range", change('field 0 pot 0 default', '9'),
             'outside'),
            ("a value too wide for the knob", change('field 0 pot 1 max', '1000'),
             'too wide for the knob'),
            ("a minus before a symbol", change('field 0 pot 3 min', '-BIPMAX'), 'minus sign'),
            ("zero written as 0.0", change('field 0 pot 0 min', '0.0'), 'zero written'),
            ("an unknown symbol", change('field 0 pot 0 min', 'NOSUCHNAME'), 'unknown symbol'),
            ("a value line starting with a blank and a minus",
             change('field 0 pot 1 min', ' -2'), 'empty operand'),
            ("a value out of 16 bits", change('field 0 pot 0 max', '40000'), '16-bit'),
            ("window wider than the screen", change('WindowX', '200'), 'wide'),
            ("window lower than the screen", change('WindowY', '100'), 'taskbar'),
            ("SliderTravel below 64", change('SliderTravel', '60'), 'below'),
            ("SliderTravel written as a symbol", change('SliderTravel', 'TRAVEL'),
             'not a plain number'),
            ("too few fields", change('FieldCount', '11'), 'FieldCount'),
            ("a pot too few in field 4", change('field 4 pot count', '7'), 'out of data'),
            ("too few texts", change('label count', '21'), 'out of data'),
            ("the effect name left out",
             remove('label 21 x', 'label 21 text', 'label count', len(d.labels) - 1),
             'label 21'),
            ("a pot left out of field 4",
             remove('field 4 pot 7 max', 'field 4 pot 7 caption', 'field 4 pot count', 7),
             'field 4 has 7 pots'),
            ("a label on the run-time effect title row",
             change('label 0 y', str(fy(11) - 5)).replace(
                 lines[d.where['label 0 x'] - 1] + '\n',
                 str(fx(11) + 8 * d.fields[11][2] + 19 + 60) + '\n', 1), 'PARAMETERS'),
            ("a file cut off inside the pots",
             '\n'.join(lines[:d.where['field 11 pot 14 max'] - 1]), 'out of data'),
            ("SYMBOL_END with a blank behind it",
             good.replace('\nSYMBOL_END\n', '\nSYMBOL_END \n', 1), 'out of data'),
            ("MaxPotsPerField too small", change('MaxPotsPerField', '13'), 'MaxPotsPerField'),
        ]
        for what, text, word in mutations:
            if text == good:
                failures.append(f"damage \"{what}\" changed nothing in the file")
                continue
            _, q = check_text(text)
            if not any(word in m for m in q):
                failures.append(f"damage \"{what}\" not reported with \"{word}\": "
                                f"{q[:3] if q else 'no problems at all'}")
    for f in failures:
        print("SELFTEST FAILED:", f)
    print(f"panelcheck selftest: {'all passed' if not failures else '%d failed' % len(failures)}")
    return 0 if not failures else 1


# --------------------------------------------------------------------------------------------

def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description="Check the panel declared in KtProg.DAT.")
    ap.add_argument('file', nargs='?', default=os.path.join(here, '..', '..', 'data', 'KtProg.DAT'))
    ap.add_argument('--png', metavar='OUT.png', help="draw the layout into a PNG file")
    ap.add_argument('--area', metavar='X0,Y0,X1,Y1', help="draw only this part of the panel")
    ap.add_argument('--zoom', type=int, default=1, help="enlarge the picture this many times")
    ap.add_argument('--list', action='store_true', help="list the fields, labels and lines")
    ap.add_argument('--selftest', action='store_true', help="test the checker itself")
    args = ap.parse_args(argv)
    if args.selftest:
        return selftest(args.file)
    try:
        with open(args.file, encoding='latin-1', newline='') as src:
            text = src.read()
    except OSError as e:
        print(f"panelcheck: cannot read {args.file}: {e}")
        return 2
    problems = []
    try:
        d = read_declaration(args.file, text, problems)
    except DeclarationError as e:
        for p in problems:
            print("PROBLEM:", p)
        print("PROBLEM:", e)
        print(f"panelcheck: {len(problems) + 1} problem(s) in {args.file}")
        return 1
    check_content(d, problems)
    pieces = build_pieces(d)
    clashes = check_geometry(d, pieces, problems)
    if args.png:
        area = None
        if args.area:
            try:
                area = tuple(int(v) for v in args.area.split(','))
                assert len(area) == 4
            except (ValueError, AssertionError):
                print(f"panelcheck: --area wants four numbers X0,Y0,X1,Y1, not {args.area}")
                return 2
        draw_png(d, pieces, clashes, args.png, area, args.zoom)
    if args.list:
        for f, (fx, fy, step, count, pots) in enumerate(d.fields):
            print(f"field {f:2}: x {fx:4} y {fy:4} step {step:3} pots {count:2}  "
                  f"spans x {fx}..{fx + step * (count - 1) + 36}")
        for i, (x, y, size, t, ln) in enumerate(d.labels):
            print(f"label {i:2}: x {x:4} y {y:4} size {size} \"{t}\"")
        for i, l in enumerate(d.lines):
            print(f"line  {i:2}: style {l[0]:2} {l[1]:5} {l[2]:5} {l[3]:5} {l[4]:5}")
    for p in problems:
        print("PROBLEM:", p)
    if problems:
        print(f"panelcheck: {len(problems)} problem(s) in {args.file}")
        return 1
    print(f"panelcheck: {args.file} is fine: {d.symbol_count} symbols, SliderTravel "
          f"{d.slider_travel}, {len(d.fields)} fields, {sum(fl[3] for fl in d.fields)} pots, "
          f"{len(d.labels)} labels, {len(d.lines)} lines/rectangles; window "
          f"{d.window_width} x {d.window_height} at ({d.window_x}, {d.window_y}), visible area "
          f"x 0..{d.window_width - FRAME_WIDTH}, y 0..{d.window_height - FRAME_HEIGHT}; "
          f"{len(pieces)} drawn pieces, no overlaps")
    print(f"note: the editor puts its keyboard at x {KEYBOARD_LEFT}..{KEYBOARD_RIGHT}, y "
          f"{d.window_height - KEYBOARD_TOP_FROM_BOTTOM}..{d.window_height - KEYBOARD_BOTTOM_FROM_BOTTOM}"
          f" itself; its lowest rows may be cut by the window frame whatever this file says")
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
