#!/usr/bin/python3
"""A real drawing from another program through cadhost, checked against ezdxf.

    check_corpus.py --cadhost BIN --out DIR DRAWING     (one drawing of the corpus)
    check_corpus.py --cadhost BIN --out DIR FOLDER      (a corpus folder that is absent: skip)

A binary or pre-R12 drawing is refused cleanly: exit status 2, one error naming the file and
line, nothing written. A drawing ezdxf reads loads (exit status 0, any message a warning
naming the file and line) and is saved; then:
- ezdxf reads the saved drawing and its audit has no error or fix of a kind, or more of a
  kind, than the audit of the drawing read;
- no entity is lost from any layout or block (by type and layer), no layer, linetype, text
  style, dimension style, application or block, and every draw-order entry comes back;
- the entities of the report have the geometry ezdxf reads for them in the drawing;
- records written with subclass markers they had not (R12) have the markers ezdxf writes;
- with a model-space arc, oblouk_kota_m on it gives a dimension whose text is the arc's
  radius times its sweep and which is saved with a block of graphics.
A drawing ezdxf cannot read is refused cleanly or loads and is saved so that ezdxf reads it.
Exit status 0 when all holds, 1 otherwise, 77 when the corpus is absent.
"""
import argparse
import collections
import json
import math
import os
import re
import subprocess
import sys

import ezdxf
from ezdxf.lldxf.tagwriter import TagCollector

SKIPPED = 77
TOLERANCE = 1e-9


def close(a, b):
    return all(abs(x - y) <= TOLERANCE * max(1.0, abs(x), abs(y)) for x, y in zip(a, b))


def category(path):
    """binary, pre-R12 or ascii, from the file's first bytes and its $ACADVER."""
    with open(path, "rb") as stream:
        head = stream.read(4096)
    if head.startswith(b"AutoCAD Binary DXF"):
        return "binary"
    match = re.search(rb"\$ACADVER\s*\r?\n\s*1\s*\r?\n\s*(\S+)", head)
    version = match.group(1).decode("ascii", "replace") if match else "AC1009"
    if "." in version or (len(version) == 6 and version < "AC1009"):
        return "pre-R12"
    return "ascii"


def audit(doc):
    """The counts of the errors and fixes of ezdxf's audit of doc (which it changes), by
    code; None when ezdxf's own audit fails on it."""
    try:
        auditor = doc.audit()
    except Exception:  # ezdxf's audit fails on some drawings ezdxf reads
        return None
    counts = collections.Counter(f"error {e.code}" for e in auditor.errors)
    counts.update(f"fix {e.code}" for e in auditor.fixes)
    return counts


def raw_records(path):
    """The records of the file, straight from its groups: (section, block name, tags), the
    tags a list of (code, value) from the record's group 0 on."""
    with open(path, encoding="latin-1") as stream:
        lines = stream.read().split("\n")
    section, block, record = None, None, None
    for i in range(0, len(lines) - 1, 2):
        code, value = lines[i].strip(), lines[i + 1].rstrip("\r")
        if code == "0":
            if record is not None:
                yield section, block, record
            record = [(0, value)]
            if value == "EOF":
                return
        elif record is not None and code.lstrip("-").isdigit():
            record.append((int(code), value))
            if record[0][1] == "SECTION" and int(code) == 2:
                section = value
            elif record[0][1] == "BLOCK" and int(code) == 2 and len([t for t in record if t[0] == 2]) == 1:
                block = value.upper()
    if record is not None:
        yield section, block, record


