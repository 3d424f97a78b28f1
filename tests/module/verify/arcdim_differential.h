// Random sessions of the four arc dimension commands on every kind of arc source, and their
// check against an independent reference that works from the source's own definition.
#pragma once
#include "verify_support.h"

#include <string>
#include <vector>

namespace verify {

/// What the user picks for an extension point: where it lies against the picked arc.
enum class PickPlace { Inside, BeforeStart, BeyondEnd, AtStart, AtEnd };

/// One arc dimension session: its script and the facts the reference needs.
struct ArcDimensionCase {
    enum class Source { Arc, Circle, PolylineArc, Wall };
    Source source = Source::Arc;
    unsigned segment = 0;      ///< the polyline's arc segment
    int mode = 1;              ///< 1 length, 2 length and radius
    bool extensionPoints = false;
    int luprec = 4;
    bool zerosSuppressed = true;
    /// The user's points in the UCS: the two circle points, the drag click (none for
    /// Enter) and the two extension points, whichever the session has.
    std::vector<AcGePoint3d> circlePoints;
    bool dragClick = false;
    AcGePoint3d dragPoint;
    std::vector<AcGePoint3d> extensionPicks;
    std::string script;
};

/// A random session from its seed.
ArcDimensionCase makeArcDimensionCase(unsigned long long seed);

/// What the session that ran the case left in the working drawing and the record, against
/// the reference.
std::vector<Mismatch> checkArcDimensionCase(const ArcDimensionCase& c, const ModuleTexts& texts);

}  // namespace verify
