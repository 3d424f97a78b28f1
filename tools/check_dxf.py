#!/usr/bin/python3
"""Cross-checks a drawing the host wrote against ezdxf, an independent reader.

    check_dxf.py DRAWING.dxf [REPORT.json] [--arc-lengths] [--expect-dimensions N]

ezdxf must open the drawing and its audit must find no error. With a cadhost report, every
DIMENSION of the report must be in the drawing under its handle: a three-point angular
dimension with the report's defining points, text, layer and style, and a block of graphics.
With --arc-lengths, every dimension whose text shows an arc length ("dl.=L, R=r" or "L") is
measured again by ezdxf's own arc-length dimension on the same arc; the lengths (scaled by
the drawing's $DIMLFAC) must agree to the digits shown. Exit status 0 when everything holds, 1 otherwise, 2 for bad usage.
"""
import argparse
import json
import math
import re
import sys

import ezdxf

TOLERANCE = 1e-9


def close(a, b):
    return all(abs(x - y) <= TOLERANCE * max(1.0, abs(x), abs(y)) for x, y in zip(a, b))


def arc_length_by_ezdxf(center, p1, p2, arc_point):
    """The length ezdxf's arc-length dimension measures for the arc from p1 to p2 about
    center, on the side of arc_point."""
    doc = ezdxf.new("R2010", setup=True)
    msp = doc.modelspace()
    override = {"dimdec": 8, "dimdsep": ord("."), "dimlfac": 1.0}
    # ezdxf measures counterclockwise from p1 to p2: give it the pair in that order.
    a1 = math.atan2(p1[1] - center[1], p1[0] - center[0])
    a2 = math.atan2(p2[1] - center[1], p2[0] - center[0])
    aa = math.atan2(arc_point[1] - center[1], arc_point[0] - center[0])
    sweep = (a2 - a1) % math.tau
    if (aa - a1) % math.tau > sweep:
        p1, p2 = p2, p1
    dim = msp.add_arc_dim_3p(base=arc_point, center=center, p1=p1, p2=p2,
                             dimstyle="EZ_CURVED", override=override)
    dim.render()
    for entity in dim.dimension.get_geometry_block():
        if entity.dxftype() == "MTEXT":
            match = re.search(r"[-+]?\d+(?:\.\d+)?", entity.plain_text())
            if match:
                return float(match.group(0))
    raise ValueError("ezdxf's arc dimension shows no length")


def shown_length(text):
    """The arc length a dimension text shows, with the number of decimals shown; None when
    the text shows none."""
    match = re.match(r"^(?:dl\.=)?\s*([-+]?\d+(?:[.,](\d+))?)", text or "")
    if not match:
        return None
    return float(match.group(1).replace(",", ".")), len(match.group(2) or "")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("drawing")
    parser.add_argument("report", nargs="?")
    parser.add_argument("--arc-lengths", action="store_true")
    parser.add_argument("--expect-dimensions", type=int, default=0,
                        help="fail unless the report has at least this many dimensions")
    args = parser.parse_args()
    problems = []
    try:
        doc = ezdxf.readfile(args.drawing)
    except (IOError, ezdxf.DXFStructureError) as error:
        print(f"{args.drawing}: ezdxf cannot read it: {error}")
        return 1
    auditor = doc.audit()
    for error in auditor.errors:
        problems.append(f"audit error: {error.message}")
    msp = doc.modelspace()
    checked = 0
    if args.report:
        with open(args.report, encoding="utf-8") as stream:
            report = json.load(stream)
        for expected in report["entities"]:
            if expected["type"] != "DIMENSION":
                continue
            entity = doc.entitydb.get(expected["handle"])
            where = f"dimension {expected['handle']}"
            if entity is None or entity.dxftype() != "DIMENSION":
                problems.append(f"{where}: not in the drawing")
                continue
            if entity.dimtype != 5:
                problems.append(f"{where}: dimension type {entity.dimtype}, not three-point angular")
            for key, code in (("arcPoint", "defpoint"), ("xLine1", "defpoint2"),
                              ("xLine2", "defpoint3"), ("center", "defpoint4")):
                if not close(expected[key], entity.dxf.get(code)):
                    problems.append(f"{where}: {key} {expected[key]} but {code} {entity.dxf.get(code)}")
            for key, attribute in (("text", "text"), ("layer", "layer"), ("style", "dimstyle")):
                found = entity.dxf.get(attribute, "")
                if (expected.get(key) or "") != found:
                    problems.append(f"{where}: {key} {expected.get(key)!r} but {found!r}")
            block = entity.get_geometry_block()
            if block is None or len(block) == 0:
                problems.append(f"{where}: no block of graphics")
            checked += 1
            if args.arc_lengths:
                shown = shown_length(expected.get("text"))
                if shown is None:
                    continue
                length, decimals = shown
                # The text shows the length scaled by the drawing's DIMLFAC.
                measured = arc_length_by_ezdxf(expected["center"], expected["xLine1"],
                                               expected["xLine2"], expected["arcPoint"])
                measured *= doc.header.get("$DIMLFAC", 1.0)
                if abs(measured - length) > 0.5 * 10 ** -decimals + 1e-9:
                    problems.append(f"{where}: text shows {length} but ezdxf measures {measured}")
    if checked < args.expect_dimensions:
        problems.append(f"{checked} dimensions in the report, {args.expect_dimensions} expected")
    for problem in problems:
        print(f"{args.drawing}: {problem}")
    print(f"{args.drawing}: {len(msp)} entities, {checked} dimensions checked, "
          f"{len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