def raw_census(path):
    """Entities by container ("model", "paper" or a block's name), type and layer; table
    entries by table and name; the subclass markers of each record by its handle."""
    entities = collections.Counter()
    entries = set()
    markers = {}
    table = None
    for section, block, tags in raw_records(path):
        kind = tags[0][1]
        if kind in ("SECTION", "ENDSEC"):
            continue
        first = {}
        for code, value in tags[1:]:
            first.setdefault(code, value)
        if section != "HEADER" and 5 in first:
            markers[first[5].strip().upper()] = (kind, [v for c, v in tags if c == 100])
        if section == "TABLES":
            if kind == "TABLE":
                table = first.get(2)
            elif kind != "ENDTAB" and 2 in first:
                entries.add((table, first[2].upper()))
        elif section == "ENTITIES" or (section == "BLOCKS" and kind not in ("BLOCK", "ENDBLK")):
            if kind in ("VERTEX", "SEQEND", "ATTRIB"):
                continue
            container = block if section == "BLOCKS" else (
                "paper" if first.get(67, "0").strip() not in ("", "0") else "model")
            entities[(container, kind, first.get(8, "0"))] += 1
        elif section == "BLOCKS" and kind == "BLOCK":
            entities[(block, "(block)", "")] += 1
    return entities, entries, markers


def run(cadhost, drawing, saved, report, script="", aperture=None):
    for stale in (saved, report):
        if os.path.exists(stale):
            os.remove(stale)
    command = [cadhost, "--drawing", drawing, "--save", saved, "--report", report]
    if aperture is not None:
        command += ["--aperture", repr(aperture)]
    return subprocess.run(command + ["-"], input=script, capture_output=True, text=True,
                          encoding="utf-8", errors="replace")


def messages_problems(drawing, stderr, kind):
    problems = []
    for line in stderr.splitlines():
        if not re.match(re.escape(drawing) + r":\d+: " + kind + r"\S", line):
            problems.append(f"message not naming the file and line as a {kind or 'error'}: {line!r}")
    return problems


def structure_problems(drawing, saved_path, source, saved):
    """No entity, table entry or block is lost; the draw order comes back."""
    problems = []
    before, entries_before, _ = raw_census(drawing)
    after, entries_after, _ = raw_census(saved_path)
    lost = before - after
    if lost:
        problems.append(f"entities lost (container, type, layer): {dict(list(lost.items())[:5])}")
    for table, name in sorted(entries_before - entries_after, key=str)[:5]:
        problems.append(f"table {table} entry {name} lost")
    orders = {t.dxf.get("block_record_handle"): dict(t) for t in saved.objects.query("SORTENTSTABLE")}
    for table in source.objects.query("SORTENTSTABLE"):
        owner = table.dxf.get("block_record_handle")
        if orders.get(owner) != dict(table):
            problems.append(f"the draw order of block record {owner} changed")
    return problems


def world(entity, point):
    return list(entity.ocs().to_wcs(point))


MODELLED = ("POINT", "LINE", "ARC", "CIRCLE", "LWPOLYLINE", "DIMENSION")


def reported_pairs(source, report):
    """The report's entities with ezdxf's reading of each: in drawing order when the report
    has each model-space entity of a modelled kind (a drawing without handles gets new
    ones), by handle otherwise (one the host carries as it is is not reported)."""
    candidates = [e for e in source.modelspace() if e.dxftype() in MODELLED and
                  (e.dxftype() != "DIMENSION" or e.dimtype == 5)]
    items = report["entities"]
    if len(candidates) == len(items):
        return list(zip(items, candidates))
    return [(item, source.entitydb.get(item["handle"])) for item in items]


