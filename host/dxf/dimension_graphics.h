// The graphics a CAD program shows for a three-point angular dimension, as the host draws
// them into the dimension's block: extension lines, the dimension arc through the arc point,
// arrowheads at its ends and the text, in the sizes of the dimension style.
#pragma once
#include "acge.h"
#include <string>
#include <vector>

class AcDb3PointAngularDimension;

namespace cadhost {

/// The sizes and text settings of a dimension style that the graphics use (drawing units
/// before DIMSCALE).
struct DimensionStyleSizes {
    double arrowSize = 2.5;         ///< DIMASZ
    double textHeight = 2.5;        ///< DIMTXT
    double extensionOffset = 0.625; ///< DIMEXO: gap between the defining point and its line
    double extensionBeyond = 1.25;  ///< DIMEXE: how far the line runs past the dimension arc
    double textGap = 0.625;         ///< DIMGAP: between the dimension arc and the text
    double scale = 1.0;             ///< DIMSCALE
    bool textAbove = true;          ///< DIMTAD != 0: text above the arc, else on it (arc broken)
    int angularDecimals = 0;        ///< DIMADEC
    std::string textStyle = "Standard";
};

/// The dimension's graphics in world coordinates; arcs are given by their centre, radius and
/// angles in the object coordinate system of normal.
struct DimensionGraphics {
    struct Line {
        AcGePoint3d start;
        AcGePoint3d end;
    };
    struct Arc {
        AcGePoint3d center;
        double radius = 0.0;
        double startAngle = 0.0;
        double endAngle = 0.0;
    };
    /// A filled triangle; corners[0] is the tip.
    struct Arrow {
        AcGePoint3d corners[3];
    };
    struct Text {
        AcGePoint3d middle;     ///< the middle of the text
        AcGeVector3d direction; ///< the reading direction (unit, in the dimension's plane)
        double height = 0.0;
        std::u16string contents;
    };

    AcGeVector3d normal;
    std::vector<Line> extensionLines;
    std::vector<Arc> dimensionArcs;  ///< one, or two when the text breaks it
    std::vector<Arrow> arrows;
    Text text;
    /// The vertex, the extension line points and the arc point (the style's definition points).
    std::vector<AcGePoint3d> definitionPoints;
    /// The angle measured, radians in [0, 2*pi).
    double measurement = 0.0;
};

/// The defining points of a three-point angular dimension (world coordinates).
struct AngularDimensionPoints {
    AcGePoint3d center;
    AcGePoint3d xLine1;
    AcGePoint3d xLine2;
    AcGePoint3d arcPoint;
    AcGeVector3d normal = AcGeVector3d::kZAxis;
};

/// The defining points of dimension; a normal of no length is taken as the Z axis.
AngularDimensionPoints angularDimensionPointsOf(const AcDb3PointAngularDimension& dimension);
/// The text the user gave dimension (empty for none).
std::u16string angularDimensionTextOverride(const AcDb3PointAngularDimension& dimension);

/// The shown text of a dimension: textOverride, with "<>" in it, or all of it when empty, the
/// measured angle in degrees with the style's decimals and decimalSeparator.
std::u16string angularDimensionText(const std::u16string& textOverride, double angle,
                                    int decimals, char16_t decimalSeparator);

/// The angle a dimension measures, radians in [0, 2*pi) (0 for a degenerate one): the
/// measurement of its graphics.
double angularDimensionMeasurement(const AngularDimensionPoints& points);

/// The graphics of a dimension. textPosition, when not null, is where the user put the text
/// (world); otherwise it goes at the middle of the dimension arc.
DimensionGraphics angularDimensionGraphics(const AngularDimensionPoints& points,
                                           const std::u16string& shownText,
                                           const AcGePoint3d* textPosition,
                                           const DimensionStyleSizes& sizes);

}  // namespace cadhost
