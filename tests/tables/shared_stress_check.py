#!/usr/bin/python3
"""Reads a table that many programs shared, with independent readers.

The folder holds t.dbf (ID N(5), NAME C(10), NOTE M, CNT N(8), KEY C(10))
with its memo file and the indexes id.ndx (ID), name.ndx (NAME) and key.ndx
(KEY). Prints, for the test to compare with what the programs acknowledged:

- "COUNT <header count> <records dbfread read>";
- "REC <record number> <ID> <CNT> <KEY> <1 when the memo is memo_text(ID)>"
  for every record dbfread reads (python3-dbfread; record numbers from the
  table's own layout), and "MEMO <record number> ..." telling how a memo
  value that is not memo_text(ID) reads;
- "INDEX <file> OK <keys>" when Perl XBase's index_dump lists exactly one
  key per record, pointing at it; else "INDEX <file> BAD ...", followed by
  "EXTRA <file> <key> <record>" and "MISSING <file> <key> <record>" for
  each entry too many or too few, and "TWICE <file> <n>" when n entries are
  listed more than once.
"""
import os
import sys

from dbfread import DBF

# The memo text of each ID and index_dump's (key, record) list, as the
# crash checks read them.
from crash_check import index_pairs, memo_text, raw_table


def main(folder):
    table = os.path.join(folder, "t.dbf")
    count, rows = raw_table(table)
    raw = [(n, values) for n, _, values in rows]
    t = DBF(table, encoding="cp850", load=True)
    read = list(t.records)
    print("COUNT %d %d" % (count, len(read)))
    for (n, values), r in zip(raw, read):
        value, want = r["NOTE"] or "", memo_text(int(r["ID"]))
        # dbfread reads a dBase IV value with the 8 bytes after it (the
        # stored length counts the value's 8-byte head), cut at a 0x1F among
        # them: when the value fills its last block, the next value's head.
        if value.startswith(want) and len(value) <= len(want) + 8:
            value = want
        print("REC %d %d %d %s %d" % (n, int(r["ID"]), int(r["CNT"] or 0), r["KEY"].strip(), value == want))
        if value != want:
            print("MEMO %d reads %d characters, %r at its end; %d expected" % (n, len(r["NOTE"] or ""), (r["NOTE"] or "")[-16:], len(want)))
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
