// Rounding, vector and angle primitives of the arc commands: stateless functions on the host's
// vectors. Angles are radians; counterclockwise about an axis is by the right-hand rule.
#pragma once
#include "acge.h"

/// pi, the double nearest to it.
constexpr double kPi = 3.141592653589793;
/// 2*pi, the double nearest to it.
constexpr double kTwoPi = 6.283185307179586;

/// The integer nearest to x; a fraction of exactly one half goes to the lower integer.
double roundNearest(double x);

/// +1 for a positive x, 0 for either zero, -1 otherwise (a NaN included).
int signOf(double x);

/// True when b = k * a within tolerance (two zero vectors count, with k = 1); a zero vector
/// against a non-zero one gives false with k = 0; non-parallel vectors leave k unwritten.
bool collinearRatio(const AcGeVector3d& a, const AcGeVector3d& b, double& k);

/// Whether b is a positive multiple of a (two zero vectors count).
bool isSameDirection(const AcGeVector3d& a, const AcGeVector3d& b);

/// The angle in [0, 2*pi) of (v.x, v.y) from +x towards +y; 0 for the zero vector, not a
/// number for a non-zero vector along z.
double polarAngle(const AcGeVector3d& v);

/// The angle turned from `from` to `to` about axis: counterclockwise for a direction of 1 or
/// more, clockwise otherwise; 0 or pi for parallel vectors whatever the direction.
double angleAboutAxis(const AcGeVector3d& from, const AcGeVector3d& to, const AcGeVector3d& axis,
                      int direction);

/// The sweep in [0, 2*pi] of the arc from start to end that passes through `through`, all three
/// given as vectors from the arc's centre.
double arcSweepAngle(const AcGeVector3d& start, const AcGeVector3d& end,
                     const AcGeVector3d& through);

/// +1 when the arc from start through `through` to end turns counterclockwise about normal,
/// -1 when clockwise, 0 when the arc is degenerate.
int arcOrientation(const AcGeVector3d& start, const AcGeVector3d& end,
                   const AcGeVector3d& through, const AcGeVector3d& normal);
