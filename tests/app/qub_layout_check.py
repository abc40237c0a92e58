#!/usr/bin/python3
"""Independent reader of the sibling program's data file.

Walks a written file along the published line layout (rows of line kinds,
the per-gear groups, the drawing-documentation, document-links and ISO 7200
blocks and the load-spectrum block) and checks every line against its kind:
reals with seven decimals (whole values below 1 in the short form), integers,
"TRUE"/"FALSE", one-character lines and the fixed texts. Prints "OK <lines>"
or the first lines that do not fit, and exits non-zero then.

Usage: qub_layout_check.py FILE [FILE ...]
"""
import re
import sys

REAL = re.compile(r"^-?\d+\.\d{7,}$")
SHORT = re.compile(r"^-?\d+(\.\d+)?$")
INT = re.compile(r"^-?\d+$")

# Rows in file order: a string of kinds (R real, I integer, B boolean, T text,
# C character) or a fixed text; "gear:" rows are written once per gear.
CALC_MODE = "calculating mode  1=DIN3990T.1   2=DIN3990T.41   3=input factors  4=ISO6336"
HEAD = [
    ("kinds", "TTTT"), ("fixed", ["-" * 11] * 4), ("kinds", "RRRRRRIR"), ("fixed", ["-" * 11]),
    ("gear", "RIRIRRRRRRIIIRRRR"), ("kinds", "RR"), ("kinds", "IIRRRRR"), ("kinds", "CCCCCC"),
    ("kinds", "R"), ("gear", "RR"), ("fixed", ["-" * 12]), ("gear", "TIRRRRRRR"), ("kinds", "IIII"),
    ("fixed", [CALC_MODE]), ("kinds", "I"), ("kinds", "R" * 9), ("fixed", ["1.0000000"]),
    ("twice", "R"), ("kinds", "R" * 6), ("kinds", "RRRR"), ("kinds", "RR"), ("fixed", ["----", "V6.0"]),
    ("kinds", "R"), ("gear", "RRR"), ("gear", "RR"), ("gear", "R"), ("kinds", "II"), ("kinds", "IIII"),
    ("kinds", "RRR"), ("kinds", "TTTT"), ("fixed", ["Lastkollektiv", "-" * 13]), ("loadcount", None),
    ("loadrows", "RR"), ("kinds", "II"), ("kinds", "TT"), ("kinds", "RRI"), ("gear", "R"),
]
MIDDLE = [
    ("kinds", "TT"), ("kinds", "RRRR"), ("kinds", "II"), ("kinds", "RRRR"), ("kinds", "R"),
    ("kinds", "I"), ("kinds", "RRRR"), ("kinds", "IIII"), ("kinds", "B"), ("kinds", "II"),
    ("kinds", "R" * 13), ("kinds", "I"), ("fixed", ["1"]), ("kinds", "I"), ("hide", None),
    ("kinds", "R"), ("kinds", "IBB"), ("kinds", "R"), ("kinds", "B"), ("kinds", "RR"), ("kinds", "B"),
    ("kinds", "R"), ("kinds", "IR"), ("kinds", "RRR"), ("kinds", "T"), ("kinds", "RRRR"), ("kinds", "B"),
]
TAIL = [
    ("kinds", "I"), ("kinds", "R"), ("kinds", "RR"), ("kinds", "B"), ("kinds", "BIRR"), ("kinds", "R"),
    ("kinds", "I"), ("loadrows", "R"), ("kinds", "R"), ("fixed", ["Calc mode: 0=KA 1=KA+Miner"]),
    ("kinds", "I"), ("kinds", "BB"), ("kinds", "R"), ("kinds", "II"), ("kinds", "III"), ("kinds", "B"),
]


