// The arc dimension commands against a reference built from the picked source's own
// definition (arc angles, polyline bulge, circle, the wall's three points) in long double. The
// reference holds the commands to this: the dimension spans the picked arc, or the part of it
// between the extension points, drawn (the host's dimension arc holds the arc point) and
// measured (the text); Enter puts the dimension line at the middle of the arc; a drag click
// outside the arc puts it at the middle at the click's distance; for a circle the click's side
// chooses the arc, Enter the one counterclockwise about the circle's normal; a picked point
// outside the arc is replaced by the nearer end, with the warning; an arc point that the
// extension points leave outside their span goes to its middle.
#include "arcdim_differential.h"

#include "acedads.h"
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "dbents.h"
#include "dxf/dimension_graphics.h"
#include "editor/editor.h"
#include "mfc/utf_text.h"
#include "session/recorder.h"
#include "session/session.h"

#include <cfloat>
#include <sstream>

namespace verify {

namespace {

using reference::Arc;
using reference::Real;
using reference::V3;
using Source = ArcDimensionCase::Source;

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr Real kEpsilon = DBL_EPSILON;

/// The angle within which a direction from the centre counts as on an extension line: the
/// rounding of coordinates of the centre's magnitude seen from that distance, and never less
/// than a billionth of a radian.
Real separableAngle(const Arc& arc, Real distance)
{
    return 1e-9L + 64 * kEpsilon * (reference::largest(arc.center) + distance) / distance;
}

std::string text(const std::u16string& wide)
{
    return cadhost::utf8FromUtf16(wide);
}

/// The arc the source in the drawing defines, from its own data.
Arc sourceArc(const ArcDimensionCase& c, const AcDbObject* source, V3& start, V3& end)
{
    using namespace reference;
    Arc arc;
    if (const auto* entity = AcDbArc::cast(source)) {
        const V3 n = unit(of(entity->normal()));
        const V3 x = ocsXAxis(n);
        const V3 y = cross(n, x);
        const Real from = entity->startAngle();
        const Real to = entity->endAngle();
        arc = {of(entity->center()), n, x * std::cos(from) + y * std::sin(from), entity->radius(),
               std::fmod(to - from + 2 * kTwoPi, kTwoPi)};
        start = arc.at(0, arc.radius);
        end = arc.at(arc.sweep, arc.radius);
    } else if (const auto* circle = AcDbCircle::cast(source)) {
        // The two points moved radially onto the circle; counterclockwise from the first.
        arc.center = of(circle->center());
        arc.normal = unit(of(circle->normal()));
        arc.radius = circle->radius();
        const auto onCircle = [&arc](const AcGePoint3d& ucsPoint) {
            const V3 d = of(cadhost::editor().ucsToWorld(ucsPoint)) - arc.center;
            return arc.center + unit(d - arc.normal * dot(d, arc.normal)) * arc.radius;
        };
        start = onCircle(c.circlePoints[0]);
        end = onCircle(c.circlePoints[1]);
        arc.along = unit(start - arc.center);
        arc.sweep = arc.turnOf(end);
    } else if (const auto* pline = AcDbPolyline::cast(source)) {
        const V3 n = unit(of(pline->normal()));
        const V3 x = ocsXAxis(n);
        const V3 y = cross(n, x);
        AcGePoint2d from, to;
        double bulge = 0;
        pline->getPointAt(c.segment, from);
        pline->getPointAt(c.segment + 1, to);
        pline->getBulgeAt(c.segment, bulge);
        const Real b = bulge;
        const Real dx = Real(to.x) - from.x, dy = Real(to.y) - from.y;
        const Real offset = (1 - b * b) / (4 * b);
        const Real cx = from.x + dx / 2 - dy * offset, cy = from.y + dy / 2 + dx * offset;
        const Real elevation = pline->elevation();
        const auto world = [&](Real u, Real v) { return x * u + y * v + n * elevation; };
        start = world(from.x, from.y);
        end = world(to.x, to.y);
        arc.center = world(cx, cy);
        arc.normal = b > 0 ? n : -n;
        arc.along = unit(start - arc.center);
        arc.radius = std::hypot(dx, dy) * (1 + b * b) / (4 * std::fabs(b));
        arc.sweep = 4 * std::atan(std::fabs(b));
    } else if (const auto* wall = AecDbWall::cast(source)) {
        // The circle through the wall's start, middle and end, turning from start to end.
        start = of(wall->startPoint());
        end = of(wall->endPoint());
        const V3 u = of(wall->midPoint()) - start;
        const V3 w = end - start;
        const V3 n = cross(u, w);
        arc.center = start + cross(w * dot(u, u) - u * dot(w, w), n) * (1 / (2 * dot(n, n)));
        arc.normal = unit(n);
        arc.along = unit(start - arc.center);
        arc.radius = norm(start - arc.center);
        arc.sweep = arc.turnOf(end);
    }
    return arc;
}

/// What the reference expects of the finished dimension.
struct Expected {
    V3 xLine1;
    V3 xLine2;
    V3 arcPoint;
    Real from = 0;  ///< the span along the picked arc, as turns from its start
    Real to = 0;
    bool replaced = false;
};

Expected expectedDimension(const ArcDimensionCase& c, Arc& arc, V3 start, V3 end)
{
    Expected e;
    const auto world = [](const AcGePoint3d& ucsPoint) {
        return reference::of(cadhost::editor().ucsToWorld(ucsPoint));
    };
    e.arcPoint = arc.at(arc.sweep / 2, arc.radius);
    if (c.dragClick) {
        const V3 click = world(c.dragPoint);
        const Real turn = arc.turnOf(click);
        if (c.source == Source::Circle && turn > arc.sweep)
            arc = arc.otherWay();
        e.arcPoint = c.source == Source::Circle || turn < arc.sweep
                         ? click
                         : arc.at(arc.sweep / 2, arc.distanceOf(click));
    }
    e.xLine1 = start;
    e.xLine2 = end;
    e.to = arc.sweep;
    if (!c.extensionPoints || c.source == Source::Circle)
        return e;

    V3 picks[2] = {world(c.extensionPicks[0]), world(c.extensionPicks[1])};
    Real turns[2];
    bool inside[2];
    for (int i = 0; i < 2; ++i) {
        turns[i] = arc.turnOf(picks[i]);
        const Real margin = separableAngle(arc, reference::norm(picks[i] - arc.center));
        if (turns[i] > reference::kTwoPi - margin)
            turns[i] -= reference::kTwoPi;
        inside[i] = turns[i] <= arc.sweep + margin;
    }
    e.replaced = !inside[0] || !inside[1];
    if (!inside[0] && !inside[1])
        return e;
    for (int i = 0; i < 2; ++i)
        if (!inside[i]) {
            const bool toStart = turns[i] - arc.sweep > reference::kTwoPi - turns[i];
            picks[i] = toStart ? start : end;
            turns[i] = toStart ? 0 : arc.sweep;
        }
    e.xLine1 = picks[0];
    e.xLine2 = picks[1];
    e.from = std::fmin(turns[0], turns[1]);
    e.to = std::fmax(turns[0], turns[1]);
    // Two directions not told apart: a dimension of no length on the first point.
    if (e.to - e.from <= std::fmax(separableAngle(arc, reference::norm(picks[0] - arc.center)),
                                   separableAngle(arc, reference::norm(picks[1] - arc.center)))) {
        e.xLine2 = e.arcPoint = e.xLine1;
        e.to = e.from;
        return e;
    }
    const Real arcPointTurn = arc.turnOf(e.arcPoint);
    const Real distance = reference::norm(e.arcPoint - arc.center);
    if (!(arcPointTurn > e.from && arcPointTurn < e.to))
        e.arcPoint = arc.at((e.from + e.to) / 2, distance);
    return e;
}

const AcDb3PointAngularDimension* theDimension(std::vector<Mismatch>& found)
{
    const AcDbDatabase::Impl& db = cadhost::workingDatabase()->impl();
    const AcDb3PointAngularDimension* dimension = nullptr;
    int count = 0;
    for (const AcDbObjectId& id : db.modelSpaceIds()) {
        const auto* d = AcDb3PointAngularDimension::cast(db.objectAt(id));
        if (d != nullptr && !d->isErased()) {
            dimension = d;
            ++count;
        }
    }
    if (count != 1)
        found.push_back({"dimension-count", std::to_string(count) + " dimensions in the drawing"});
    return count == 1 ? dimension : nullptr;
}

bool isFinite(const AcGePoint3d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

void checkPoint(const char* what, const AcGePoint3d& actual, V3 expected, Real tolerance,
                std::vector<Mismatch>& found)
{
    const Real off = reference::norm(reference::of(actual) - expected);
    if (!(off <= tolerance)) {
        std::ostringstream detail;
        detail.precision(17);
        detail << what << " (" << actual.x << ", " << actual.y << ", " << actual.z << ") is "
               << static_cast<double>(off) << " from (" << static_cast<double>(expected.x)
               << ", " << static_cast<double>(expected.y) << ", "
               << static_cast<double>(expected.z) << ")";
        found.push_back({std::string(what), detail.str()});
    }
}

}  // namespace

ArcDimensionCase makeArcDimensionCase(unsigned long long seed)
{
    Random random(seed);
    ArcDimensionCase c;
    c.source = static_cast<Source>(random.below(4));
    const int command = random.below(4);
    c.mode = command % 2 == 0 ? 1 : 2;
    c.extensionPoints = command >= 2;
    c.luprec = random.below(9);
    c.zerosSuppressed = random.chance(0.5);
    std::ostringstream script;
    script << "setvar LUPREC " << c.luprec << "\nsetvar DIMZIN " << (c.zerosSuppressed ? 8 : 0)
           << "\n";

    // The UCS: moved (also off the world XY plane), mirrored (extrusion 0,0,-1), turned.
    double originMagnitude = 0;
    if (random.chance(0.4)) {
        const double x = random.sign() * random.logUniform(1, 5e6);
        const double y = random.sign() * random.logUniform(1, 5e6);
        const double z = random.chance(0.5) ? random.sign() * random.logUniform(1, 1e4) : 0;
        originMagnitude = std::max({std::fabs(x), std::fabs(y), std::fabs(z)});
        script << "ucs origin " << number(x) << "," << number(y) << "," << number(z) << "\n";
    }
    if (random.chance(0.4))
        script << "ucs x 180\n";
    if (random.chance(0.5))
        script << "ucs z " << number(random.uniform(-180, 180)) << "\n";

    // The arc in the UCS: centre, radius, start direction, sweep and sense.
    const double radius = random.logUniform(1e-4, 1e7);
    const auto coordinate = [&random] {
        return random.chance(0.2) ? 0.0 : random.sign() * random.logUniform(1e-3, 5e6);
    };
    const double cx = coordinate();
    const double cy = coordinate();
    const Real magnitude = originMagnitude + std::max(std::fabs(cx), std::fabs(cy)) + 2 * radius;
    // Directions the commands must tell apart are at least this far from each other. An arc
    // made through three points (the arc command, a wall) moves with their rounding, the more
    // the flatter it is: its centre by about eight roundings over the squared sweep.
    const double baseMargin = static_cast<double>(
        1e-3L + 4 * (1e-9L + 64 * kEpsilon * (magnitude + radius) / (0.2L * radius)));
    const bool throughThreePoints = c.source == Source::Arc || c.source == Source::Wall;
    double sweep = 0;
    double margin = 0;
    do {
        const double shape = random.uniform(0, 1);
        sweep = shape < 0.1   ? random.uniform(6 * baseMargin, 12 * baseMargin + 0.05)
                : shape < 0.2 ? kTwoPi - random.uniform(6 * baseMargin, 12 * baseMargin + 0.05)
                              : random.uniform(6 * baseMargin, kTwoPi - 6 * baseMargin);
        const double flatness = throughThreePoints ? 8 / (sweep * sweep) : 0;
        margin = baseMargin +
                 static_cast<double>(4 * flatness * kEpsilon * magnitude / (0.2L * radius));
    } while (sweep < 6 * margin || kTwoPi - sweep < 6 * margin);
    const double startAngle = random.uniform(0, kTwoPi);
    const double sense =
        c.source == Source::Arc || c.source == Source::Circle ? 1.0 : random.sign();
    const auto at = [&](double turn, double distance) {
        const AcGePoint3d p(cx + distance * std::cos(startAngle + sense * turn),
                            cy + distance * std::sin(startAngle + sense * turn), 0.0);
        // Kept as the script gives it back.
        AcGePoint3d read;
        std::istringstream(number(p.x) + " " + number(p.y)) >> read.x >> read.y;
        return read;
    };
    const auto line = [&script](const AcGePoint3d& p) { script << point2(p.x, p.y) << "\n"; };
    const auto word = [](const AcGePoint3d& p) { return point2(p.x, p.y); };
    const auto distance = [&random, radius](double low) {
        return random.logUniform(low * radius, 2 * radius);
    };

    switch (c.source) {
    case Source::Arc:
        script << "arc " << word(at(0, radius)) << " " << word(at(sweep / 2, radius)) << " "
               << word(at(sweep, radius)) << "\n";
        break;
    case Source::Circle:
        script << "circle " << point2(cx, cy) << " " << number(radius) << "\n";
        break;
    case Source::PolylineArc: {
        // Straight segments leading in and out radially never come nearer to the arc's points.
        const bool leadIn = random.chance(0.5);
        c.segment = leadIn ? 1 : 0;
        script << "pline ";
        if (leadIn)
            script << word(at(0, 1.6 * radius)) << " ";
        script << word(at(0, radius)) << "," << number(sense * std::tan(sweep / 4)) << " "
               << word(at(sweep, radius));
        if (random.chance(0.5))
            script << " " << word(at(sweep, 1.7 * radius));
        script << "\n";
        break;
    }
    case Source::Wall:
        script << "wall " << word(at(0, radius)) << " " << word(at(sweep / 2, radius)) << " "
               << word(at(sweep, radius)) << "\n";
        break;
    }
    static const char* const kCommands[] = {"oblouk_kota_m", "oblouk_kota2_m", "oblouk_kota3_m",
                                            "oblouk_kota4_m"};
    script << kCommands[command] << "\n";
    line(c.source == Source::Circle ? at(random.uniform(0, kTwoPi), radius)
                                    : at(sweep * random.uniform(0.25, 0.75), radius));
    if (c.source == Source::Circle) {
        c.circlePoints = {at(0, distance(0.3)), at(sweep, distance(0.3))};
        line(c.circlePoints[0]);
        line(c.circlePoints[1]);
    }

    // The drag: Enter, a click within the arc, or one outside it (for a circle, on the other
    // arc between its points), either nearer the centre than the arc or farther.
    const int drag = random.below(3);
    double arcPointTurn = sweep / 2;
    if (random.chance(0.5))
        script << "~" << word(at(random.uniform(0, kTwoPi), distance(0.1))) << "\n";
    if (drag == 0) {
        script << "\n";
    } else {
        const double turn = drag == 1 ? random.uniform(margin, sweep - margin)
                                      : random.uniform(sweep + margin, kTwoPi - margin);
        c.dragClick = true;
        c.dragPoint = at(turn, distance(0.3));
        line(c.dragPoint);
        if (drag == 1)
            arcPointTurn = turn;
    }

    if (c.extensionPoints && c.source != Source::Circle) {
        // Clear of the arc point's direction, so that it plainly stays or moves.
        const auto clearOfArcPoint = [&](double turn) {
            return std::fabs(turn - arcPointTurn) > 2 * margin;
        };
        const auto insideTurn = [&] {
            for (;;) {
                const double turn = random.uniform(margin, sweep - margin);
                if (clearOfArcPoint(turn))
                    return turn;
            }
        };
        const double gap = kTwoPi - sweep;
        if (sweep > kPi + 4 * margin && random.chance(0.2)) {
            // Opposite directions, at equal or unequal distances.
            double turn = 0;
            do
                turn = random.uniform(margin, sweep - kPi - margin);
            while (!clearOfArcPoint(turn) || !clearOfArcPoint(turn + kPi));
            const double near = distance(0.2);
            c.extensionPicks = {at(turn, near),
                                at(turn + kPi, random.chance(0.5) ? near : distance(0.2))};
        } else {
            for (int i = 0; i < 2; ++i) {
                switch (static_cast<PickPlace>(random.below(5))) {
                case PickPlace::Inside:
                    c.extensionPicks.push_back(at(insideTurn(), distance(0.2)));
                    break;
                case PickPlace::BeforeStart:
                    c.extensionPicks.push_back(
                        at(random.uniform(sweep + gap / 2 + margin, kTwoPi - margin),
                           distance(0.2)));
                    break;
                case PickPlace::BeyondEnd:
                    c.extensionPicks.push_back(
                        at(random.uniform(sweep + margin, sweep + gap / 2 - margin),
                           distance(0.2)));
                    break;
                case PickPlace::AtStart:
                    c.extensionPicks.push_back(at(0, radius));
                    break;
                case PickPlace::AtEnd:
                    c.extensionPicks.push_back(at(sweep, radius));
                    break;
                }
            }
        }
        if (random.chance(0.5))
            std::swap(c.extensionPicks[0], c.extensionPicks[1]);
        line(c.extensionPicks[0]);
        line(c.extensionPicks[1]);
    }
    c.script = script.str();
    return c;
}

std::vector<Mismatch> checkArcDimensionCase(const ArcDimensionCase& c, const ModuleTexts& texts)
{
    std::vector<Mismatch> found;
    const AcDbDatabase::Impl& db = cadhost::workingDatabase()->impl();
    if (db.modelSpaceIds().empty())
        return {{"no-source", "the script made no entity"}};
    V3 start, end;
    Arc arc;
    {
        AcDbObjectPointer<AcDbObject> source(db.modelSpaceIds().front(), AcDb::kForRead);
        arc = sourceArc(c, source.object(), start, end);
    }
    const Expected e = expectedDimension(c, arc, start, end);

    std::vector<std::string> boxes;
    for (const cadhost::RecordedEvent& event :
         cadhost::recorder().ofKind(cadhost::RecordedEvent::Kind::MessageBox))
        boxes.push_back(event.text);
    const std::vector<std::string> expectedBoxes =
        e.replaced ? std::vector<std::string>{texts.replacedWarning} : std::vector<std::string>{};
    if (boxes != expectedBoxes)
        found.push_back({"warning", std::to_string(boxes.size()) + " message boxes, " +
                                        (e.replaced ? "the replaced-point warning" : "none") +
                                        " expected"});

    const AcDb3PointAngularDimension* dimension = theDimension(found);
    if (dimension == nullptr)
        return found;
    const AcGePoint3d points[] = {dimension->centerPoint(), dimension->xLine1Point(),
                                  dimension->xLine2Point(), dimension->arcPoint()};
    for (const AcGePoint3d& p : points)
        if (!isFinite(p))
            return {{"non-finite", "a dimension point is not finite"}};

    const Real magnitude = reference::largest(arc.center) +
                           std::fmax(2 * arc.radius, reference::norm(e.arcPoint - arc.center));
    const Real positionTolerance = 256 * kEpsilon * magnitude;
    checkPoint("extension-line-1", dimension->xLine1Point(), e.xLine1, positionTolerance, found);
    checkPoint("extension-line-2", dimension->xLine2Point(), e.xLine2, positionTolerance, found);
    checkPoint("arc-point", dimension->arcPoint(), e.arcPoint, positionTolerance, found);

    // Drawn: the host draws the dimension arc between the extension lines on the side of the
    // arc point; it must be the expected part of the picked arc.
    const Real arcPointTurn = arc.turnOf(reference::of(dimension->arcPoint()));
    cadhost::AngularDimensionPoints drawnPoints;
    drawnPoints.center = points[0];
    drawnPoints.xLine1 = points[1];
    drawnPoints.xLine2 = points[2];
    drawnPoints.arcPoint = points[3];
    drawnPoints.normal = dimension->normal();
    const Real drawn = cadhost::angularDimensionGraphics(drawnPoints, u"", nullptr,
                                                          cadhost::DimensionStyleSizes())
                           .measurement;
    const Real span = e.to - e.from;
    const Real angleTolerance = 4 * separableAngle(arc, 0.2L * arc.radius);
    // A span of no length (both picks at one end) has no side to hold the arc point.
    const bool sideHolds = span <= angleTolerance || (arcPointTurn > e.from && arcPointTurn < e.to);
    if (!sideHolds || !(std::fabs(drawn - span) <= angleTolerance)) {
        std::ostringstream detail;
        detail << "drawn over " << static_cast<double>(drawn) << " rad with the arc point at turn "
               << static_cast<double>(arcPointTurn) << ", expected " << static_cast<double>(span)
               << " rad from turn " << static_cast<double>(e.from);
        found.push_back({"drawn-side", detail.str()});
    }

    // Measured: the text.
    ACHAR* shown = dimension->dimensionText();
    const std::string label = text(shown != nullptr ? shown : u"");
    acutDelString(shown);
    const Real slack = 32 * kEpsilon * magnitude;
    std::string lengthText = label;
    if (c.mode != 1) {
        const std::size_t radiusAt = label.find(", R=");
        if (label.rfind("dl.=", 0) != 0 || radiusAt == std::string::npos) {
            found.push_back({"text-format", "\"" + label + "\""});
            return found;
        }
        lengthText = label.substr(4, radiusAt - 4);
        checkPrintedLength(label.substr(radiusAt + 4), ',', c.luprec, c.zerosSuppressed,
                           arc.radius, slack + 8 * kEpsilon * arc.radius, "radius-text", found);
    }
    const Real length = arc.radius * span;
    checkPrintedLength(lengthText, ',', c.luprec, c.zerosSuppressed, length,
                       slack + 8 * kEpsilon * length, "text", found);
    return found;
}

}  // namespace verify
