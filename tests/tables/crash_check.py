#!/usr/bin/python3
"""Checks tables that a killed or failed run left, with independent readers.

Every folder holds t.dbf (ID N(5), NAME C(10), NOTE M, memo file t.dbt) and the indexes id.ndx (key ID) and name.ndx (key NAME). Record ID i
carries the memo text memo_text(i) and the name name_of(i).

- python3-dbfread reads every record, deleted ones too, with its memo value;
- the record numbers come from the table's own layout (header, fixed-length
  records);
- Perl XBase's index_dump lists each index; it must hold exactly one key
  per record, pointing at that record.

Prints "OK <folder> <record count>" per sound folder and "BAD <folder>: why"
otherwise.
"""
import os
import struct
import subprocess
import sys

from dbfread import DBF

LETTERS = "abcdefghijklmnopqrstuvwxyz"


def memo_text(i):
    return "Memo of record %d " % i + (LETTERS * 40)[: (i * 53) % 900] + "."


def name_of(i):
    return "N%04d" % ((i * 7919) % 10007)


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


def raw_table(path):
    """The header's record count and (number, deleted, {field: text}) of
    each record, read from the table's own layout."""
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
        out.append((n + 1, rec[0:1] == b"*", values))
    return count, out


def raw_records(path):
    return [(n, deleted, int(v["ID"] or 0), v["NAME"]) for n, deleted, v in raw_table(path)[1]]


def index_pairs(path):
    out = subprocess.run(["index_dump", path, ""], capture_output=True, text=True, encoding="cp850")
    pairs = []
    for line in out.stdout.splitlines():
        if not line.strip():
            continue
        key, rec = line.rsplit(None, 1)
        pairs.append((key.strip(), int(rec)))
    return pairs


def check(folder):
    table = os.path.join(folder, "t.dbf")
    problems = []
    t = DBF(table, encoding="cp850", load=True)
    for r in list(t.records) + list(t.deleted):
        # dbfread reads a dBase IV value 8 bytes too far (the stored length
        # counts the value's 8-byte head): those 8 bytes are not the value's.
        value, want = r["NOTE"] or "", memo_text(int(r["ID"]))
        if len(value) == len(want) + 8:
            value = value[:-8]
        if value != want:
            problems.append("record ID %s has memo %r" % (r["ID"], (r["NOTE"] or "")[-40:]))
        if r["NAME"] != name_of(int(r["ID"])):
            problems.append("record ID %s has name %r" % (r["ID"], r["NAME"]))
    raw = raw_records(table)
    if len(raw) != len(t.records) + len(t.deleted):
        problems.append("dbfread read %d records, the header says %d" % (len(t.records) + len(t.deleted), len(raw)))
    ids = sorted((float(i), n) for n, _, i, _ in raw)
    got = sorted((float(k), n) for k, n in index_pairs(os.path.join(folder, "id.ndx")))
    if got != ids:
        problems.append("id.ndx holds %s, the table %s" % (got[:6], ids[:6]))
    names = sorted((name, n) for n, _, _, name in raw)
    # The engine's character keys fold letters to one case.
    got = sorted((k.upper(), n) for k, n in index_pairs(os.path.join(folder, "name.ndx")))
    if got != names:
        problems.append("name.ndx holds %s, the table %s" % (got[:6], names[:6]))
    if problems:
        print("BAD %s: %s" % (folder, "; ".join(problems)))
    else:
        print("OK %s %d" % (folder, len(raw)))


if __name__ == "__main__":
    for folder in sys.argv[1:]:
        try:
            check(folder)
        except Exception as e:  # a reader that gives up is a finding too
            print("BAD %s: %s" % (folder, e))
