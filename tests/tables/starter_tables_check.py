#!/usr/bin/python3
"""The shipped starter tables read by independent readers.

dbfread: every row of a table equals its row of the source list (rows
without the values the calculation needs are the only ones left out).
With --soffice: LibreOffice opens each table and converts it to CSV; exit
77 (skipped) when soffice is not installed.
"""
import csv
import os
import shutil
import subprocess
import sys
import tempfile

import dbfread

DATA = sys.argv[1]
LAYOUTS = {
    "vovuzi.dbf": ("worm-gear-materials.csv",
                   [("KIND", "material_kind"), ("TREAT", "heat_treatment"), ("NAME", "designation"),
                    ("RHO", "rho_kg_dm3"), ("E", "E_N_mm2"), ("NUE", "nue"),
                    ("SIGHLIM", "Sig_Hlim_N_mm2"), ("SIGMAFE", "Sigma_FE_N_mm2"), ("HB", "HB")],
                   ["E_N_mm2", "nue", "Sig_Hlim_N_mm2"]),
    "lubri.dbf": ("lubricants.csv",
                  [("NAME", "name"), ("KIND", "kind"), ("NU40", "nu40_mm2_s"),
                   ("NU100", "nu100_mm2_s"), ("ISO_VG", "iso_vg"), ("RHO15", "rho15_kg_dm3")],
                  ["nu40_mm2_s", "nu100_mm2_s"]),
    "printout.dbf": ("printout.csv",
                     [("NAME", "name"), ("XSCALE", "xscale"), ("YSCALE", "yscale"),
                      ("XORIGIN", "xorigin"), ("YORIGIN", "yorigin"), ("LANDSCAPE", "landscape"),
                      ("MONOCHROM", "monochrom"), ("VARIABLE", "variable"),
                      ("BORDERLINE", "borderline")],
                     ["name"]),
}


def expected(value):
    if value in ("T", "F"):
        return value == "T"
    try:
        return float(value) if value else 0.0
    except ValueError:
        return value


def check_dbfread():
    failures = 0
    for table, (source, fields, required) in LAYOUTS.items():
        with open(os.path.join(DATA, "tables", source), newline="") as f:
            rows = [r for r in csv.DictReader(f) if all(r[c] for c in required)]
        records = list(dbfread.DBF(os.path.join(DATA, table), encoding="cp850"))
        if len(records) != len(rows):
            print(f"{table}: {len(records)} records, the source keeps {len(rows)}")
            failures += 1
            continue
        for n, (rec, row) in enumerate(zip(records, rows), 1):
            for field, column in fields:
                got, want = rec[field], expected(row[column])
                if isinstance(want, float):
                    ok = got is not None and abs(float(got) - want) < 1e-9
                else:
                    ok = got == want
                if not ok:
                    print(f"{table} record {n} {field}: {got!r}, source {want!r}")
                    failures += 1
        print(f"{table}: {len(records)} records as in {source}")
    return failures


def check_soffice():
    soffice = shutil.which("soffice")
    if not soffice:
        print("soffice is not installed: the LibreOffice check is skipped")
        return 77
    failures = 0
    with tempfile.TemporaryDirectory() as out:
        env = dict(os.environ, HOME=out)
        for table, (source, fields, required) in LAYOUTS.items():
            src = os.path.join(DATA, table)
            subprocess.run([soffice, "--headless", "--norestore", "--convert-to", "csv",
                            "--outdir", out, src], env=env, capture_output=True, timeout=180)
            converted = os.path.join(out, table[:-4] + ".csv")
            if not os.path.exists(converted):
                print(f"{table}: LibreOffice wrote no CSV")
                failures += 1
                continue
            with open(converted, newline="", encoding="latin-1") as f:
                lines = list(csv.reader(f))
            want = [r["NAME"] for r in dbfread.DBF(src, encoding="cp850")]
            heads = [h.split(",")[0] for h in lines[0]]
            shown = [row[heads.index("NAME")] for row in lines[1:]] if "NAME" in heads else []
            if shown != want:
                print(f"{table}: LibreOffice shows names {shown}, dbfread {want}")
                failures += 1
            else:
                print(f"{table}: LibreOffice shows the {len(shown)} records, first {shown[0]!r}")
    return failures


if __name__ == "__main__":
    if "--soffice" in sys.argv:
        sys.exit(check_soffice())
    sys.exit(1 if check_dbfread() else 0)
