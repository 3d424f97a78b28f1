// Entities: setters refused while not open for write, independent clones, layers, arcs and
// circles in their object coordinate systems, walls.
#include "acedads.h"
#include "database/aec_wall.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "dbents.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr double kPi = 3.141592653589793;

void expectNear(const AcGePoint3d& actual, const AcGePoint3d& expected, double tol = 1e-12)
{
    EXPECT_NEAR(actual.x, expected.x, tol);
    EXPECT_NEAR(actual.y, expected.y, tol);
    EXPECT_NEAR(actual.z, expected.z, tol);
}

class EntityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cadhost::resetSession();
        db = cadhost::workingDatabase();
    }
    /// Appends and closes entity; its id.
    AcDbObjectId add(AcDbEntity* entity)
    {
        AcDbObjectId id;
        EXPECT_EQ(db->impl().appendEntity(entity, id), Acad::eOk);
        entity->close();
        return id;
    }
    AcDbDatabase* db = nullptr;
};

TEST_F(EntityTest, SettersOfAResidentObjectOpenForReadChangeNothing)
{
    const AcDbObjectId id = add(new AcDbArc(AcGePoint3d(1, 1, 0), 2.0, 0.0, 1.0));
    AcDbArc* arc = nullptr;
    ASSERT_EQ(acdbOpenObject(arc, id, AcDb::kForRead), Acad::eOk);
    EXPECT_FALSE(arc->isWriteEnabled());
    EXPECT_EQ(arc->setRadius(5.0), Acad::eNotOpenForWrite);
    EXPECT_EQ(arc->setCenter(AcGePoint3d(9, 9, 9)), Acad::eNotOpenForWrite);
    EXPECT_EQ(arc->setLayer(db->impl().layerIdCreating(u"Other")), Acad::eNotOpenForWrite);
    EXPECT_EQ(arc->radius(), 2.0);
    EXPECT_EQ(arc->center(), AcGePoint3d(1, 1, 0));
    EXPECT_EQ(std::u16string(arc->layer()), u"0");
    arc->close();
    AcGePoint3d start;
    EXPECT_EQ(arc->getStartPoint(start), Acad::eNotOpenForRead) << "closed: not readable";
}

TEST_F(EntityTest, CloneIsAnIndependentNonResidentCopy)
{
    auto* dim = new AcDb3PointAngularDimension(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0),
                                               AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0));
    const AcDbObjectId id = add(dim);
    AcDb3PointAngularDimension* original = nullptr;
    ASSERT_EQ(acdbOpenObject(original, id, AcDb::kForRead), Acad::eOk);
    std::unique_ptr<AcDb3PointAngularDimension> copy(
        AcDb3PointAngularDimension::cast(original->clone()));
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->isPersistent());
    EXPECT_TRUE(copy->objectId().isNull());
    EXPECT_TRUE(copy->isWriteEnabled());
    EXPECT_EQ(copy->xLine2Point(), original->xLine2Point());
    EXPECT_EQ(copy->dimensionStyle(), original->dimensionStyle());
    EXPECT_EQ(copy->setArcPoint(AcGePoint3d(-5, -5, 0)), Acad::eOk);
    EXPECT_EQ(copy->setDimensionText(u"x"), Acad::eOk);
    EXPECT_EQ(original->arcPoint(), AcGePoint3d(1, 1, 0));
    ACHAR* text = original->dimensionText();
    EXPECT_EQ(std::u16string(text), u"");
    acutDelString(text);
    original->close();
    EXPECT_TRUE(db->impl().openObjectIds().empty());
}

