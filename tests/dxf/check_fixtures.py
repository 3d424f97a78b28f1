#!/usr/bin/python3
"""Sessions on the drawing fixtures of this folder.

Good drawings (R12 and R2018, made by ezdxf): cadhost reads and saves each; ezdxf opens the
saved drawing, its audit finds no error, model space holds the same entities, by type and
layer, as the original, and its objects, blocks and table entries are all still there.
Mended drawings (mended_*.dxf) are good drawings as well, read with a warning naming the file
and line on standard error. Bad drawings (bad_*.dxf): cadhost stops with exit status 2 and an
error naming the file and line, writes nothing and leaves the input as it was.

    check_fixtures.py --cadhost BIN --out DIR FOLDER
"""
import argparse
import collections
import glob
import hashlib
import os
import re
import subprocess
import sys

import ezdxf


def census(path):
    doc = ezdxf.readfile(path)
    return doc, collections.Counter((e.dxftype(), e.dxf.layer) for e in doc.modelspace())


def digest(path):
    with open(path, "rb") as stream:
        return hashlib.sha256(stream.read()).hexdigest()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cadhost", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("folder")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    problems = []
    for drawing in sorted(glob.glob(os.path.join(args.folder, "*.dxf"))):
        name = os.path.basename(drawing)
        saved = os.path.join(args.out, "fixture_" + name)
        if os.path.exists(saved):
            os.remove(saved)
        before = digest(drawing)
        session = subprocess.run([args.cadhost, "--drawing", drawing, "--save", saved, "-"],
                                 stdin=subprocess.DEVNULL, capture_output=True, text=True)
        if digest(drawing) != before:
            problems.append(f"{name}: the input drawing changed")
        if name.startswith("bad_"):
            if session.returncode != 2:
                problems.append(f"{name}: exit status {session.returncode}, 2 expected")
            if not re.match(re.escape(drawing) + r":\d+: \S", session.stderr):
                problems.append(f"{name}: the error names no file and line: {session.stderr!r}")
            if os.path.exists(saved):
                problems.append(f"{name}: a drawing was written")
            continue
        if session.returncode != 0:
            problems.append(f"{name}: cadhost failed: {session.stderr.strip()}")
            continue
        warnings = session.stderr.splitlines()
        if name.startswith("mended_") and not warnings:
            problems.append(f"{name}: no warning of what was mended")
        for warning in warnings:
            if not re.match(re.escape(drawing) + r":\d+: warning: \S", warning):
                problems.append(f"{name}: not a warning naming the file and line: {warning!r}")
        doc, after = census(saved)
        errors = doc.audit().errors
        for error in errors:
            problems.append(f"{name}: audit error: {error.message}")
        source, original = census(drawing)
        if after != original:
            problems.append(f"{name}: model space was {dict(original)}, saved {dict(after)}")
        # The objects, blocks and table entries of the original are all still there (the host
        # adds its own and redraws the blocks of the dimensions it models).
        kept = collections.Counter(o.dxftype() for o in doc.objects)
        for kind, count in collections.Counter(o.dxftype() for o in source.objects).items():
            if kept[kind] < count:
                problems.append(f"{name}: {count} {kind} objects, {kept[kind]} saved")
        for table in ("layers", "linetypes", "styles", "dimstyles", "appids"):
            names = {entry.dxf.name.upper() for entry in getattr(doc, table)}
            for entry in getattr(source, table):
                if entry.dxf.name.upper() not in names:
                    problems.append(f"{name}: {table} entry {entry.dxf.name} lost")
        blocks = {block.name.upper() for block in doc.blocks}
        redrawn = {d.dxf.geometry.upper() for d in source.modelspace().query("DIMENSION")
                   if d.dimtype == 5}
        for block in source.blocks:
            if block.name.upper() not in redrawn and block.name.upper() not in blocks:
                problems.append(f"{name}: block {block.name} lost")
        print(f"{name}: {sum(after.values())} entities came back, {len(errors)} audit errors")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
