#!/usr/bin/python3
"""make bench: cadhost's drawing-file reader and writer against ezdxf and dxflib, on generated
drawings and on the real drawings of the corpus, and one pick in a drawing of 1,000,000
entities.

    bench_dxf.py --cadhost BIN --pick BIN --work DIR [--dxflib BIN] [--baseline BIN]
                 [--corpus DIR] [--entities N]

Writes drawings of mixed entities (lines, arcs, circles, polylines with arc segments, points and
texts), N (100,000) and more, and prints in one run, as ratios: cadhost's load, save and
load + save of the N-entity drawing against ezdxf's read + write and dxflib's parse (the timing
program built against Debian's libdxflib-dev, when given), against another cadhost build (the
baseline, when given), its peak memory against the file size, its load time at a quarter, half,
one and two times N entities, and the load + save of every drawing of the corpus against ezdxf.
Every program's time is that of the whole program (start, module load, read, save, exit), the
least of seven runs in turn with the others, timed alike; cadhost's save is the difference of
load + save and load. The peak memory is measured in runs of their own, under GNU time.
"""
import argparse
import glob
import io
import json
import os
import re
import subprocess
import sys
import tempfile
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


def run_program(command):
    """Runs command; its wall time in seconds, from its start to its end, and whether it
    succeeded. Every program is timed this way, none inside a wrapper whose own start would
    count as its time."""
    start = time.perf_counter()
    done = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    seconds = time.perf_counter() - start
    # A saved drawing is written back to the disk now, not by the kernel during the next run,
    # which it would slow down (the reader uses both processors).
    os.sync()
    return seconds, done.returncode == 0


def peak_memory(command):
    """The peak resident memory of a run of command in bytes, measured by GNU time: a child of
    this process would count this process's own memory, which its start copies."""
    with tempfile.NamedTemporaryFile("r") as usage:
        done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", usage.name] + command,
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
        if done.returncode != 0:
            raise RuntimeError(" ".join(command) + " failed")
        os.sync()
        return int(usage.read().split()[-1]) * 1024


def best_of(commands, runs=7, memory=True):
    """For each command, run in turn with the others, so that the load of the machine, which
    changes from second to second, weighs on every command alike: the least time of runs and,
    when memory is asked for, the highest peak memory of as many more runs (else 0)."""
    results = [[] for _ in commands]
    for _ in range(runs):
        for command, found in zip(commands, results):
            seconds, ok = run_program(command)
            if not ok:
                raise RuntimeError(" ".join(command) + " failed")
            found.append((seconds, peak_memory(command) if memory else 0))
    return [(min(s for s, _ in found), max(p for _, p in found)) for found in results]


class Cadhost:
    """One cadhost build: load (a session of no commands) and load + save of a drawing."""

    def __init__(self, binary, work, name):
        self.binary = binary
        self.saved = os.path.join(work, f"saved_{name}.dxf")

    def load(self, drawing):
        """The least time of loading drawing."""
        return best_of([[self.binary, "--drawing", drawing, "-"]], memory=False)[0][0]

    def commands(self, drawing):
        """The commands that load drawing, and load and save it."""
        return [[self.binary, "--drawing", drawing, "-"],
                [self.binary, "--drawing", drawing, "--save", self.saved, "-"]]

    def load_save_once(self, drawing):
        seconds, ok = run_program([self.binary, "--drawing", drawing, "--save", self.saved, "-"])
        return seconds if ok else None


def dxflib_parse_inside(binary, drawing):
    """dxflib's parse of drawing: the least in-program time of three."""
    inner = []
    for _ in range(3):
        out = subprocess.run([binary, drawing], check=True, capture_output=True, text=True).stdout
        inner.append(json.loads(out)["parseSeconds"])
    return min(inner)


def ezdxf_read_write(path, saved):
    """ezdxf's read + write of path in seconds; None when ezdxf cannot read it."""
    try:
        start = time.perf_counter()
        ezdxf.readfile(path).saveas(saved)
        return time.perf_counter() - start
    except Exception:  # ezdxf refuses some drawings (binary, too old); they are left out
        return None


