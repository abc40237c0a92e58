#!/usr/bin/python3
"""Prints every record's memo value in the tables m.dbf of the given folders,
as python3-dbfread reads them (deleted records too), one line per record:
"<folder> <ID> <the value's bytes in hex>", or "<folder> BAD <why>" when
dbfread gives up on a table.
"""
import sys

from dbfread import DBF

for folder in sys.argv[1:]:
    try:
        # latin-1 maps every byte to one character and back unchanged.
        t = DBF(folder + "/m.dbf", encoding="latin-1", load=True)
        for r in list(t.records) + list(t.deleted):
            value = r["NOTE"] or ""
            print(folder, int(r["ID"]), value.encode("latin-1").hex())
    except Exception as e:  # a reader that gives up is a finding too
        print(folder, "BAD", str(e).replace("\n", " "))
