#!/usr/bin/python3
"""Writes the drawing fixtures of tests/dxf: good drawings of other versions and makers, bad
ones cut or spoilt from them, and ones the host mends as it reads them.

    make_test_drawings.py [FOLDER]
"""
import os
import sys

import ezdxf


def r12(path):
    doc = ezdxf.new("R12")
    doc.layers.add("Old", color=2)
    block = doc.blocks.new("MARK")
    block.add_circle((0, 0), 1)
    msp = doc.modelspace()
    msp.add_line((0, 0), (10, 5), dxfattribs={"layer": "Old"})
    msp.add_arc((5, 5), 3, 0, 90, dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_text("R12 text", dxfattribs={"insert": (0, -5), "height": 2})
    msp.add_polyline2d([(0, 0), (5, 0), (5, 5)])
    msp.add_blockref("MARK", (20, 0))
    doc.saveas(path)


def r2018(path):
    doc = ezdxf.new("R2018", setup=True)
    msp = doc.modelspace()
    msp.add_circle((0, 0), 5, dxfattribs={"color": 3, "lineweight": 50})
    arc = msp.add_arc((20, 0), 8, 30, 150)
    arc.set_xdata("ACAD", [(1000, "kept with the arc")])
    msp.add_mtext("Multi\\Pline", dxfattribs={"insert": (0, 20), "char_height": 2})
    msp.add_linear_dim(base=(0, -10), p1=(-5, -5), p2=(5, -5)).render()
    msp.add_lwpolyline([(30, 0, 0.5), (40, 0, 0), (40, 10, 0)], format="xyb",
                       dxfattribs={"elevation": 2, "extrusion": (0, 0, -1)})
    msp.add_ellipse((0, 40), major_axis=(10, 0), ratio=0.5)
    group = doc.groups.new("PAIR")
    group.extend([arc])
    doc.saveas(path)


def spoilt(good, folder):
    with open(good, encoding="cp1252") as stream:
        text = stream.read()
    lines = text.split("\n")
    cases = {
        "bad_truncated.dxf": "\n".join(lines[: len(lines) // 2]),
        "bad_not_a_number.dxf": text.replace("\n 40\n8.0\n", "\n 40\neight\n", 1),
        "bad_unknown_version.dxf": text.replace("AC1032", "AC1099", 1),
        "mended_huge_radius.dxf": text.replace("\n 40\n8.0\n", "\n 40\n1e+200\n", 1),
    }
    for name, contents in cases.items():
        assert contents != text, name
        with open(os.path.join(folder, name), "w", encoding="cp1252", newline="") as stream:
            stream.write(contents)


def main(folder):
    r12(os.path.join(folder, "r12_entities.dxf"))
    good = os.path.join(folder, "r2018_mixed.dxf")
    r2018(good)
    spoilt(good, folder)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tests/dxf")