def corpus_times(cadhost, corpus, saved):
    """Load + save of every drawing of corpus both programs take: count, cadhost and ezdxf
    seconds in all."""
    count, ours, theirs = 0, 0.0, 0.0
    for path in sorted(glob.glob(os.path.join(corpus, "*"))):
        mine = cadhost.load_save_once(path)
        other = ezdxf_read_write(path, saved) if mine is not None else None
        if other is None:
            continue
        count, ours, theirs = count + 1, ours + mine, theirs + other
    return count, ours, theirs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cadhost", required=True)
    parser.add_argument("--pick", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--dxflib", help="dxflib_parse_bench, the C++ peer")
    parser.add_argument("--baseline", help="another cadhost build to compare with")
    parser.add_argument("--corpus", help="a folder of real drawings")
    parser.add_argument("--entities", type=int, default=100000)
    parser.add_argument("--pick-entities", type=int, default=1000000)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    cadhost = Cadhost(args.cadhost, args.work, "cadhost")
    sizes = [args.entities // 4, args.entities // 2, args.entities, args.entities * 2]
    drawings = {}
    for count in sizes:
        drawings[count] = os.path.join(args.work, f"bench_{count}.dxf")
        write_drawing(drawings[count], count)
    drawing = drawings[args.entities]
    size = os.path.getsize(drawing)

    builds = [cadhost]
    if args.baseline:
        builds.append(Cadhost(args.baseline, args.work, "baseline"))
    # All in turn: each build's load and load + save, and dxflib's parse of the same drawing.
    commands = [command for build in builds for command in build.commands(drawing)]
    if args.dxflib:
        commands.append([args.dxflib, drawing])
    measured = best_of(commands)
    load, both, peak = measured[0][0], measured[1][0], measured[1][1]
    save = both - load
    ezdxf_time = ezdxf_read_write(drawing, os.path.join(args.work, "saved_ezdxf.dxf"))
    print(f"drawing: {args.entities} entities, {size / 1e6:.1f} MB")
    print(f"cadhost load:        {load:.3f} s ({size / 1e6 / load:.0f} MB/s)")
    print(f"cadhost save:        {save:.3f} s")
    print(f"cadhost load + save: {both:.3f} s, peak memory {peak / 1e6:.0f} MB "
          f"= {peak / size:.1f}x the file")
    print(f"ezdxf read + write:  {ezdxf_time:.3f} s: cadhost load + save is "
          f"{ezdxf_time / both:.0f}x faster")
    if args.dxflib:
        outer = measured[-1][0]
        inner = dxflib_parse_inside(args.dxflib, drawing)
        print(f"dxflib parse:        {outer:.3f} s ({inner:.3f} s inside the program): cadhost "
              f"load is {outer / load:.1f}x faster ({inner / load:.1f}x against the inside time)")
    if args.baseline:
        old_load, old_both, old_peak = measured[2][0], measured[3][0], measured[3][1]
        old_save = old_both - old_load
        print(f"baseline load {old_load:.3f} s, save {old_save:.3f} s, load + save "
              f"{old_both:.3f} s, peak {old_peak / 1e6:.0f} MB: now load {old_load / load:.1f}x, "
              f"save {old_save / save:.1f}x, load + save {old_both / both:.1f}x faster, "
              f"peak memory {old_peak / peak:.1f}x less")

    loads = {count: cadhost.load(drawings[count]) for count in sizes}
    print("cadhost load by size: " + ", ".join(
        f"{count // 1000}k {seconds:.3f} s" for count, seconds in loads.items()))
    print(f"  {sizes[3] // 1000}k / {sizes[2] // 1000}k: {loads[sizes[3]] / loads[sizes[2]]:.2f}x "
          f"the time for 2x the entities")

    if args.corpus:
        count, ours, theirs = corpus_times(cadhost, args.corpus,
                                           os.path.join(args.work, "saved_corpus.dxf"))
        print(f"corpus: {count} drawings both read, load + save in all: cadhost {ours:.2f} s, "
              f"ezdxf {theirs:.2f} s: cadhost is {theirs / ours:.1f}x faster "
              f"(its program started once a drawing)")

    pick = json.loads(subprocess.run([args.pick, str(args.pick_entities)], check=True,
                                     capture_output=True, text=True).stdout)
    print(f"pick in {pick['entities']} entities: first {pick['firstPickMs']:.1f} ms "
          f"(builds the index), then {pick['pickMs'] * 1000:.1f} us a pick "
          f"({pick['hits']} of {pick['picks']} hit)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
