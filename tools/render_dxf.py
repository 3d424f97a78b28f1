#!/usr/bin/python3
"""Renders a drawing file to a PNG picture with ezdxf's drawing add-on (matplotlib).

    render_dxf.py DRAWING.dxf PICTURE.png [--size INCHES] [--dpi DPI] [--margin SHARE]

Dimensions are drawn from the blocks the drawing carries for them (as CAD programs do), so
the picture shows what a CAD program would show. The picture is as wide as --size says and
as high as the drawing's extents need, so that a 2.5 unit dimension text of a drawing some
300 units wide stays readable. Text styles whose font is not installed here (the CAD
programs' own SHX fonts, such as "txt") are drawn with DejaVu Sans. Exit status 2 when the
drawing cannot be read or its audit finds errors.
"""
import argparse
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib import font_manager  # noqa: E402

import ezdxf  # noqa: E402
from ezdxf.addons.drawing import Frontend, RenderContext  # noqa: E402
from ezdxf.addons.drawing.matplotlib import MatplotlibBackend  # noqa: E402
from ezdxf.tools import fonts  # noqa: E402

STAND_IN_FONT = "DejaVuSans.ttf"


def is_installed(font_file):
    """True when matplotlib knows the font family that ezdxf gives the font file."""
    family = fonts.get_font_face(font_file, map_shx=True).family.lower()
    return any(entry.name.lower() == family for entry in font_manager.fontManager.ttflist)


def use_installed_fonts(doc):
    """Points every text style whose font is not installed at the stand-in font (in memory
    only; the drawing file is not written)."""
    if not is_installed(STAND_IN_FONT):
        return
    for style in doc.styles:
        font = style.dxf.get("font", "")
        if font and not is_installed(font):
            style.dxf.font = STAND_IN_FONT


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("drawing")
    parser.add_argument("picture")
    parser.add_argument("--size", type=float, default=16.0, help="width in inches")
    parser.add_argument("--dpi", type=int, default=150)
    parser.add_argument("--margin", type=float, default=0.03,
                        help="blank border, as a share of the drawing's extents")
    args = parser.parse_args()
    try:
        doc = ezdxf.readfile(args.drawing)
    except (IOError, ezdxf.DXFStructureError) as error:
        print(f"{args.drawing}: cannot read the drawing: {error}", file=sys.stderr)
        return 2
    auditor = doc.audit()
    if auditor.has_errors:
        for error in auditor.errors:
            print(f"{args.drawing}: audit: {error.message}", file=sys.stderr)
        return 2
    use_installed_fonts(doc)
    figure = plt.figure(figsize=(args.size, args.size * 0.75))
    axes = figure.add_axes([0, 0, 1, 1])
    context = RenderContext(doc)
    backend = MatplotlibBackend(axes)
    Frontend(context, backend).draw_layout(doc.modelspace(), finalize=True)
    axes.autoscale(tight=True)
    axes.margins(args.margin)
    left, right = axes.get_xlim()
    bottom, top = axes.get_ylim()
    if right > left and top > bottom:
        figure.set_size_inches(args.size, args.size * (top - bottom) / (right - left))
    figure.savefig(args.picture, dpi=args.dpi, facecolor=figure.get_facecolor())
    print(f"{args.picture}: {len(doc.modelspace())} entities drawn")
    return 0


if __name__ == "__main__":
    sys.exit(main())
