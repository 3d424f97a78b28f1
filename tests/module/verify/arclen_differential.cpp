// The three-point arc length against a reference in binary128 that goes the classic way, by
// the circumcentre and the angle about it from the first point to the third. A printed length
// must lie within one unit of its last digit of the reference (and a few roundings of a
// double); a triple with no finite circle must give the warning.
#include "arclen_differential.h"

#include "editor/editor.h"
#include "session/recorder.h"
#include "session/session.h"

#include <cfloat>
#include <quadmath.h>
#include <sstream>

namespace verify {

namespace {

using reference::Real;
using reference::V3;

constexpr double kTwoPi = 6.283185307179586;

using Quad = __float128;

/// A vector of binary128 numbers: differences of doubles are exact in it, and products of
/// them keep their digits.
struct Q3 {
    Quad x, y, z;
};

Q3 operator-(Q3 a, Q3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Q3 operator*(Q3 a, Quad s) { return {a.x * s, a.y * s, a.z * s}; }
Quad dot(Q3 a, Q3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Q3 cross(Q3 a, Q3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Q3 quad(const AcGePoint3d& p) { return {p.x, p.y, p.z}; }

/// The length of the arc from p[0] through p[1] to p[2] on the circumcircle, found through
/// its centre; false when there is no circle (coincident or collinear points) or its length
/// passes a double's range.
bool referenceLength(const AcGePoint3d (&p)[3], Quad& length)
{
    const Q3 toSecond = quad(p[1]) - quad(p[0]);
    const Q3 toThird = quad(p[2]) - quad(p[0]);
    const Q3 normal = cross(toSecond, toThird);
    const Quad normalSquared = dot(normal, normal);
    if (normalSquared == 0)
        return false;
    // The centre from the first point; the points run counterclockwise about the normal.
    const Q3 toCenter = cross(toThird * dot(toSecond, toSecond) - toSecond * dot(toThird, toThird),
                              normal) *
                        (1 / (2 * normalSquared));
    const Q3 fromCenterToFirst = Q3{0, 0, 0} - toCenter;
    const Q3 fromCenterToThird = toThird - toCenter;
    const Quad twoPi = 2 * acosq(-1);
    Quad sweep = atan2q(dot(cross(fromCenterToFirst, fromCenterToThird), normal) /
                            sqrtq(normalSquared),
                        dot(fromCenterToFirst, fromCenterToThird));
    if (sweep <= 0)
        sweep += twoPi;
    const Quad radius = sqrtq(dot(toCenter, toCenter));
    if (!(radius * twoPi <= DBL_MAX))
        return false;
    length = radius * sweep;
    return true;
}

/// An orthonormal pair spanning a random plane (the world XY plane more often than not).
void randomPlane(Random& random, V3& first, V3& second)
{
    if (random.chance(0.6)) {
        first = {1, 0, 0};
        second = {0, 1, 0};
        return;
    }
    const V3 normal = reference::unit({random.uniform(-1, 1), random.uniform(-1, 1),
                                        random.uniform(-1, 1)});
    first = reference::ocsXAxis(normal);
    second = reference::cross(normal, first);
}

AcGePoint3d toPoint(V3 p)
{
    return AcGePoint3d(static_cast<double>(p.x), static_cast<double>(p.y),
                       static_cast<double>(p.z));
}

}  // namespace

ArcLengthCase makeArcLengthCase(unsigned long long seed)
{
    Random random(seed);
    ArcLengthCase c;
    c.luprec = random.below(9);
    const auto coordinate = [&random](double largest) {
        return random.chance(0.1) ? 0.0 : random.sign() * random.logUniform(1e-3, largest);
    };
    V3 e1, e2;
    randomPlane(random, e1, e2);
    const int shape = random.below(6);
    if (shape <= 2) {
        // An arc on a circle: anywhere, far from the origin, or at a huge or tiny scale.
        const double scale = shape == 2 ? std::pow(10.0, random.uniform(-200, 200)) : 1.0;
        const double reach = shape == 1 ? 2e9 : 1e7;
        const V3 center = V3{coordinate(reach), coordinate(reach), coordinate(reach)} * scale;
        const double radius =
            (shape == 1 ? random.logUniform(1e-2, 1e3) : random.logUniform(1e-4, 1e7)) * scale;
        const double start = random.uniform(0, kTwoPi);
        const double sweep = random.uniform(0.01, kTwoPi - 0.01);
        const double through = sweep * random.uniform(0.05, 0.95);
        const double turns[] = {start, start + through, start + sweep};
        for (int i = 0; i < 3; ++i)
            c.points[i] = toPoint(center + (e1 * std::cos(turns[i]) + e2 * std::sin(turns[i])) *
                                               Real(radius));
        c.shape = shape == 0 ? "arc" : shape == 1 ? "far arc" : "scaled arc";
    } else if (shape <= 4) {
        // Nearly straight: the second point between the others, or beyond the third, a hair
        // off their line.
        const V3 first = {coordinate(1e7), coordinate(1e7), coordinate(1e7)};
        const Real length = random.logUniform(1e-3, 1e6);
        const V3 third = first + e1 * length;
        const Real along = shape == 3 ? random.uniform(0.05, 0.95) : random.uniform(1.1, 3.0);
        const Real off = length * std::pow(10.0L, -random.uniform(shape == 3 ? 3 : 2, 15));
        c.points[0] = toPoint(first);
        c.points[1] = toPoint(first + e1 * (length * along) + e2 * off);
        c.points[2] = toPoint(third);
        c.shape = shape == 3 ? "nearly straight" : "nearly collinear, second point outside";
    } else {
        // No circle: two points the same, or three exactly on a line (exact binary steps).
        const AcGePoint3d a(std::ldexp(std::round(random.uniform(-1e6, 1e6)), -random.below(8)),
                            std::ldexp(std::round(random.uniform(-1e6, 1e6)), -random.below(8)), 0);
        const AcGeVector3d step(std::ldexp(1.0, random.below(20) - 10),
                                std::ldexp(random.below(5) - 2.0, random.below(20) - 10), 0);
        const double k2 = random.below(7) - 3;
        const double k3 = random.below(7) - 3;
        const int which = random.below(4);
        c.points[0] = a;
        c.points[1] = which == 1 ? a : a + step * k2;
        c.points[2] = which == 2 ? a : which == 3 ? c.points[1] : a + step * k3;
        c.shape = "no circle";
    }
    std::ostringstream script;
    script << "setvar LUPREC " << c.luprec << "\noblouk_delka_m\n";
    for (const AcGePoint3d& p : c.points)
        script << number(p.x) << "," << number(p.y) << "," << number(p.z) << "\n";
    c.script = script.str();
    return c;
}

std::vector<Mismatch> checkArcLengthCase(const ArcLengthCase& c, const ModuleTexts& texts)
{
    std::vector<Mismatch> found;
    Quad exactLength = 0;
    const bool hasCircle = referenceLength(c.points, exactLength);
    const Real length = static_cast<Real>(exactLength);

    std::vector<std::string> boxes;
    for (const cadhost::RecordedEvent& event :
         cadhost::recorder().ofKind(cadhost::RecordedEvent::Kind::MessageBox))
        boxes.push_back(event.text);
    const std::string output = cadhost::recorder().commandLine();
    const std::size_t labelAt = output.rfind(texts.lengthLabel + " ");
    if (!hasCircle) {
        if (boxes != std::vector<std::string>{texts.notComputable} || labelAt != std::string::npos)
            found.push_back({"arclen-warning", c.shape + ": no circle, yet no warning alone"});
        return found;
    }
    if (!boxes.empty() || labelAt == std::string::npos) {
        found.push_back({"arclen-warning", c.shape + ": a warning instead of the length"});
        return found;
    }
    const std::size_t valueAt = labelAt + texts.lengthLabel.size() + 1;
    const std::string printed = output.substr(valueAt, output.find('\n', valueAt) - valueAt);
    checkPrintedLength(printed, '.', c.luprec, false, length, 16 * DBL_EPSILON * length,
                       "arclen-length", found);
    for (Mismatch& m : found)
        m.detail = c.shape + ": " + m.detail;
    return found;
}

}  // namespace verify
