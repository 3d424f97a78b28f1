#!/usr/bin/python3
"""Sessions on the drawing fixtures of this folder.

Good drawings (R12 and R2018, made by ezdxf): cadhost reads and saves each; ezdxf opens the
saved drawing, its audit finds no error, and model space holds the same entities, by type
and layer, as the original. Bad drawings (bad_*.dxf): cadhost stops with exit status 2 and
an error naming the file and line, writes nothing and leaves the input as it was.

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
        doc, after = census(saved)
        errors = doc.audit().errors
        for error in errors:
            problems.append(f"{name}: audit error: {error.message}")
        _, original = census(drawing)
        if after != original:
            problems.append(f"{name}: model space was {dict(original)}, saved {dict(after)}")
        print(f"{name}: {sum(after.values())} entities came back, {len(errors)} audit errors")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
