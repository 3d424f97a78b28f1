// The arc length text: the radius cached from the result dimension, the sweep it spans, and the
// text of each mode.
#include "arcdim/KotaDP.h"

#include "acedads.h"
#include "arcdim_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using namespace arcdimtest;

constexpr double kPi = 3.141592653589793;
constexpr double kDegree = kPi / 180.0;
const AcGePoint3d kCenter(-2.0, 3.0, 0.5);

AcGePoint3d atAngle(double degrees, double radius)
{
    return kCenter +
           AcGeVector3d(std::cos(degrees * kDegree), std::sin(degrees * kDegree), 0.0) * radius;
}

/// A jig holding a result dimension about kCenter, its radius cached, plain number formatting.
class TextJig {
public:
    TextJig(const AcGePoint3d& first, const AcGePoint3d& second, const AcGePoint3d& arcPoint)
    {
        m_jig.m_pResultDim = new AcDb3PointAngularDimension(kCenter, first, second, arcPoint);
        m_jig.m_dimDsep = u'.';
        EXPECT_TRUE(m_jig.computeRadius());
    }
    CKotaDP& jig() { return m_jig; }
    std::string text()
    {
        ACHAR* text = m_jig.m_pResultDim->dimensionText();
        const std::string result = utf8(text);
        acutDelString(text);
        return result;
    }

private:
    CKotaDP m_jig;
};

using ArcLengthText = ArcDimensionTest;

TEST_F(ArcLengthText, RadiusIsTheDistanceToTheSecondExtensionLinePoint)
{
    TextJig t(atAngle(0, 4.0), atAngle(90, 10.0), atAngle(45, 20.0));
    EXPECT_EQ(t.jig().m_center, kCenter);
    EXPECT_NEAR(t.jig().m_radius, 10.0, 1e-12);
}

TEST_F(ArcLengthText, NothingToMeasureWithoutAResultDimension)
{
    CKotaDP jig;
    EXPECT_FALSE(jig.computeRadius());
    EXPECT_FALSE(jig.applyArcLengthText(1, true));
    EXPECT_EQ(jig.m_radius, 0.0);
}

TEST_F(ArcLengthText, EachModeGivesItsText)
{
    // LUPREC 4 of the host's formatter: 15.7080 and 10.0000, no zero suppression.
    struct ModeCase {
        int mode;
        const char* text;
    };
    for (const ModeCase& c : {ModeCase{1, "15.7080"}, ModeCase{2, "dl.=15.7080, R=10.0000"},
                              ModeCase{0, "dl.=15.7080, R=10.0000"},
                              ModeCase{3, "dl.=15.7080, R=10.0000"}}) {
        for (bool useMeasurement : {true, false}) {
            TextJig t(atAngle(0, 10.0), atAngle(90, 10.0), atAngle(45, 13.0));
            ASSERT_TRUE(t.jig().applyArcLengthText(c.mode, useMeasurement));
            EXPECT_EQ(t.text(), c.text) << "mode " << c.mode;
        }
    }
}

TEST_F(ArcLengthText, MeasurementAndPointsAgree)
{
    for (double arcPoint : {10.0, 100.0, 200.0, 300.0}) {
        TextJig t(atAngle(30, 5.0), atAngle(250, 5.0), atAngle(arcPoint, 7.0));
        EXPECT_NEAR(t.jig().measureSweep(true), t.jig().measureSweep(false), 1e-12) << arcPoint;
    }
}

TEST_F(ArcLengthText, ExtensionLinesInOneDirectionSpanNothingOrTheWholeCircle)
{
    TextJig along(atAngle(40, 3.0), atAngle(40, 6.0), atAngle(40, 8.0));
    EXPECT_EQ(along.jig().measureSweep(false), 0.0);
    TextJig round(atAngle(40, 3.0), atAngle(40, 6.0), atAngle(220, 8.0));
    EXPECT_DOUBLE_EQ(round.jig().measureSweep(false), 2.0 * kPi);
}

}  // namespace
