// Angular dimensions: measurement on the side of the arc point, the default style, text
// override; dimension styles and their parents; layer keys.
#include "acedads.h"
#include "aecexports.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

AcGePoint3d polar(const AcGePoint3d& center, double degrees, double radius)
{
    const double a = degrees * kPi / 180.0;
    return center + AcGeVector3d(std::cos(a), std::sin(a), 0.0) * radius;
}

class DimensionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cadhost::resetSession();
        db = cadhost::workingDatabase();
    }
    AcDbDatabase* db = nullptr;
};

struct MeasureCase {
    double x1Deg, x2Deg, arcDeg;
    double expectedDeg;
};

class MeasurementTest : public DimensionTest,
                        public ::testing::WithParamInterface<MeasureCase> {};

TEST_P(MeasurementTest, AngleFromFirstToSecondLineOnTheArcPointsSide)
{
    const MeasureCase& c = GetParam();
    const AcGePoint3d center(5, -3, 2);
    AcDb3PointAngularDimension dim(center, polar(center, c.x1Deg, 2), polar(center, c.x2Deg, 7),
                                   polar(center, c.arcDeg, 4));
    double value = -1.0;
    ASSERT_EQ(dim.measurement(value), Acad::eOk);
    EXPECT_NEAR(value * 180.0 / kPi, c.expectedDeg, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Angles, MeasurementTest,
                         ::testing::Values(MeasureCase{0, 90, 45, 90},
                                           MeasureCase{0, 90, 200, 270},  // the long way round
                                           MeasureCase{90, 0, 45, 90},
                                           MeasureCase{90, 0, 300, 270},
                                           MeasureCase{0, 180, 90, 180},
                                           MeasureCase{0, 180, 270, 180},
                                           MeasureCase{30, 30, 200, 360},
                                           MeasureCase{350, 10, 0, 20}));

TEST_F(DimensionTest, MeasurementDoesNotDependOnTheViewingSide)
{
    // The same dimension in a plane seen from below measures the same angle.
    AcDb3PointAngularDimension dim(AcGePoint3d(0, 0, 0), AcGePoint3d(0, 1, 0), AcGePoint3d(0, 0, 1),
                                   AcGePoint3d(0, -1, -1));
    double value = 0.0;
    ASSERT_EQ(dim.measurement(value), Acad::eOk);
    EXPECT_NEAR(value, 1.5 * kPi, 1e-12);
}

TEST_F(DimensionTest, ExtensionLinePointAtTheCentreCannotBeMeasured)
{
    AcDb3PointAngularDimension dim(AcGePoint3d(1, 1, 0), AcGePoint3d(1, 1, 0), AcGePoint3d(2, 1, 0),
                                   AcGePoint3d(1, 2, 0));
    double value = 42.0;
    EXPECT_NE(dim.measurement(value), Acad::eOk);
    EXPECT_EQ(value, 42.0);
}

TEST_F(DimensionTest, NullStyleMeansTheCurrentStyle)
{
    AcDb3PointAngularDimension byDefault(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0),
                                         AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0));
    EXPECT_EQ(byDefault.dimensionStyle(), db->dimstyle());
    EXPECT_EQ(db->impl().dimStyleName(db->dimstyle()), u"ISO-25");
    const AcDbObjectId standard = db->impl().dimStyleId(u"Standard");
    ASSERT_FALSE(standard.isNull());
    AcDb3PointAngularDimension given(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0),
                                     AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0), u"<> mm",
                                     standard);
    EXPECT_EQ(given.dimensionStyle(), standard);
    ACHAR* text = given.dimensionText();
    EXPECT_EQ(std::u16string(text), u"<> mm");
    acutDelString(text);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(given.setDimensionStyle(db->impl().layerId(u"0")), Acad::eInvalidInput);
    EXPECT_EQ(given.dimensionStyle(), standard);
}

TEST_F(DimensionTest, CurrentStyleAndDimstyleVariableAgree)
{
    const AcDbObjectId mine = db->impl().addDimStyle(u"Mine");
    ASSERT_TRUE(db->impl().setCurrentDimStyle(mine));
    EXPECT_EQ(db->dimstyle(), mine);
    EXPECT_EQ(db->impl().systemVariables().getString("DIMSTYLE"), u"Mine");
    EXPECT_FALSE(db->impl().setCurrentDimStyle(db->impl().layerId(u"0")));
    EXPECT_EQ(db->dimstyle(), mine);
}

