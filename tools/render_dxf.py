#!/usr/bin/python3
"""Renders a drawing file to a PNG picture with ezdxf's drawing add-on (matplotlib).

    render_dxf.py DRAWING.dxf PICTURE.png [--size INCHES] [--dpi DPI]

Dimensions are drawn from the blocks the drawing carries for them (as CAD programs do), so
the picture shows what a CAD program would show. Exit status 2 when the drawing cannot be
read or its audit finds errors.
"""
import argparse
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import ezdxf  # noqa: E402
from ezdxf.addons.drawing import Frontend, RenderContext  # noqa: E402
from ezdxf.addons.drawing.matplotlib import MatplotlibBackend  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("drawing")
    parser.add_argument("picture")
    parser.add_argument("--size", type=float, default=10.0, help="width in inches")
    parser.add_argument("--dpi", type=int, default=150)
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
    figure = plt.figure(figsize=(args.size, args.size * 0.75))
    axes = figure.add_axes([0, 0, 1, 1])
    context = RenderContext(doc)
    backend = MatplotlibBackend(axes)
    Frontend(context, backend).draw_layout(doc.modelspace(), finalize=True)
    figure.savefig(args.picture, dpi=args.dpi, facecolor=figure.get_facecolor())
    print(f"{args.picture}: {len(doc.modelspace())} entities drawn")
    return 0


if __name__ == "__main__":
    sys.exit(main())