def geometry_problems(source, report):
    """The report's entities against ezdxf's reading of the drawing."""
    problems = []
    for item, entity in reported_pairs(source, report):
        where = f"{item['type']} {item['handle']}"
        if entity is None:
            problems.append(f"{where}: not in the drawing read")
            continue
        kind = entity.dxftype()
        if item["type"] != kind and not (item["type"] == "WALL" and kind in ("LINE", "ARC")):
            problems.append(f"{where}: ezdxf reads a {kind} {entity.dxf.handle}")
            continue
        expected = {}
        if kind == "POINT":
            expected = {"position": list(entity.dxf.location)}
        elif kind == "LINE" and item["type"] == "LINE":
            expected = {"start": list(entity.dxf.start), "end": list(entity.dxf.end)}
        elif kind in ("CIRCLE", "ARC"):
            expected = {"center": world(entity, entity.dxf.center), "radius": [entity.dxf.radius],
                        "normal": list(ezdxf.math.Vec3(entity.dxf.extrusion).normalize())}
            if kind == "ARC":
                sweep = math.radians((entity.dxf.end_angle - entity.dxf.start_angle) % 360.0)
                found = (item["endAngle"] - item["startAngle"]) % math.tau
                if not close([sweep], [found]) and not close([sweep + math.tau], [found]):
                    problems.append(f"{where}: sweep {found}, ezdxf {sweep}")
        elif kind == "LWPOLYLINE":
            expected = {"vertices": [v for p in entity.get_points("xyb") for v in p],
                        "elevation": [entity.dxf.elevation]}
            item = dict(item, vertices=[v for p in item["vertices"] for v in p],
                        elevation=[item["elevation"]])
            if bool(item["closed"]) != entity.closed:
                problems.append(f"{where}: closed {item['closed']}, ezdxf {entity.closed}")
        elif kind == "DIMENSION":
            expected = {"arcPoint": list(entity.dxf.defpoint), "xLine1": list(entity.dxf.defpoint2),
                        "xLine2": list(entity.dxf.defpoint3), "center": list(entity.dxf.defpoint4)}
        for key, value in expected.items():
            found = item[key] if isinstance(item[key], list) else [item[key]]
            if len(found) != len(value) or not close(found, value):
                problems.append(f"{where}: {key} {found}, ezdxf {value}")
    return problems[:10]


def marker_problems(saved_path, saved, was_r12):
    """Records the host gave subclass markers (those of an R12 drawing) have the markers
    ezdxf writes for the same records."""
    if not was_r12:
        return [], 0
    _, _, written = raw_census(saved_path)
    problems, checked = [], 0
    for entity in saved.entitydb.values():
        found = written.get(entity.dxf.handle.upper())
        if found is None or found[0] != entity.dxftype():
            continue
        collector = TagCollector(dxfversion=saved.dxfversion)
        try:
            entity.export_dxf(collector)
        except Exception:
            continue  # a record ezdxf keeps as tags it does not know
        expected = []
        for tag in collector.tags[1:]:
            if tag.code == 0:
                break  # a polyline's vertices, a block reference's attributes
            if tag.code == 100:
                expected.append(tag.value)
        checked += 1
        if found[1] != expected:
            problems.append(f"{entity.dxftype()} {entity.dxf.handle}: markers {found[1]}, ezdxf {expected}")
    return problems[:10], checked


def pickable_arc(source, report):
    """A model-space arc the host models, in a plane parallel to XY: the arc, the world point
    in the middle of it and the world point a quarter radius outside that."""
    for item, arc in reported_pairs(source, report):
        if item["type"] != "ARC" or arc is None or arc.dxftype() != "ARC":
            continue
        extrusion = ezdxf.math.Vec3(arc.dxf.extrusion).normalize()
        if not abs(extrusion.z) > 1.0 - 1e-12:
            continue
        sweep = (arc.dxf.end_angle - arc.dxf.start_angle) % 360.0
        if arc.dxf.radius <= 0 or sweep < 1.0 or sweep > 359.0:
            continue
        middle = math.radians(arc.dxf.start_angle + sweep / 2.0)
        center, r, ocs = arc.dxf.center, arc.dxf.radius, arc.ocs()
        along = ezdxf.math.Vec3(math.cos(middle), math.sin(middle), 0.0)
        return arc, ocs.to_wcs(center + along * r), ocs.to_wcs(center + along * (1.25 * r))
    return None, None, None


def shown_length(text):
    match = re.match(r"^(?:dl\.=)?\s*([-+]?\d+(?:[.,](\d+))?)", text or "")
    if not match:
        return None
    return float(match.group(1).replace(",", ".")), len(match.group(2) or "")