struct ParentCase {
    const char16_t* child;
    bool parentMade;
    bool hasParent;
};

class DimstyleParentTest : public DimensionTest,
                           public ::testing::WithParamInterface<ParentCase> {};

TEST_P(DimstyleParentTest, ChildNamesEndInDollarAndAKind)
{
    const ParentCase& c = GetParam();
    const AcDbObjectId parent = c.parentMade ? db->impl().addDimStyle(u"Arch") : AcDbObjectId();
    AcDbObjectId child = db->impl().addDimStyle(c.child);
    const AcDbObjectId found = db->getDimstyleParentId(child);
    if (c.hasParent)
        EXPECT_EQ(found, parent);
    else
        EXPECT_TRUE(found.isNull());
}

INSTANTIATE_TEST_SUITE_P(Names, DimstyleParentTest,
                         ::testing::Values(ParentCase{u"Arch$0", true, true},
                                           ParentCase{u"Arch$2", true, true},
                                           ParentCase{u"arch$7", true, true},
                                           ParentCase{u"Arch$6", true, true},
                                           ParentCase{u"Arch$1", true, false},
                                           ParentCase{u"Arch$5", true, false},
                                           ParentCase{u"Arch$2", false, false},
                                           ParentCase{u"Arch", true, false},
                                           ParentCase{u"Arch$", true, false},
                                           ParentCase{u"Arch$22", true, false}));

TEST_F(DimensionTest, TheNullIdHasNoParent)
{
    AcDbObjectId none;
    EXPECT_TRUE(db->getDimstyleParentId(none).isNull());
}

TEST_F(DimensionTest, LayerKeyPutsTheEntityOnItsLayerMadeWhenFirstUsed)
{
    ASSERT_TRUE(db->impl().layerId(kDefaultDimensionLayer).isNull());
    AcDb3PointAngularDimension dim(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0), AcGePoint3d(0, 1, 0),
                                   AcGePoint3d(1, 1, 0));
    EXPECT_EQ(AecBase_279_setLayerByKey(&dim, u"DIMLINE"), Acad::eOk);
    EXPECT_EQ(std::u16string(dim.layer()), kDefaultDimensionLayer);
    EXPECT_FALSE(db->impl().layerId(kDefaultDimensionLayer).isNull());
    db->impl().setLayerKey(u"dimline", u"A-Anno-Dims");
    EXPECT_EQ(AecBase_279_setLayerByKey(&dim, u"DIMLINE"), Acad::eOk);
    EXPECT_EQ(std::u16string(dim.layer()), u"A-Anno-Dims");
    EXPECT_EQ(AecBase_279_setLayerByKey(&dim, u"NO-SUCH-KEY"), Acad::eKeyNotFound);
    EXPECT_EQ(std::u16string(dim.layer()), u"A-Anno-Dims");
    EXPECT_NE(AecBase_279_setLayerByKey(nullptr, u"DIMLINE"), Acad::eOk);
}

}  // namespace

namespace {

TEST(DimensionAppend, StyleOfAnotherDrawingBecomesTheCurrentStyle)
{
    cadhost::resetSession();
    // Made while one drawing is current, appended to another.
    auto* dim = new AcDb3PointAngularDimension(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0),
                                               AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0));
    AcDbDatabase other;
    const AcDbObjectId otherStandard = other.impl().dimStyleId(u"Standard");
    other.impl().setCurrentDimStyle(otherStandard);
    AcDbObjectId id;
    ASSERT_EQ(other.impl().appendEntity(dim, id), Acad::eOk);
    EXPECT_EQ(dim->dimensionStyle(), otherStandard);
    EXPECT_EQ(dim->layerId(), other.impl().layerId(u"0"));
    EXPECT_EQ(dim->setDimensionStyle(cadhost::workingDatabase()->dimstyle()),
              Acad::eWrongDatabase);
    EXPECT_EQ(dim->dimensionStyle(), otherStandard);
    dim->close();
}

}  // namespace
