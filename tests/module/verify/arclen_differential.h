// Random triples for the three-point arc length command, and the check of what it prints
// against an extended-precision reference.
#pragma once
#include "verify_support.h"

#include "acge.h"

#include <string>
#include <vector>

namespace verify {

/// One session of oblouk_delka_m: three points (world) and the drawing's linear precision.
struct ArcLengthCase {
    AcGePoint3d points[3];
    int luprec = 4;
    std::string shape;  ///< how the triple was made, for the report
    std::string script;
};

/// A random triple from its seed: well-conditioned, far from the origin, nearly straight,
/// nearly collinear with the second point outside, at huge or tiny scales, or one with no
/// circle (coincident or exactly collinear points).
ArcLengthCase makeArcLengthCase(unsigned long long seed);

/// What the session printed or warned, against the reference.
std::vector<Mismatch> checkArcLengthCase(const ArcLengthCase& c, const ModuleTexts& texts);

}  // namespace verify
