// The page's view of entities and where a page's session is served.
// Invariants: every point a view draws, lifted back along Z onto the entity's plane, lies on the
// entity, and the view's curves end where the entity ends, whichever way its normal points
// (arcs turning clockwise when seen from above, tilted planes); an address to serve on is an
// IP address or localhost with a port, never a wildcard.
#include "cadhost/options.h"
#include "dbents.h"
#include "serve/drawing_view.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

namespace {

using nlohmann::json;

constexpr double kPi = 3.141592653589793;

struct Drawn {
    std::vector<AcGePoint3d> points;  ///< along every curve, z 0
    std::vector<AcGePoint3d> ends;    ///< the first and last point of every curve
};

/// Points along the curves of a view: arcs at several angles, polylines at their vertices.
Drawn drawnBy(const json& view)
{
    Drawn drawn;
    for (const json& arc : view.value("arcs", json::array())) {
        const double cx = arc[0], cy = arc[1], r = arc[2], a0 = arc[3], a1 = arc[4];
        for (int i = 0; i <= 8; ++i) {
            const double a = a0 + (a1 - a0) * i / 8;
            drawn.points.emplace_back(cx + r * std::cos(a), cy + r * std::sin(a), 0.0);
        }
        if (a1 - a0 < 2 * kPi) {
            drawn.ends.push_back(drawn.points[drawn.points.size() - 9]);
            drawn.ends.push_back(drawn.points.back());
        }
    }
    for (const json& line : view.value("polylines", json::array())) {
        for (std::size_t i = 0; i + 1 < line.size(); i += 2)
            drawn.points.emplace_back(line[i].get<double>(), line[i + 1].get<double>(), 0.0);
        drawn.ends.emplace_back(line[0].get<double>(), line[1].get<double>(), 0.0);
        drawn.ends.emplace_back(line[line.size() - 2].get<double>(), line.back().get<double>(), 0.0);
    }
    for (const json& line : view.value("lines", json::array())) {
        drawn.points.emplace_back(line[0].get<double>(), line[1].get<double>(), 0.0);
        drawn.points.emplace_back(line[2].get<double>(), line[3].get<double>(), 0.0);
    }
    return drawn;
}

/// The point of the plane through origin with this normal that lies straight above or below p.
AcGePoint3d liftedOnto(const AcGePoint3d& p, const AcGePoint3d& origin, const AcGeVector3d& normal)
{
    const double z = origin.z - ((p.x - origin.x) * normal.x + (p.y - origin.y) * normal.y) /
                                    normal.z;
    return {p.x, p.y, z};
}

void expectDrawsTheCurve(const AcDbCurve& curve, const AcGePoint3d& planePoint,
                         const AcGeVector3d& normal, double size, const std::string& what)
{
    cadhost::DimensionStyleCache styles;
    const json view = cadhost::entityView(curve, styles);
    const Drawn drawn = drawnBy(view);
    ASSERT_FALSE(drawn.points.empty()) << what;
    const double tol = 1e-9 * size;
    for (const AcGePoint3d& p : drawn.points) {
        const AcGePoint3d lifted = liftedOnto(p, planePoint, normal);
        AcGePoint3d onCurve;
        ASSERT_EQ(curve.getClosestPointTo(lifted, onCurve), Acad::eOk);
        EXPECT_LE(lifted.distanceTo(onCurve), tol) << what << " draws " << p.x << "," << p.y;
    }
    AcGePoint3d start;
    AcGePoint3d end;
    if (curve.getStartPoint(start) != Acad::eOk || curve.getEndPoint(end) != Acad::eOk ||
        start.isEqualTo(end))
        return;  // closed: no ends to meet
    for (const AcGePoint3d& wanted : {start, end}) {
        bool met = false;
        for (const AcGePoint3d& e : drawn.ends)
            met = met || std::hypot(e.x - wanted.x, e.y - wanted.y) <= tol;
        EXPECT_TRUE(met) << what << " does not end at " << wanted.x << "," << wanted.y;
    }
}

TEST(PageView, ArcsAndCirclesAreDrawnWhereTheyAreSeenFromAbove)
{
    std::mt19937 random(20240514);
    std::uniform_real_distribution<double> coordinate(-1e5, 1e5);
    std::uniform_real_distribution<double> angle(0.0, 2 * kPi);
    std::uniform_real_distribution<double> size(0.01, 500.0);
    const AcGeVector3d normals[] = {AcGeVector3d::kZAxis, -AcGeVector3d::kZAxis,
                                    AcGeVector3d(0, 1, 1).normal(), AcGeVector3d(1, -2, -0.5).normal()};
    for (int round = 0; round < 200; ++round) {
        const AcGePoint3d center(coordinate(random), coordinate(random), coordinate(random) * 1e-3);
        const AcGeVector3d& normal = normals[round % 4];
        const double radius = size(random);
        const double start = angle(random);
        const double end = angle(random);
        std::ostringstream what;
        what.precision(17);
        what << "arc " << center.x << "," << center.y << "," << center.z << " normal " << normal.x
             << "," << normal.y << "," << normal.z << " r " << radius << " from " << start
             << " to " << end;
        const double scale = std::fabs(center.x) + std::fabs(center.y) + radius;
        expectDrawsTheCurve(AcDbArc(center, normal, radius, start, end), center, normal, scale,
                            what.str());
        expectDrawsTheCurve(AcDbCircle(center, normal, radius), center, normal, scale,
                            "circle of the " + what.str());
    }
}

TEST(PageView, PolylineArcSegmentsTurnAsTheirBulgesSay)
{
    for (const AcGeVector3d& normal : {AcGeVector3d::kZAxis, -AcGeVector3d::kZAxis,
                                       AcGeVector3d(0.3, 0, 1).normal()}) {
        AcDbPolyline pline;
        pline.addVertexAt(0, AcGePoint2d(180, -20), 0.4);
        pline.addVertexAt(1, AcGePoint2d(240, -20), 0.0);
        pline.addVertexAt(2, AcGePoint2d(240, 20), -1.0);
        pline.addVertexAt(3, AcGePoint2d(180, 20), 0.0);
        pline.setClosed(true);
        pline.setElevation(7.5);
        pline.setNormal(normal);
        AcGePoint3d first;
        ASSERT_EQ(pline.getPointAt(0, first), Acad::eOk);
        std::ostringstream what;
        what << "polyline with normal " << normal.x << "," << normal.y << "," << normal.z;
        expectDrawsTheCurve(pline, first, normal, 300.0, what.str());
    }
}

TEST(PageView, ServeAddressesAreIpAddressesOrLocalhostWithAPort)
{
    struct Case {
        const char* given;
        const char* authority;  ///< null: refused
        bool loopback;
    };
    const Case cases[] = {
        {"8765", "127.0.0.1:8765", true},
        {"0", "127.0.0.1:0", true},
        {"localhost:9000", "localhost:9000", true},
        {"127.0.0.2:80", "127.0.0.2:80", true},
        {"[::1]:8765", "[::1]:8765", true},
        {"192.168.1.5:8765", "192.168.1.5:8765", false},
        {"[fe80::1]:1", "[fe80::1]:1", false},
        {"0.0.0.0:8765", nullptr, false},
        {"[::]:8765", nullptr, false},
        {"example.com:8765", nullptr, false},
        {"::1:8765", nullptr, false},
        {"127.0.0.1:65536", nullptr, false},
        {"127.0.0.1:", nullptr, false},
        {"127.0.0.1:-1", nullptr, false},
        {"", nullptr, false},
    };
    for (const Case& c : cases) {
        cadhost::ServeAddress address;
        std::string error;
        const bool parsed = cadhost::parseServeAddress(c.given, address, error);
        ASSERT_EQ(parsed, c.authority != nullptr) << c.given << ": " << error;
        if (!parsed) {
            EXPECT_NE(error.find(c.given), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(address.authority(), c.authority) << c.given;
        EXPECT_EQ(address.isLoopback(), c.loopback) << c.given;
    }
    // The option: its address is optional, and it takes no script.
    cadhost::Options options;
    std::string error;
    ASSERT_TRUE(cadhost::parseOptions({"--serve", "--drawing", "d.dxf"}, options, error)) << error;
    EXPECT_TRUE(options.serve);
    EXPECT_EQ(options.serveAddress.authority(), "127.0.0.1:8765");
    ASSERT_TRUE(cadhost::parseOptions({"--serve=9000"}, options, error)) << error;
    EXPECT_EQ(options.serveAddress.authority(), "127.0.0.1:9000");
    EXPECT_FALSE(cadhost::parseOptions({"--serve", "0", "demo.script"}, options, error));
    EXPECT_FALSE(cadhost::parseOptions({"--serve", "demo.script"}, options, error));
}

}  // namespace