TEST_F(EntityTest, PolylineCloneKeepsItsOwnVertices)
{
    auto* pline = new AcDbPolyline;
    pline->addVertexAt(0, AcGePoint2d(0, 0), 1.0);
    pline->addVertexAt(1, AcGePoint2d(2, 0));
    pline->setElevation(3.0);
    const AcDbObjectId id = add(pline);
    AcDbPolyline* original = nullptr;
    ASSERT_EQ(acdbOpenObject(original, id, AcDb::kForRead), Acad::eOk);
    std::unique_ptr<AcDbPolyline> copy(AcDbPolyline::cast(original->clone()));
    original->close();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->numVerts(), 2u);
    EXPECT_EQ(copy->elevation(), 3.0);
    EXPECT_EQ(copy->setPointAt(1, AcGePoint2d(9, 9)), Acad::eOk);
    EXPECT_EQ(copy->addVertexAt(2, AcGePoint2d(5, 5)), Acad::eOk);
    const auto* stored = AcDbPolyline::cast(db->impl().objectAt(id));
    EXPECT_EQ(stored->numVerts(), 2u);
    EXPECT_EQ(stored->segType(0), AcDbPolyline::kArc);
    AcGeCircArc3d arc;
    AcDbPolyline* reopened = nullptr;
    ASSERT_EQ(acdbOpenObject(reopened, id, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(reopened->getArcSegAt(0, arc), Acad::eOk);
    reopened->close();
    EXPECT_NEAR(arc.endPoint().x, 2.0, 1e-12) << "the original's vertex is unchanged";
}

TEST_F(EntityTest, ClosedObjectGivesNoClone)
{
    const AcDbObjectId id = add(new AcDbPoint(AcGePoint3d(1, 1, 1)));
    EXPECT_EQ(db->impl().objectAt(id)->clone(), nullptr);
}

TEST_F(EntityTest, LayersAreMadeOnDemandAndCompareWithoutCase)
{
    const AcDbObjectId walls = db->impl().layerIdCreating(u"Walls");
    EXPECT_EQ(db->impl().layerIdCreating(u"WALLS"), walls);
    EXPECT_EQ(db->impl().layerId(u"walls"), walls);
    EXPECT_TRUE(db->impl().layerId(u"Doors").isNull());
    EXPECT_EQ(db->impl().layerName(db->clayer()), u"0");
    AcDbPoint point;
    EXPECT_EQ(point.setLayer(u"Doors"), Acad::eKeyNotFound);
    EXPECT_EQ(point.setLayer(u"walls"), Acad::eOk);
    EXPECT_EQ(std::u16string(point.layer()), u"Walls");
}

TEST_F(EntityTest, ArcEndsFollowTheObjectCoordinateSystem)
{
    // Normal -Z: the object x axis is -X (arbitrary axis rule), so angle 0 points to -X and the
    // arc turns clockwise as seen from +Z.
    AcDbArc arc(AcGePoint3d(10, 0, 2), AcGeVector3d(0, 0, -1), 3.0, 0.0, kPi / 2);
    AcGePoint3d start, end;
    ASSERT_EQ(arc.getStartPoint(start), Acad::eOk);
    ASSERT_EQ(arc.getEndPoint(end), Acad::eOk);
    expectNear(start, AcGePoint3d(7, 0, 2));
    expectNear(end, AcGePoint3d(10, 3, 2));
    const AcGeCircArc3d ge = arc.geArc();
    expectNear(ge.startPoint(), start);
    expectNear(ge.endPoint(), end);
    AcGePoint3d nearest;
    ASSERT_EQ(arc.getClosestPointTo(AcGePoint3d(5, 5, 0), nearest), Acad::eOk);
    expectNear(nearest, AcGePoint3d(10 - 3 / std::sqrt(2.0), 3 / std::sqrt(2.0), 2));
    const AcGePoint3d below(5, -1, 2);  // beyond the start, which is nearer than the end
    ASSERT_EQ(arc.getClosestPointTo(below, nearest), Acad::eOk);
    expectNear(nearest, AcGePoint3d(7, 0, 2));
    ASSERT_EQ(arc.getClosestPointTo(below, nearest, true), Acad::eOk);
    expectNear(nearest, AcGePoint3d(10, 0, 2) + AcGeVector3d(-5, -1, 0).normal() * 3.0);
}

TEST_F(EntityTest, ArcAnglesAreKeptWithinOneTurn)
{
    AcDbArc arc(AcGePoint3d::kOrigin, 1.0, -kPi / 2, 5 * kPi);
    EXPECT_NEAR(arc.startAngle(), 3 * kPi / 2, 1e-12);
    EXPECT_NEAR(arc.endAngle(), kPi, 1e-12);
    EXPECT_EQ(arc.setRadius(0.0), Acad::eInvalidInput);
    EXPECT_EQ(arc.setRadius(-1.0), Acad::eInvalidInput);
    EXPECT_EQ(arc.radius(), 1.0);
}

TEST_F(EntityTest, CircleStartIsAtAngleZeroAndNearestIsRadial)
{
    AcDbCircle circle(AcGePoint3d(1, 2, 3), AcGeVector3d(1, 0, 0), 2.0);
    AcGePoint3d start;
    ASSERT_EQ(circle.getStartPoint(start), Acad::eOk);
    // Normal +X: object x axis is Wz x X = +Y.
    expectNear(start, AcGePoint3d(1, 4, 3));
    AcGePoint3d nearest;
    circle.getClosestPointTo(AcGePoint3d(50, 2, 10), nearest);
    expectNear(nearest, AcGePoint3d(1, 2, 5));
}

TEST_F(EntityTest, WallIsStraightWhenTheMiddleIsOnTheChord)
{
    AecDbWall straight(AcGePoint3d(0, 0, 0), AcGePoint3d(5, 0, 0), AcGePoint3d(10, 0, 0));
    AecDbWall curved(AcGePoint3d(0, 0, 0), AcGePoint3d(5, 5, 0), AcGePoint3d(10, 0, 0));
    EXPECT_TRUE(straight.isStraight());
    EXPECT_FALSE(curved.isStraight());
    expectNear(curved.baselineArc().center(), AcGePoint3d(5, 0, 0));
    EXPECT_TRUE(curved.isKindOf(AecDbEntity::desc()));
    EXPECT_TRUE(curved.isKindOf(AcDbEntity::desc()));
    EXPECT_FALSE(curved.isKindOf(AcDbCurve::desc()));
}

}  // namespace