class Walker:
    def __init__(self, lines):
        self.lines, self.pos, self.errors, self.rows = lines, 0, [], 0

    def take(self, what):
        if self.pos >= len(self.lines):
            self.errors.append(f"line {self.pos + 1}: missing ({what})")
            return ""
        line = self.lines[self.pos]
        self.pos += 1
        return line

    def fail(self, line, what):
        self.errors.append(f"line {self.pos}: {line!r} is not {what}")

    def kind(self, k):
        line = self.take(k)
        if k == "R":
            if not REAL.match(line):
                # The short form only for whole values below 1.
                if not (SHORT.match(line) and float(line) < 1 and float(line) == int(float(line))):
                    self.fail(line, "a real")
        elif k == "I":
            if not INT.match(line):
                self.fail(line, "an integer")
        elif k == "B":
            if line not in ("TRUE", "FALSE"):
                self.fail(line, "a boolean")
        elif k == "C":
            if len(line) != 1:
                self.fail(line, "one character")
        return line

    def fixed(self, text):
        line = self.take(text)
        if line != text:
            self.fail(line, repr(text))

    def rows_of(self, layout):
        for what, arg in layout:
            if what == "kinds":
                for k in arg:
                    self.kind(k)
            elif what == "fixed":
                for t in arg:
                    self.fixed(t)
            elif what == "gear":
                for _ in (1, 2):
                    for k in arg:
                        self.kind(k)
            elif what == "twice":
                if self.kind("R") != self.kind("R"):
                    self.errors.append(f"line {self.pos}: the doubled value differs")
            elif what == "loadcount":
                self.kind("I")
                count = self.kind("I")
                self.rows = int(count) if INT.match(count) else 0
                if self.rows not in (0, 1):
                    self.errors.append(f"line {self.pos}: {self.rows} load-spectrum rows, the table holds one")
            elif what == "loadrows":
                for _ in range(self.rows):
                    for k in arg:
                        self.kind(k)
            elif what == "hide":
                if self.take("hide warnings") not in ("0", "1"):
                    self.fail(self.lines[self.pos - 1], "0 or 1")

    def drawing_info(self):
        self.kind("T")
        count = self.kind("I")
        self.fixed("-" * 20)
        for _ in range(int(count) if INT.match(count) else 0):
            for k in "TTTT":
                self.kind(k)
            self.fixed("-" * 14)
        fields = self.take("dates and names").split("|")
        if len(fields) != 7 or not INT.match(fields[6]):
            self.fail("|".join(fields), "seven '|' fields ending in a count")
            texts = 0
        else:
            texts = int(fields[6])
        for k in "TTTT":
            self.kind(k)
        for _ in range(texts):
            if len(self.take("positioned text").split("|")) < 6:
                self.fail(self.lines[self.pos - 1], "a positioned text")

    def document_links(self):
        self.fixed("Dokumente")
        self.fixed("5")
        self.fixed("-" * 20)
        for _ in range(5):
            self.kind("T")
            self.kind("T")
            self.fixed("-" * 14)

    def iso7200(self):
        self.fixed("ISO 7200 Header")
        for k in "IITTT":
            self.kind(k)
        self.fixed("---")


def check(path):
    data = open(path, "rb").read()
    if data and not data.endswith(b"\r\n") or data.count(b"\n") != data.count(b"\r\n"):
        return [f"{path}: lines do not all end in CR LF"]
    lines = data.decode("cp850").split("\r\n")[:-1]
    w = Walker(lines)
    w.fixed("-" * 65)
    w.kind("T")
    w.kind("T")
    w.fixed("-" * 65)
    w.kind("T")
    w.kind("T")
    w.rows_of(HEAD)
    w.drawing_info()
    w.document_links()
    w.rows_of(MIDDLE)
    w.iso7200()
    w.rows_of(TAIL)
    if w.pos != len(lines):
        w.errors.append(f"{len(lines) - w.pos} lines after the last row")
    return [f"{path}: {e}" for e in w.errors[:10]] or [f"OK {len(lines)} {path}"]


def main():
    bad = False
    for path in sys.argv[1:]:
        out = check(path)
        bad |= not out[0].startswith("OK")
        print("\n".join(out))
    return 1 if bad or len(sys.argv) < 2 else 0


if __name__ == "__main__":
    sys.exit(main())
