#!/usr/bin/python3
"""Reads a table that many programs shared, with independent readers.

The folder holds t.dbf (ID N(5), NAME C(10), NOTE M, CNT N(8), KEY C(10))
with its memo file and the indexes id.ndx (ID), name.ndx (NAME) and key.ndx
(KEY). Prints, for the test to compare with what the programs acknowledged:

- "COUNT <header count> <records dbfread read>";
- "REC <record number> <ID> <CNT> <KEY> <1 when the memo is memo_text(ID)>"
  for every record dbfread reads (python3-dbfread; record numbers from the
  table's own layout);
- "INDEX <file> OK <keys>" when Perl XBase's index_dump lists exactly one
  key per record, pointing at it; else "INDEX <file> BAD ...", followed by
  "EXTRA <file> <key> <record>" and "MISSING <file> <key> <record>" for
  each entry too many or too few, and "TWICE <file> <n>" when n entries are
  listed more than once.
"""
import os
import struct
import subprocess
import sys

from dbfread import DBF

LETTERS = "abcdefghijklmnopqrstuvwxyz"


def memo_text(i):
    return "Memo of record %d " % i + (LETTERS * 40)[: (i * 53) % 900] + "."


def raw_fields(data):
    """(name, offset, length) of each field, from the header's descriptors."""
    fields, offset, at = [], 1, 32
    while data[at] != 0x0D:
        name = data[at : at + 11].split(b"\0")[0].decode("ascii")
        length = data[at + 16]
        fields.append((name, offset, length))
        offset += length
        at += 32
    return fields


def raw_records(path):
    with open(path, "rb") as f:
        data = f.read()
    count, header_length, record_length = struct.unpack("<IHH", data[4:12])
    fields = raw_fields(data)
    out = []
    for n in range(count):
        at = header_length + n * record_length
        rec = data[at : at + record_length]
        if len(rec) < record_length:
            raise ValueError("record %d cut off" % (n + 1))
        values = {name: rec[o : o + l].decode("cp850").strip() for name, o, l in fields}
        out.append((n + 1, values))
    return count, out


def index_pairs(path):
    out = subprocess.run(["index_dump", path, ""], capture_output=True, text=True, encoding="cp850")
    pairs = []
    for line in out.stdout.splitlines():
        if not line.strip():
            continue
        key, rec = line.rsplit(None, 1)
        pairs.append((key.strip(), int(rec)))
    return pairs


def main(folder):
    table = os.path.join(folder, "t.dbf")
    count, raw = raw_records(table)
    t = DBF(table, encoding="cp850", load=True)
    read = list(t.records)
    print("COUNT %d %d" % (count, len(read)))
    for (n, values), r in zip(raw, read):
        value, want = r["NOTE"] or "", memo_text(int(r["ID"]))
        if len(value) == len(want) + 8:
            value = value[:-8]
        print("REC %d %d %d %s %d" % (n, int(r["ID"]), int(r["CNT"] or 0), r["KEY"].strip(), value == want))
    for name, field, numeric in (("id.ndx", "ID", True), ("name.ndx", "NAME", False), ("key.ndx", "KEY", False)):
        pairs = index_pairs(os.path.join(folder, name))
        if numeric:
            got = sorted((float(k), n) for k, n in pairs)
            want = sorted((float(v[field] or 0), n) for n, v in raw)
        else:
            # The engine's character keys fold letters to one case.
            got = sorted((k.upper(), n) for k, n in pairs)
            want = sorted((v[field].upper(), n) for n, v in raw)
        if got == want:
            print("INDEX %s OK %d" % (name, len(got)))
            continue
        print("INDEX %s BAD %d keys for %d records" % (name, len(got), len(want)))
        for key, n in sorted(set(got) - set(want)):
            print("EXTRA %s %s %d" % (name, key, n))
        for key, n in sorted(set(want) - set(got)):
            print("MISSING %s %s %d" % (name, key, n))
        if len(set(got)) != len(got):
            print("TWICE %s %d" % (name, len(got) - len(set(got))))


try:
    main(sys.argv[1])
except Exception as e:  # a reader that gives up is a finding too
    print("BAD %s" % e)
