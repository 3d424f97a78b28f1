#!/usr/bin/python3
"""Writes examples/arcs.dxf: a drawing "made elsewhere" for the demo session.

Arcs and circles, a lightweight polyline with arc segments, an arc in a mirrored object
coordinate system (extrusion 0,0,-1), a curved and a straight wall (baselines tagged with the
host's extended data), an angular dimension, and entities the host does not model (text, a
hatch, a spline) that must come back unchanged from a session.
"""
import sys

import ezdxf

WALL_APPLICATION = "CADHOST_WALL"


def add_wall(msp, start, middle, end, curved):
    if curved:
        # The arc runs counterclockwise from its start: through the middle point only when
        # the three points turn to the left.
        turn = ((middle[0] - start[0]) * (end[1] - middle[1]) -
                (middle[1] - start[1]) * (end[0] - middle[0]))
        first, last = (start, end) if turn > 0 else (end, start)
        arc = ezdxf.math.ConstructionArc.from_3p(first, last, middle)
        entity = msp.add_arc(arc.center, arc.radius, arc.start_angle, arc.end_angle,
                             dxfattribs={"layer": "Walls"})
    else:
        entity = msp.add_line(start, end, dxfattribs={"layer": "Walls"})
    entity.set_xdata(WALL_APPLICATION, [(1000, "baseline"), (1011, middle)])
    return entity


def main(path):
    doc = ezdxf.new("R2010", setup=True)
    doc.header["$INSUNITS"] = 4  # millimetres
    doc.header["$LUPREC"] = 3
    doc.header["$DIMLFAC"] = 1.0
    doc.header["$DIMDSEP"] = ord(",")
    doc.appids.new(WALL_APPLICATION)
    iso = doc.dimstyles.new("ISO-25")
    for name, value in (("dimtxt", 2.5), ("dimasz", 2.5), ("dimexo", 0.625), ("dimexe", 1.25),
                        ("dimgap", 0.625), ("dimtad", 1), ("dimdec", 2), ("dimdsep", 44),
                        ("dimadec", 0), ("dimzin", 8)):
        iso.dxf.set(name, value)
    doc.header["$DIMSTYLE"] = "ISO-25"
    for name, color in (("Arcs", 1), ("Walls", 5), ("Notes", 3), ("Hatches", 8)):
        doc.layers.add(name, color=color)
    msp = doc.modelspace()

    msp.add_arc((0, 0), 40, 20, 160, dxfattribs={"layer": "Arcs"})
    msp.add_circle((120, 0), 25, dxfattribs={"layer": "Arcs"})
    msp.add_lwpolyline([(180, -20, 0, 0, 0.4), (240, -20, 0, 0, 0), (240, 20, 0, 0, -1),
                        (180, 20, 0, 0, 0)], format="xyseb", close=True,
                       dxfattribs={"layer": "Arcs"})
    # Mirrored: in its object coordinate system the centre is (-60, -70); in the world it is
    # (60, -70) and the arc opens the other way.
    msp.add_arc((-60, -70), 30, 200, 340, dxfattribs={"layer": "Arcs", "extrusion": (0, 0, -1)})

    add_wall(msp, (-40, 80), (20, 110), (80, 80), curved=True)
    add_wall(msp, (120, 80), (160, 80), (200, 80), curved=False)

    dim = msp.add_angular_dim_3p(base=(0, 55), center=(0, 0), p1=(37.588, 13.681),
                                 p2=(-37.588, 13.681), dimstyle="ISO-25",
                                 dxfattribs={"layer": "Arcs"})
    dim.render()

    msp.add_text("Made elsewhere", dxfattribs={"layer": "Notes", "height": 6,
                                               "insert": (-40, -120)})
    hatch = msp.add_hatch(color=8, dxfattribs={"layer": "Hatches"})
    hatch.paths.add_polyline_path([(100, -60), (140, -60), (140, -30), (100, -30)],
                                  is_closed=True)
    msp.add_spline([(160, -60), (180, -40), (200, -70), (230, -50)],
                   dxfattribs={"layer": "Notes"})
    doc.saveas(path)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples/arcs.dxf")