def arc_dimension_problems(args, drawing, source, report, name):
    arc, point, drag = pickable_arc(source, report)
    if arc is None:
        return ["no arc in the XY plane"], False
    r = arc.dxf.radius
    script = "oblouk_kota_m\n{:.17g},{:.17g},{:.17g}\n{:.17g},{:.17g},{:.17g}\n".format(*point, *drag)
    saved = os.path.join(args.out, name + ".arc.dxf")
    report_path = os.path.join(args.out, name + ".arc.json")
    session = run(args.cadhost, drawing, saved, report_path, script, aperture=1e-6 * r)
    if session.returncode != 0:
        return [f"oblouk_kota_m: exit status {session.returncode}: {session.stderr.strip()}"], True
    with open(report_path, encoding="utf-8") as stream:
        dimensions = [e for e in json.load(stream)["entities"] if e["type"] == "DIMENSION"]
    before = {e["handle"] for e in report["entities"] if e["type"] == "DIMENSION"}
    new = [d for d in dimensions if d["handle"] not in before]
    if len(new) != 1:
        return [f"oblouk_kota_m on arc {arc.dxf.handle} made {len(new)} dimensions: "
                f"{session.stdout[-300:]!r}"], True
    problems = []
    shown = shown_length(new[0]["text"])
    sweep = math.radians((arc.dxf.end_angle - arc.dxf.start_angle) % 360.0)
    length = r * sweep * source.header.get("$DIMLFAC", 1.0)
    if shown is None or abs(shown[0] - length) > 0.5 * 10 ** -shown[1] + 1e-9 * max(1.0, length):
        problems.append(f"arc {arc.dxf.handle}: text {new[0]['text']!r}, radius x sweep {length}")
    doc = ezdxf.readfile(saved)
    added = (audit(doc) or collections.Counter()) - (audit(ezdxf.readfile(drawing)) or collections.Counter())
    if added:
        problems.append(f"audit of the drawing with the dimension: {dict(added)} beyond the drawing's own")
    dimension = doc.entitydb.get(new[0]["handle"])
    if dimension is None or dimension.dxftype() != "DIMENSION":
        problems.append("the new dimension is not in the saved drawing")
    else:
        block = dimension.get_geometry_block()
        if block is None or len(block) == 0:
            problems.append("the new dimension is saved without its block")
    return problems, True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cadhost", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("drawing")
    args = parser.parse_args()
    if not os.path.isfile(args.drawing):
        print(f"skipped: no corpus of drawings at {args.drawing} (the shared folder beside the "
              f"project is absent)")
        return SKIPPED
    os.makedirs(args.out, exist_ok=True)
    drawing = args.drawing
    name = os.path.basename(drawing)
    saved = os.path.join(args.out, name)
    report_path = os.path.join(args.out, name + ".json")
    kind = category(drawing)
    session = run(args.cadhost, drawing, saved, report_path)
    problems = []
    try:
        source = ezdxf.readfile(drawing)
    except Exception as error:
        source = None
        reading = f"ezdxf cannot read it ({type(error).__name__})"
    if kind in ("binary", "pre-R12") or (source is None and session.returncode == 2):
        if session.returncode != 2:
            problems.append(f"{kind}: exit status {session.returncode}, 2 expected")
        problems += messages_problems(drawing, session.stderr, "")
        if os.path.exists(saved):
            problems.append("a drawing was written")
        outcome = "refused cleanly"
    elif session.returncode != 0:
        problems.append(f"exit status {session.returncode}: {session.stderr.strip()}")
        outcome = "refused"
    else:
        outcome = "loaded"
        problems += messages_problems(drawing, session.stderr, "warning: ")
        saved_doc = ezdxf.readfile(saved)
        if source is None:
            outcome += f"; {reading}; ezdxf reads the saved drawing"
        else:
            problems += structure_problems(drawing, saved, source, saved_doc)
            with open(report_path, encoding="utf-8") as stream:
                report = json.load(stream)
            problems += geometry_problems(source, report)
            found, checked = marker_problems(saved, saved_doc, source.dxfversion == "AC1009")
            problems += found
            if checked:
                outcome += f"; markers of {checked} R12 records as ezdxf writes them"
            arc_problems, had_arc = arc_dimension_problems(args, drawing, source, report, name)
            if had_arc:
                problems += arc_problems
                outcome += "; arc dimension checked"
            added = (audit(saved_doc) or collections.Counter()) - (audit(source) or collections.Counter())
            if added:
                problems.append(f"audit of the saved drawing: {dict(added)} beyond the drawing's own")
            outcome += "; audit clean" if not added else ""
    for problem in problems:
        print(f"{name}: {problem}")
    print(f"{name}: {kind}, {outcome}, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
